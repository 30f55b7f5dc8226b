// tessor stitch run as a process: the outcome of each kind of input, and that bad input
// never leaves a file behind.
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testfiles::ProcessRun;
using testfiles::Quote;

ProcessRun Tessor(const std::string& arguments)
{
    return testfiles::RunShell(std::string(TESSOR_APP_PATH) + " " + arguments);
}

fs::path Image(const fs::path& dir, const std::string& name, int rows, int columns, int bits)
{
    const fs::path path = dir / name;
    EXPECT_EQ(testfiles::WriteSynthetic(testfiles::MakeGrey(rows, columns, bits, [](int r, int c) { return (r + c) % 200; }),
                                        path),
              "");
    return path;
}

}  // namespace

TEST(StitchCommand, WritesTheStitchedFileAndReportsTheRectangles)
{
    const fs::path dir = testfiles::FreshDir("stitch_ok");
    const fs::path a = Image(dir, "a.dcm", 50, 40, 16);
    const fs::path b = Image(dir, "b.dcm", 60, 40, 16);
    const fs::path out = dir / "out.dcm";
    const ProcessRun run = Tessor("stitch --json --adjust 1:3,10,50 -o " + Quote(out) + " " + Quote(a) + " " + Quote(b));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));
    EXPECT_NE(run.output.find("\"rows\": 90"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"columns\": 40"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"left\": 3"), std::string::npos) << run.output;

    const fs::path cropped = dir / "cropped.dcm";
    const ProcessRun crop = Tessor("stitch --json --crop 0,10,20,30 -o " + Quote(cropped) + " " + Quote(a) + " " + Quote(b));
    EXPECT_EQ(crop.status, 0) << crop.output;
    EXPECT_NE(crop.output.find("\"columns\": 20"), std::string::npos) << crop.output;
    EXPECT_NE(crop.output.find("\"rows\": 20"), std::string::npos) << crop.output;
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(cropped, a));

    // Bitmaps carry no instance to refer to: derived, but no Source Image Sequence.
    const fs::path fromBitmaps = dir / "bitmaps.dcm";
    const ProcessRun bitmaps = Tessor("stitch --bitmaps --reference " + Quote(a) + " -o " + Quote(fromBitmaps) + " " +
                                      Quote(a) + " " + Quote(b));
    EXPECT_EQ(bitmaps.status, 0) << bitmaps.output;
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(fromBitmaps, a));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(fromBitmaps.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ds.FindFirstElement(nullptr, 0x00082112, FALSE), nullptr);
    pDICOMELEMENT description = ds.FindFirstElement(nullptr, 0x00082111, FALSE);
    ASSERT_NE(description, nullptr);
    EXPECT_STREQ(ds.GetStringValue(description, 0, 1), "Stitched from 2 images");
}

TEST(StitchCommand, BadInputGivesAReasonAndNoFile)
{
    const fs::path dir = testfiles::FreshDir("stitch_bad");
    const fs::path good = Image(dir, "good.dcm", 20, 16, 16);
    const fs::path eight = Image(dir, "eight.dcm", 20, 16, 8);
    const fs::path narrow = Image(dir, "narrow.dcm", 20, 12, 16);
    const fs::path empty = dir / "empty.dcm";
    std::ofstream(empty).close();
    const fs::path text = dir / "text.dcm";
    std::ofstream(text) << "not a DICOM file\n";
    const fs::path truncated = dir / "truncated.dcm";
    {
        std::ifstream in(good, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() - 100);
    }
    const fs::path out = dir / "out.dcm";
    for (const std::string& inputs :
         {Quote(dir / "missing.dcm"), Quote(dir), Quote(empty), Quote(text), Quote(truncated),
          Quote(good) + " " + Quote(eight)}) {
        const ProcessRun run = Tessor("stitch -o " + Quote(out) + " " + inputs);
        EXPECT_EQ(run.status, 1) << inputs << "\n" << run.output;
        EXPECT_NE(run.output.find("tessor: "), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out)) << inputs;
    }
    for (const char* name : {"liver_1frame.dcm", "badVR.dcm"}) {  // 1-bit and 32-bit images
        const fs::path sample = testfiles::Pydicom(name);
        if (sample.empty())
            continue;
        const ProcessRun run = Tessor("stitch -o " + Quote(out) + " " + Quote(sample));
        EXPECT_EQ(run.status, 1) << name << "\n" << run.output;
        EXPECT_FALSE(fs::exists(out)) << name;
    }
    const ProcessRun unwritable = Tessor("stitch -o " + Quote(dir / "no" / "such" / "dir.dcm") + " " + Quote(good));
    EXPECT_EQ(unwritable.status, 1) << unwritable.output;
    EXPECT_EQ(Tessor("stitch " + Quote(good)).status, 2);  // no output named: a usage error
    EXPECT_EQ(Tessor("stitch --help").status, 0);

    const ProcessRun widths = Tessor("stitch -o " + Quote(out) + " " + Quote(good) + " " + Quote(narrow));
    EXPECT_EQ(widths.status, 0) << widths.output;  // a narrower image is centred
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, good));
}

