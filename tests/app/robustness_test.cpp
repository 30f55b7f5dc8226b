// Hostile input and hostile file systems, through the tessor program: every bad input gives
// a one-line reason and no file; a save that fails or is killed never leaves a partial
// file at the target nor damages the file already there. docs/robustness.md lists the cases.
#include "imaging/LDicomDS.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/RawDicom.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testfiles::ProcessRun;
using testfiles::Quote;

// Runs a shell command line (tessor is $T) and collects its output.
ProcessRun Shell(const std::string& commandLine)
{
    return testfiles::RunShell("T=" + Quote(TESSOR_APP_PATH) + "; " + commandLine);
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Hidden temporary files a save leaves in `dir` (".<name>.tmp<pid>-<n>").
std::vector<std::string> TempFiles(const fs::path& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp") != std::string::npos)
            found.push_back(name);
    }
    return found;
}

using CRawDataSet = rawdicom::CDataSet;

// The identity and pixel module up to (not including) the pixel data.
CRawDataSet ImageHeader(const std::string& photometric, int rows, int columns, int bits, int samples = 1,
                        const std::string& rowsVR = "US")
{
    CRawDataSet ds;
    ds.Text(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7");
    ds.Text(0x0008, 0x0018, "UI", "1.2.3.4.5");
    ds.Text(0x0008, 0x0060, "CS", "OT");
    ds.US(0x0028, 0x0002, static_cast<uint16_t>(samples));
    ds.Text(0x0028, 0x0004, "CS", photometric);
    if (samples > 1)
        ds.US(0x0028, 0x0006, 0);
    ds.US(0x0028, 0x0010, static_cast<uint16_t>(rows), rowsVR);
    ds.US(0x0028, 0x0011, static_cast<uint16_t>(columns));
    ds.US(0x0028, 0x0100, static_cast<uint16_t>(bits));
    ds.US(0x0028, 0x0101, static_cast<uint16_t>(bits));
    ds.US(0x0028, 0x0102, static_cast<uint16_t>(bits - 1));
    ds.US(0x0028, 0x0103, 0);
    return ds;
}

// Gives `file` the patient and study of `from`, so that only its pixels differ.
void AdoptIdentity(const fs::path& file, const fs::path& from)
{
    LDicomDS source(nullptr);
    LDicomDS target(nullptr);
    ASSERT_EQ(source.LoadDS(from.c_str(), 0), DICOM_SUCCESS);
    ASSERT_EQ(target.LoadDS(file.c_str(), 0), DICOM_SUCCESS);
    for (DWORD tag : {DWORD(0x00100020), DWORD(0x0020000D)}) {
        const char* value = source.GetStringValue(source.FindFirstElement(nullptr, tag, FALSE), 0, 1);
        pDICOMELEMENT element = target.FindFirstElement(nullptr, tag, FALSE);
        element = element ? element : target.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0);
        ASSERT_TRUE(value && target.SetStringValue(element, value, 1));
    }
    ASSERT_EQ(target.SaveDS(file.c_str(), 0), DICOM_SUCCESS);
}

// Overwrites `count` bytes from `at` with seeded noise.
void Scramble(std::string& bytes, size_t at, size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    for (size_t i = at; i < at + count && i + 8 < bytes.size(); ++i)
        bytes[i] = static_cast<char>(random() & 0xFF);
}

// Offset of `marker` after the Pixel Data tag; npos when absent.
size_t FindInPixelData(const std::string& bytes, const std::string& marker)
{
    const size_t pixel = bytes.find(std::string("\xE0\x7F\x10\x00", 4));
    return pixel == std::string::npos ? pixel : bytes.find(marker, pixel);
}

class Robustness : public testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        good = dir / "good.dcm";
        const ProcessRun sample = Shell("$T sample --rows 120 --cols 100 --pieces 1 " + Quote(dir / "sample"));
        ASSERT_EQ(sample.status, 0) << sample.output;
        fs::rename(dir / "sample" / "piece-1.dcm", good);
        out = dir / "out.dcm";
    }
    // A DCMTK tool's output made from the good file.
    fs::path Converted(const std::string& tool, const std::string& name)
    {
        const fs::path path = dir / name;
        const ProcessRun run = Shell(tool + " " + Quote(good) + " " + Quote(path));
        EXPECT_EQ(run.status, 0) << tool << "\n" << run.output;
        return path;
    }
    fs::path Edited(const std::string& name, const std::string& edits)
    {
        const fs::path path = dir / name;
        fs::copy_file(good, path);
        const ProcessRun run = Shell("dcmodify -q -nb " + edits + " " + Quote(path));
        EXPECT_EQ(run.status, 0) << run.output;
        return path;
    }
    // tessor stitch and tessor info refuse `input` naming `reason` (or a reason starting with
    // it, when `prefixOnly`), and nothing is written.
    void ExpectRefused(const fs::path& input, const std::string& reason, bool prefixOnly = false)
    {
        SCOPED_TRACE(input.filename().string());
        const ProcessRun stitch = Shell("$T stitch -o " + Quote(out) + " " + Quote(input));
        EXPECT_EQ(stitch.status, 1) << stitch.output;
        const std::string stitchLine = "tessor: cannot load " + input.string() + ": " + reason;
        if (prefixOnly)
            EXPECT_EQ(stitch.output.rfind(stitchLine, 0), 0u) << stitch.output;
        else
            EXPECT_EQ(stitch.output, stitchLine + "\n");
        EXPECT_FALSE(fs::exists(out));
        EXPECT_EQ(TempFiles(dir), std::vector<std::string>{});
        const ProcessRun info = Shell("$T info " + Quote(input));
        EXPECT_EQ(info.status, 1) << info.output;
        const std::string line = input.string() + ": " + reason;
        if (prefixOnly)
            EXPECT_EQ(info.output.rfind(line, 0), 0u) << info.output;
        else
            EXPECT_EQ(info.output, line + "\n");
    }
    // tessor stitch joins `input` to a copy of itself (another instance: a new SOP Instance
    // UID, the same syntax) and writes a file the validator accepts.
    void ExpectStitched(const fs::path& input, int rows)
    {
        SCOPED_TRACE(input.filename().string());
        const fs::path twin = dir / ("twin-" + input.filename().string());
        fs::copy_file(input, twin, fs::copy_options::overwrite_existing);
        ASSERT_EQ(Shell("dcmodify -nb -gin " + Quote(twin)).status, 0);
        const ProcessRun stitch = Shell("$T stitch --json -o " + Quote(out) + " " + Quote(input) + " " + Quote(twin));
        EXPECT_EQ(stitch.status, 0) << stitch.output;
        EXPECT_NE(stitch.output.find("\"rows\": " + std::to_string(rows)), std::string::npos) << stitch.output;
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, input));
        fs::remove(out);
    }
    fs::path dir;
    fs::path good;
    fs::path out;
};

}  // namespace

TEST_F(Robustness, FilesThatAreNoImageAreRefusedWithTheirReason)
{
    const fs::path empty = dir / "empty.dcm";
    WriteBytes(empty, "");
    const fs::path folder = dir / "folder.dcm";
    fs::create_directory(folder);
    const fs::path text = dir / "text.dcm";
    WriteBytes(text, "not a DICOM file\n");
    const fs::path truncated = dir / "truncated.dcm";
    const std::string bytes = ReadBytes(good);
    WriteBytes(truncated, bytes.substr(0, bytes.size() / 2));

    ExpectRefused(dir / "missing.dcm", "the file '" + (dir / "missing.dcm").string() + "' does not exist");
    ExpectRefused(empty, "the file '" + empty.string() + "' is empty");
    // A folder is searched for images: an empty one holds none, and nothing is written.
    for (const char* command : {"stitch -o " , "info "}) {
        const ProcessRun run = Shell(std::string("$T ") + command + (command[0] == 's' ? Quote(out) + " " : "") +
                                     Quote(folder));
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, "tessor: no DICOM image in the folders given (0 other files)\n");
    }
    EXPECT_FALSE(fs::exists(out));
    const std::string unreadable = "' is not a readable DICOM file: I/O suspension or premature end of stream";
    ExpectRefused(text, "'" + text.string() + unreadable);
    ExpectRefused(truncated, "'" + truncated.string() + unreadable);
    const fs::path noPixels = Edited("nopixels.dcm", "-ea '(7fe0,0010)'");
    ExpectRefused(noPixels, "'" + noPixels.string() + "' holds no image (no Pixel Data)");
}