// The command builds the stitching model directly: tracing every file it opens shows no
// Qt library at all (not even loaded unused), no platform plugin and no dictionary text
// file (the dictionary is built in), while the inputs and the output are there.
TEST(StitchCommand, OpensNoWindowSystemPlugin)
{
    if (std::system("command -v strace > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed (scripts/install-deps.sh installs it)";
    const fs::path dir = testfiles::FreshDir("stitch_windowless");
    const fs::path a = Image(dir, "a.dcm", 50, 40, 16);
    const fs::path b = Image(dir, "b.dcm", 60, 40, 16);
    const fs::path out = dir / "out.dcm";
    const fs::path trace = dir / "openat.trace";
    const ProcessRun run = testfiles::RunShell("strace -f -e trace=openat,open -o " + Quote(trace) + " " +
                                               std::string(TESSOR_APP_PATH) + " stitch --auto -o " + Quote(out) +
                                               " " + Quote(a) + " " + Quote(b));
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream in(trace);
    const std::string opened((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(opened.find(a.string()), std::string::npos);
    EXPECT_NE(opened.find((dir / ".out.dcm.tmp").string()), std::string::npos);  // written beside, then renamed
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(opened.find("/platforms/"), std::string::npos) << opened;
    EXPECT_EQ(opened.find("libqoffscreen"), std::string::npos);
    EXPECT_EQ(opened.find("libqxcb"), std::string::npos);
    EXPECT_EQ(opened.find("libQt6"), std::string::npos);
    EXPECT_EQ(opened.find("libtessor_app_window"), std::string::npos);
    EXPECT_EQ(opened.find(".dic\""), std::string::npos);
}

// Pieces that may not become one image are refused with one line naming the attribute and
// both files, exit 1, nothing written; --syntax picks the written transfer syntax.
TEST(StitchCommand, InconsistentPiecesAreRefusedAndTheSyntaxIsChosen)
{
    const fs::path dir = testfiles::FreshDir("stitch_gate");
    const fs::path a = Image(dir, "a.dcm", 20, 16, 16);
    const fs::path b = Image(dir, "b.dcm", 20, 16, 16);
    const fs::path mono1 = dir / "mono1.dcm";
    const fs::path deeper = dir / "deeper.dcm";
    const fs::path otherPatient = dir / "other.dcm";
    ASSERT_EQ(std::system(("cp " + Quote(b) + " " + Quote(mono1) + " && dcmodify -nb -gin -m " +
                           "'(0028,0004)=MONOCHROME1' " + Quote(mono1) + " && cp " + Quote(b) + " " + Quote(deeper) +
                           " && dcmodify -nb -gin -m '(0028,0101)=14' -m '(0028,0102)=13' " + Quote(deeper) +
                           " && cp " + Quote(b) + " " +
                           Quote(otherPatient) + " && dcmodify -nb -gin -m '(0010,0020)=OTHER' " + Quote(otherPatient))
                              .c_str()),
              0);
    const fs::path out = dir / "out.dcm";
    const struct {
        fs::path other;
        std::string line;
    } cases[] = {
        {otherPatient, "tessor: Cannot stitch: Patient ID differs: 'TEST-1' in " + a.string() + ", 'OTHER' in " +
                           otherPatient.string() + ".\n"},
        {deeper, "tessor: Cannot stitch: Bits Stored differs: '12' in " + a.string() + ", '14' in " +
                     deeper.string() + ", and cannot be converted without loss.\n"},
        {a, "tessor: Cannot stitch: " + a.string() + " and " + a.string() +
                " are the same image (SOP Instance UID "},
    };
    for (const auto& c : cases) {
        const ProcessRun run = Tessor("stitch -o " + Quote(out) + " " + Quote(a) + " " + Quote(c.other));
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output.substr(0, c.line.size()), c.line);
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_FALSE(fs::exists(out));
    }

    // MONOCHROME1 beside MONOCHROME2 is converted: 4095 - v within the piece's 12 bits.
    const ProcessRun inverted = Tessor("stitch -o " + Quote(out) + " " + Quote(a) + " " + Quote(mono1));
    ASSERT_EQ(inverted.status, 0) << inverted.output;
    {
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
        pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, 0x7FE00010, FALSE);
        std::vector<BYTE> pixels(ds.GetElementLength(pixel));
        ASSERT_TRUE(ds.GetBinaryValue(pixel, pixels.data(), static_cast<ULONG>(pixels.size())));
        EXPECT_EQ(testfiles::Sample16(pixels, 16, 0, 5), 5);            // a: (r + c) % 200
        EXPECT_EQ(testfiles::Sample16(pixels, 16, 20, 5), 4095 - 5);    // the MONOCHROME1 piece, inverted
        EXPECT_EQ(testfiles::Sample16(pixels, 16, 39, 15), 4095 - 34);
    }
    fs::remove(out);

    const ProcessRun jpegLs = Tessor("stitch --syntax jpeg-ls -o " + Quote(out) + " " + Quote(a) + " " + Quote(b));
    ASSERT_EQ(jpegLs.status, 0) << jpegLs.output;
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ds.GetTransferSyntaxUID(), "1.2.840.10008.1.2.4.80");
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));
    const ProcessRun unknown = Tessor("stitch --syntax jpeg-lossy -o " + Quote(dir / "x.dcm") + " " + Quote(a));
    EXPECT_EQ(unknown.status, 2) << unknown.output;
    EXPECT_NE(unknown.output.find("unknown syntax 'jpeg-lossy'"), std::string::npos) << unknown.output;
}