TEST_F(Robustness, PixelLayoutsTheModuleCannotShowAreRefused)
{
    const fs::path oneBit = dir / "onebit.dcm";
    CRawDataSet bits = ImageHeader("MONOCHROME2", 16, 16, 1);
    bits.Element(0x7FE0, 0x0010, "OB", std::string(32, '\x55'));
    rawdicom::WriteFile(oneBit, bits);
    ExpectRefused(oneBit, "1-bit images are not supported");

    const fs::path floats = dir / "float.dcm";  // 32-bit float values live in Float Pixel Data
    CRawDataSet real = ImageHeader("MONOCHROME2", 4, 4, 32);
    real.Element(0x7FE0, 0x0008, "OF", std::string(64, '\0'));
    rawdicom::WriteFile(floats, real);
    ExpectRefused(floats, "'" + floats.string() + "' holds no image (no Pixel Data)");

    const fs::path ybr = dir / "ybr422.dcm";  // uncompressed subsampled colour
    CRawDataSet subsampled = ImageHeader("YBR_FULL_422", 2, 4, 8, 3);
    subsampled.Element(0x7FE0, 0x0010, "OB", std::string(16, '\x40'));
    rawdicom::WriteFile(ybr, subsampled);
    ExpectRefused(ybr, "uncompressed YBR_FULL_422 colour is not supported");
}

TEST_F(Robustness, AnUnknownVRIsRefused)
{
    const fs::path oddVR = dir / "oddvr.dcm";  // Rows written with a VR no dictionary knows
    CRawDataSet odd = ImageHeader("MONOCHROME2", 4, 6, 8, 1, "XX");
    odd.Element(0x7FE0, 0x0010, "OB", std::string(24, '\x20'));
    rawdicom::WriteFile(oddVR, odd);
    ExpectRefused(oddVR, "'" + oddVR.string() + "' is not a readable DICOM file: I/O suspension or premature end of stream");
}

TEST_F(Robustness, ClaimsBeyondTheDataFailBeforeAnyLargeAllocation)
{
    const fs::path shortData = Edited("short.dcm", "-m '(0028,0010)=240'");
    ExpectRefused(shortData, "the Pixel Data holds 24000 bytes, frame 0 needs 48000");
    const fs::path huge = Edited("huge.dcm", "-m '(0028,0010)=65535' -m '(0028,0011)=65535'");
    ExpectRefused(huge, "a frame of 8589672450 bytes is beyond the 2 GiB limit");
    const fs::path hugeCompressed = Converted("dcmcjpeg", "huge-jpeg.dcm");
    ASSERT_EQ(Shell("dcmodify -q -nb -m '(0028,0010)=65535' -m '(0028,0011)=65535' " + Quote(hugeCompressed)).status, 0);
    ExpectRefused(hugeCompressed, "a frame of 8589672450 bytes is beyond the 2 GiB limit");

    // 40000 x 20000 x 16 bits (1.6 GB) claimed over 24000 bytes held: refused within 1 GB of address space.
    const fs::path claimed = Edited("claimed.dcm", "-m '(0028,0010)=40000' -m '(0028,0011)=20000'");
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer reserves more address space than the limit
    const ProcessRun limited = Shell("ulimit -v 1000000; exec $T info " + Quote(claimed));
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(limited.output, claimed.string() + ": the Pixel Data holds 24000 bytes, frame 0 needs 1600000000\n");
#endif
}

// A 3 KB JPEG 2000 file whose codestream claims 100 x 3276900 pixels over a 100 x 100 data
// set: refused by its size segment before the decoder sizes anything by the claim (which
// took hundreds of megabytes and ended in std::bad_alloc under a tight limit).
TEST_F(Robustness, AJpeg2000SizeClaimIsRefusedBeforeTheDecoderSizesItself)
{
    const fs::path claim = fs::path(TESSOR_SOURCE_DIR) / "tests/data/fuzz/jpeg2000-siz-claims-3276900-rows.dcm";
    const std::string reason = ": the JPEG 2000 frame is 100 x 3276900, the data set says 100 x 100\n";
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer reserves more address space than the limit
    const ProcessRun limited = Shell("ulimit -v 300000; exec $T info " + Quote(claim));
#else
    const ProcessRun limited = Shell("exec $T info " + Quote(claim));
#endif
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(limited.output, claim.string() + reason);
}