// A folder of two series is listed in one line; --series picks one, ordered by Instance
// Number whatever the file names; a file that is no image is skipped and counted.
TEST(StitchCommand, FoldersGiveTheImagesOfOneSeries)
{
    const fs::path dir = testfiles::FreshDir("stitch_folders");
    const std::string tessor = TESSOR_APP_PATH;
    ASSERT_EQ(testfiles::RunShell(tessor + " sample --rows 60 --cols 40 --pieces 2 " + Quote(dir / "study")).status, 0);
    fs::rename(dir / "study" / "piece-1.dcm", dir / "study" / "z.dcm");  // path order is not stitching order
    std::ofstream(dir / "study" / "notes.txt") << "notes\n";
    const fs::path out = dir / "out.dcm";
    const ProcessRun one = Tessor("stitch --json -o " + Quote(out) + " " + Quote(dir / "study"));
    EXPECT_EQ(one.status, 0) << one.output;
    EXPECT_LT(one.output.find("z.dcm"), one.output.find("piece-2.dcm")) << one.output;
    // notes.txt and the sample's truth.json
    EXPECT_NE(one.output.find("tessor: skipped 2 files that hold no DICOM image\n"), std::string::npos);

    Image(dir / "study", "other-series.dcm", 60, 40, 16);
    fs::remove(out);
    const ProcessRun two = Tessor("stitch -o " + Quote(out) + " " + Quote(dir / "study"));
    EXPECT_EQ(two.status, 1) << two.output;
    EXPECT_NE(two.output.find("tessor: the input holds 2 series; choose one with --series N or UID: 1: "),
              std::string::npos)
        << two.output;
    EXPECT_FALSE(fs::exists(out));
    const ProcessRun chosen = Tessor("stitch --series 2 -o " + Quote(out) + " " + Quote(dir / "study"));
    EXPECT_EQ(chosen.status, 0) << chosen.output;
}