TEST_F(Robustness, ImagesTheWriterCannotDescribeAreLeftOutWithAMessage)
{
    const fs::path deep = dir / "deep.dcm";  // 32-bit integers: shown, but not written
    CRawDataSet words = ImageHeader("MONOCHROME2", 4, 100, 32);
    words.Element(0x7FE0, 0x0010, "OW", std::string(4 * 100 * 4, '\x01'));
    rawdicom::WriteFile(deep, words);
    const ProcessRun alone = Shell("$T stitch -o " + Quote(out) + " " + Quote(deep));
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.output, "tessor: Fail to stitching image: 0\n"
                            "tessor: Cannot save: no image could be stitched.\n"
                            "tessor: nothing was written\n");
    EXPECT_FALSE(fs::exists(out));
    AdoptIdentity(deep, good);
    const ProcessRun mixed = Shell("$T stitch -o " + Quote(out) + " " + Quote(good) + " " + Quote(deep));
    EXPECT_EQ(mixed.status, 2);
    EXPECT_EQ(mixed.output, "tessor: Fail to stitching image: 1\n");
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, good));
}

TEST_F(Robustness, OtherEncodingsAndColourLayoutsStitch)
{
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(good));  // tessor sample writes valid DX images
    for (const auto& [tool, name] : {std::pair{"dcmconv +tb", "bigendian.dcm"}, std::pair{"dcmconv +td", "deflated.dcm"},
                                     std::pair{"dcmconv +ti", "implicit.dcm"}, std::pair{"dcmcjpeg", "jpeg.dcm"},
                                     std::pair{"dcmcjpeg +eb", "jpeg-baseline.dcm"}, std::pair{"dcmcjpls", "jpeg-ls.dcm"},
                                     std::pair{"dcmcrle", "rle.dcm"}})
        ExpectStitched(Converted(tool, name), 240);

    const fs::path noMeta = Converted("dcmconv -F +ti", "nometa.dcm");  // data set only, no group 0002
    const ProcessRun run = Shell("$T stitch -o " + Quote(out) + " " + Quote(noMeta));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, good));
    fs::remove(out);


    const fs::path rgb = dir / "rgb.dcm";
    CRawDataSet colour = ImageHeader("RGB", 4, 6, 8, 3);
    colour.Element(0x7FE0, 0x0010, "OB", std::string(72, '\x30'));
    rawdicom::WriteFile(rgb, colour);
    ExpectStitched(rgb, 8);

    const fs::path palette = dir / "palette.dcm";  // stitched as stored indices, the palette kept
    CRawDataSet indexed = ImageHeader("PALETTE COLOR", 4, 6, 8);
    for (uint16_t element : {0x1101, 0x1102, 0x1103})
        indexed.Element(0x0028, element, "US", std::string("\x04\x00\x00\x00\x10\x00", 6));
    for (uint16_t element : {0x1201, 0x1202, 0x1203})
        indexed.Element(0x0028, element, "OW", std::string(8, '\x7F'));
    indexed.Element(0x7FE0, 0x0010, "OB", std::string(24, '\x02'));
    rawdicom::WriteFile(palette, indexed);
    ExpectStitched(palette, 8);

    const fs::path frames = Edited("frames.dcm", "-i '(0028,0008)=2'");  // two frames of 60 rows
    ASSERT_EQ(Shell("dcmodify -q -nb -m '(0028,0010)=60' " + Quote(frames)).status, 0);
    ExpectStitched(frames, 120);  // the first frame of each
}