namespace {

// stdout only: stderr goes to `errors` (discarded when empty).
ProcessRun TessorStdout(const std::string& arguments, const fs::path& errors = "/dev/null")
{
    return testfiles::RunShell("(" + std::string(TESSOR_APP_PATH) + " " + arguments + " 2>" + Quote(errors) + ")");
}

nlohmann::json ReadJson(const std::string& text)
{
    return nlohmann::json::parse(text, nullptr, false);
}

}  // namespace

TEST(StitchCommand, AlignFindsTheSamplesTruthInEverySyntaxAndRepresentation)
{
    const struct {
        const char* options;
        unsigned seed;
    } studies[] = {
        {"--syntax raw", 3},
        {"--syntax jpeg-lossless --signed", 4},
        {"--syntax jpeg-ls --mono1", 5},
        {"--syntax rle --bits 8", 6},
    };
    int aligned = 0;
    for (const auto& study : studies) {
        SCOPED_TRACE(study.options);
        const fs::path dir = testfiles::FreshDir("stitch_align_" + std::to_string(study.seed));
        const ProcessRun made = Tessor("sample --rows 640 --cols 480 --pieces 3 --random-overlaps --shift 24 --gain 15 "
                                       "--noise 8 --seed " + std::to_string(study.seed) + " " + study.options + " " + Quote(dir));
        ASSERT_EQ(made.status, 0) << made.output;
        std::ifstream truthFile(dir / "truth.json");
        const nlohmann::json truth = nlohmann::json::parse(truthFile, nullptr, false);
        ASSERT_EQ(truth["junctions"].size(), 2u);
        const fs::path out = dir / "out.dcm";
        const ProcessRun run = TessorStdout("stitch --align --json -o " + Quote(out) + " " + Quote(dir / "piece-1.dcm") + " " +
                                            Quote(dir / "piece-2.dcm") + " " + Quote(dir / "piece-3.dcm"));
        ASSERT_EQ(run.status, 0) << run.output;
        const nlohmann::json found = ReadJson(run.output);
        ASSERT_EQ(found["junctions"].size(), 2u) << run.output;
        for (size_t j = 0; j < 2; ++j) {
            const nlohmann::json& junction = found["junctions"][j];
            // The sample's ribs repeat exactly: a rib-period rival may make a junction
            // ambiguous, which is refused; an aligned one must be right.
            EXPECT_NE(junction["aligned"].get<bool>(), junction.contains("reason")) << run.output;
            if (!junction["aligned"].get<bool>())
                continue;
            ++aligned;
            EXPECT_LE(std::abs(junction["offset"].get<int>() - truth["junctions"][j]["offset"].get<int>()), 1) << run.output;
            EXPECT_LE(std::abs(junction["dx"].get<int>() - truth["junctions"][j]["dx"].get<int>()), 1) << run.output;
            // The lower piece starts with the row after the upper piece's last one.
            EXPECT_EQ(found["images"][j + 1]["top"].get<int>() + junction["offset"].get<int>(),
                      found["images"][j]["bottom"].get<int>());
        }
        EXPECT_TRUE(fs::exists(out));
    }
    EXPECT_GE(aligned, 7);
}