TEST_F(Robustness, DamagedCompressedDataFailsWithAReason)
{
    struct Damage {
        const char* tool;
        const char* marker;  // damage starts 20 bytes after it
        const char* reason;  // what tessor info says, as a prefix
    };
    const Damage damages[] = {
        {"dcmcjpeg +eb", "\xFF\xDA", "cannot decode the pixel data: "},       // baseline
        {"dcmcjpeg +ee", "\xFF\xDA", "cannot decode the pixel data: "},       // extended, 12 bits
        {"dcmcjpeg", "\xFF\xDA", "cannot decode the pixel data: "},           // lossless
        {"dcmcjpls", "\xFF\xDA", "JPEG-LS decoding: "},
        {"dcmcrle", "\xFE\xFF\x00\xE0", "damaged RLE data: "},   // RLE header and segments
    };
    int index = 0;
    for (const Damage& damage : damages) {
        const fs::path source = Converted(damage.tool, "source" + std::to_string(index) + ".dcm");
        std::string bytes = ReadBytes(source);
        size_t at = FindInPixelData(bytes, damage.marker);
        if (std::string(damage.marker) == std::string("\xFE\xFF\x00\xE0", 4))
            at = bytes.find(damage.marker, at + 8);  // the fragment after the offset table
        ASSERT_NE(at, std::string::npos) << damage.tool;
        Scramble(bytes, at + 20, 300, 7);
        const fs::path damaged = dir / ("damaged" + std::to_string(index++) + ".dcm");
        WriteBytes(damaged, bytes);
        ExpectRefused(damaged, damage.reason, true);
    }

    const fs::path deflated = Converted("dcmconv +td", "deflated.dcm");
    std::string bytes = ReadBytes(deflated);
    Scramble(bytes, bytes.size() / 2, 100, 9);
    WriteBytes(deflated, bytes);
    ExpectRefused(deflated, "'" + deflated.string() + "' is not a readable DICOM file: ", true);

    const fs::path j2k = testfiles::Pydicom("JPEG2000.dcm");
    if (j2k.empty())
        return;
    bytes = ReadBytes(j2k);
    const size_t size = FindInPixelData(bytes, "\xFF\x51");  // SIZ: the image claims 2^31 x 2^31
    ASSERT_NE(size, std::string::npos);
    bytes.replace(size + 6, 8, "\x7F\xFF\xFF\xFF\x7F\xFF\xFF\xFF");
    const fs::path damaged = dir / "damaged-j2k.dcm";
    WriteBytes(damaged, bytes);
    ExpectRefused(damaged, "the JPEG 2000 frame is 2147483647 x 2147483647, the data set says 256 x 1024");
}

namespace {

// Runs tessor with `args` in a child whose files may not grow beyond `maxBytes`; with
// `ignoreLimitSignal` a write past the limit fails with EFBIG (as on a full disk), else the
// kernel kills the child with SIGXFSZ. Output goes to `log`.
ProcessRun RunLimited(const std::vector<std::string>& args, rlim_t maxBytes, bool ignoreLimitSignal, const fs::path& log)
{
    ProcessRun run;
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        signal(SIGXFSZ, ignoreLimitSignal ? SIG_IGN : SIG_DFL);
        const rlimit limit{maxBytes, maxBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char*> argv{const_cast<char*>("tessor")};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TESSOR_APP_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    else if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.output = ReadBytes(log);
    fs::remove(log);
    return run;
}

// A study big enough that writing it takes a while: three 1200 x 1500 16-bit pieces;
// the arguments of tessor stitch writing it to `out`.
std::vector<std::string> BigStitch(const fs::path& dir, const fs::path& out)
{
    const ProcessRun sample = Shell("$T sample --rows 1200 --cols 1500 --pieces 3 " + Quote(dir / "study"));
    EXPECT_EQ(sample.status, 0) << sample.output;
    std::vector<std::string> args{"stitch", "-o", out.string()};
    for (const char* piece : {"piece-1.dcm", "piece-2.dcm", "piece-3.dcm"})
        args.push_back((dir / "study" / piece).string());
    return args;
}

}  // namespace

// A file system that refuses the bytes: the write fails (SIGXFSZ ignored: EFBIG, as on a full
// disk) or the process is killed by the limit; either way the old file stays whole.
TEST_F(Robustness, AFullFileSystemLeavesTheOldFileWhole)
{
    const std::vector<std::string> args = BigStitch(dir, out);
    const fs::path log = dir.parent_path() / (dir.filename().string() + ".log");
    const std::string old = "the old file, which no failed save may touch";
    WriteBytes(out, old);
    const ProcessRun full = RunLimited(args, 2 << 20, true, log);
    EXPECT_EQ(full.status, 1) << full.output;
    EXPECT_EQ(full.output, "tessor: Fail to write the file: cannot write '" + out.string() +
                               "': I/O suspension or premature end of stream\ntessor: nothing was written\n");
    EXPECT_EQ(ReadBytes(out), old);
    EXPECT_EQ(TempFiles(dir), std::vector<std::string>{});

    const ProcessRun killed = RunLimited(args, 2 << 20, false, log);
    EXPECT_EQ(killed.signal, SIGXFSZ) << killed.output;
    EXPECT_EQ(ReadBytes(out), old);
    const std::vector<std::string> left = TempFiles(dir);  // a killed process cannot clean up
    ASSERT_LE(left.size(), 1u);
    if (!left.empty()) {
        EXPECT_EQ(left[0].rfind(".out.dcm.tmp", 0), 0u) << left[0];
    }
}

TEST_F(Robustness, AReadOnlyFolderIsRefusedAndKeepsItsFile)
{
    const fs::path folder = dir / "readonly";
    fs::create_directory(folder);
    const fs::path target = folder / "out.dcm";
    WriteBytes(target, "old");
    bool mounted = false;
    if (geteuid() == 0) {  // permissions do not bind root: a read-only file system does
        mounted = Shell("mount -t tmpfs -o size=64k tmpfs " + Quote(folder) + " && cp " + Quote(good) + " " +
                        Quote(target) + " && mount -o remount,ro " + Quote(folder))
                      .status == 0;
        if (!mounted) {
            Shell("umount " + Quote(folder));
            GTEST_SKIP() << "running as root without the right to mount a read-only file system";
        }
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string before = ReadBytes(target);
    const ProcessRun run = Shell("$T stitch -o " + Quote(target) + " " + Quote(good));
    EXPECT_EQ(run.status, 1);
    const std::string reason = mounted ? "Read-only file system" : "Permission denied";
    EXPECT_EQ(run.output, "tessor: Fail to write the file: cannot write in the folder of '" + target.string() + "': " +
                              reason + "\ntessor: nothing was written\n");
    EXPECT_EQ(ReadBytes(target), before);
    if (mounted)
        Shell("umount " + Quote(folder));
    else
        fs::permissions(folder, fs::perms::owner_all);
}

// SIGKILL at several moments of a save: the target holds the old file or the whole new one.
TEST_F(Robustness, AKilledSaveNeverLeavesAPartialTarget)
{
    const std::vector<std::string> args = BigStitch(dir, out);
    const fs::path log = dir.parent_path() / (dir.filename().string() + ".log");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunLimited(args, RLIM_INFINITY, false, log).status, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    const std::string old = "the old file";
    int sawOld = 0;
    int sawNew = 0;
    // Mostly near the end of the run, where the file is written.
    for (int percent : {20, 50, 70, 80, 85, 90, 93, 96, 98, 100, 103, 110}) {
        const auto delay = whole * percent / 100;
        WriteBytes(out, old);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execl(TESSOR_APP_PATH, "tessor", args[0].c_str(), args[1].c_str(), args[2].c_str(), args[3].c_str(),
                  args[4].c_str(), args[5].c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(delay);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " of " + std::to_string(whole.count()) + " ms");
        if (ReadBytes(out) == old) {
            ++sawOld;
        } else {
            ++sawNew;
            LDicomDS ds(nullptr);
            ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
            pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, 0x7FE00010, FALSE);
            EXPECT_EQ(ds.GetElementLength(pixel), 1500u * 3600u * 2u);
        }
        for (const std::string& temp : TempFiles(dir)) {  // only the documented hidden name
            EXPECT_EQ(temp.rfind(".out.dcm.tmp", 0), 0u) << temp;
            fs::remove(dir / temp);
        }
    }
    std::printf("killed saves (a whole run %lld ms): %d left the old file, %d the new one\n",
                static_cast<long long>(whole.count()), sawOld, sawNew);
    EXPECT_GT(sawOld, 0);
}