TEST(StitchCommand, AJunctionNotAlignedIsNamedAndRequireAlignedWritesNothing)
{
    const fs::path dir = testfiles::FreshDir("stitch_align_flat");
    ASSERT_EQ(Tessor("sample --rows 640 --cols 480 --pieces 3 --random-overlaps --featureless 2 --seed 9 " + Quote(dir)).status, 0);
    const std::string files = Quote(dir / "piece-1.dcm") + " " + Quote(dir / "piece-2.dcm") + " " + Quote(dir / "piece-3.dcm");
    const fs::path out = dir / "out.dcm";
    const ProcessRun run = TessorStdout("stitch --align --json -o " + Quote(out) + " " + files, dir / "err.txt");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(out));
    const nlohmann::json found = ReadJson(run.output);
    ASSERT_EQ(found["junctions"].size(), 2u) << run.output;
    EXPECT_TRUE(found["junctions"][0]["aligned"].get<bool>());
    EXPECT_FALSE(found["junctions"][1]["aligned"].get<bool>());
    EXPECT_TRUE(found["junctions"][1].contains("reason"));
    std::ifstream errors(dir / "err.txt");
    const std::string stderrText((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stderrText, "tessor: junction 2: " + found["junctions"][1]["reason"].get<std::string>() + ", left as trimmed\n");

    const fs::path strict = dir / "strict.dcm";
    const ProcessRun refused = Tessor("stitch --align --require-aligned -o " + Quote(strict) + " " + files);
    EXPECT_EQ(refused.status, 3) << refused.output;
    EXPECT_FALSE(fs::exists(strict));
    EXPECT_NE(Tessor("stitch --require-aligned -o " + Quote(strict) + " " + files).status, 0);  // needs --align
    EXPECT_FALSE(fs::exists(strict));

    // Without --align the list is empty; --adjust still applies after Align.
    const ProcessRun plain = TessorStdout("stitch --auto --json -o " + Quote(dir / "auto.dcm") + " " + files);
    EXPECT_EQ(ReadJson(plain.output)["junctions"], nlohmann::json::array());
    const ProcessRun adjusted = TessorStdout("stitch --align --json --adjust 0:0,10,200 -o " + Quote(dir / "adj.dcm") + " " + files);
    const nlohmann::json first = ReadJson(adjusted.output)["images"][0];
    EXPECT_EQ(first["top"].get<int>(), 10);
    EXPECT_EQ(first["bottom"].get<int>(), 200);
}

namespace {

// The stored values a file decodes to, row by row, through the imaging layer.
std::vector<BYTE> DecodedPixels(const fs::path& path)
{
    LBitmap bitmap;
    if (bitmap.Load(path.c_str()) != SUCCESS)
        return {};
    return {bitmap.GetPixels(), bitmap.GetPixels() + size_t(bitmap.GetBytesPerLine()) * size_t(bitmap.GetHeight())};
}

}  // namespace

// JPEG 2000 lossless, chosen by option or by tessor.ini: signed 12-bit pieces come back
// exactly, through our decoder and through GDCM's, and the validator finds nothing new.
TEST(StitchCommand, Jpeg2000OutputByOptionOrSettingsDecodesExactly)
{
    const fs::path dir = testfiles::FreshDir("stitch_jpeg2000");
    ASSERT_EQ(Tessor("sample --rows 90 --cols 70 --pieces 2 --signed " + Quote(dir / "study")).status, 0);
    const std::string pieces = Quote(dir / "study" / "piece-1.dcm") + " " + Quote(dir / "study" / "piece-2.dcm");
    ASSERT_EQ(Tessor("stitch --auto -o " + Quote(dir / "raw.dcm") + " " + pieces).status, 0);
    const std::vector<BYTE> expected = DecodedPixels(dir / "raw.dcm");
    ASSERT_FALSE(expected.empty());

    fs::create_directories(dir / "profile");
    std::ofstream(dir / "profile" / "tessor.ini") << "[OUTPUT]\nSYNTAX=jpeg2000\n";
    const struct {
        const char* name;
        std::string command;
    } runs[] = {
        {"option.dcm", "stitch --auto --syntax jpeg2000 -o " + Quote(dir / "option.dcm") + " " + pieces},
        {"settings.dcm", "stitch --auto -o " + Quote(dir / "settings.dcm") + " " + pieces},
    };
    const bool haveGdcm = std::system("command -v gdcmconv >/dev/null 2>&1") == 0;
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        const fs::path out = dir / run.name;
        const ProcessRun stitched =
            testfiles::RunShell("env TESSOR_PROFILE_DIR=" + Quote(dir / "profile") + " " + TESSOR_APP_PATH + " " +
                                run.command);
        ASSERT_EQ(stitched.status, 0) << stitched.output;
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(ds.GetTransferSyntaxUID(), "1.2.840.10008.1.2.4.90");
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, dir / "study" / "piece-1.dcm"));
        EXPECT_TRUE(DecodedPixels(out) == expected);
        if (haveGdcm) {
            const fs::path gdcm = dir / (std::string("gdcm-") + run.name);
            ASSERT_EQ(std::system(("gdcmconv --raw " + Quote(out) + " " + Quote(gdcm)).c_str()), 0);
            EXPECT_TRUE(DecodedPixels(gdcm) == expected);
        }
    }
}
