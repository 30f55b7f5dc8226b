// Our JPEG-LS (CharLS) and JPEG 2000 (OpenJPEG) decoders behind LDicomDS::GetImage:
// stored values equal to an independent decoder's, and damaged or mismatching
// codestreams refused with a reason instead of decoded or aborting.
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/RawDicom.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kPixelData = 0x7FE00010;
constexpr const char* kJpegLsLossless = "1.2.840.10008.1.2.4.80";
constexpr const char* kJpeg2000Lossless = "1.2.840.10008.1.2.4.90";

struct Decoded {
    int code = FAILURE;
    std::string reason;
    int width = 0, height = 0, bitsPerPixel = 0;
    std::vector<BYTE> pixels;
};

// Frame `index` through GetImage, colour in DICOM order.
Decoded Decode(const fs::path& path, ULONG index = 0)
{
    Decoded result;
    LDicomDS ds;
    if ((result.code = ds.LoadDS(path.c_str(), 0)) != DICOM_SUCCESS) {
        result.reason = ds.GetLastError();
        return result;
    }
    LBitmap bitmap;
    result.code = ds.GetImage(ds.FindFirstElement(nullptr, kPixelData, FALSE), &bitmap, index, 0, ORDER_RGB, 0,
                              nullptr, nullptr);
    result.reason = ds.GetLastError();
    if (result.code == DICOM_SUCCESS) {
        result.width = bitmap.GetWidth();
        result.height = bitmap.GetHeight();
        result.bitsPerPixel = bitmap.GetBitsPerPixel();
        result.pixels.assign(bitmap.GetPixels(), bitmap.GetPixels() + size_t(bitmap.GetBytesPerLine()) * size_t(bitmap.GetHeight()));
    }
    return result;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The codestream of a single-fragment file: from `start` (SOI or SOC) to the last EOI.
std::string Codestream(const fs::path& path, const std::string& start)
{
    const std::string bytes = ReadBytes(path);
    const size_t first = bytes.find(start);
    const size_t end = bytes.rfind(std::string("\xFF\xD9", 2));
    if (first == std::string::npos || end == std::string::npos || end < first)
        return {};
    return bytes.substr(first, end + 2 - first);
}

// A file in `syntax` whose Pixel Data holds `fragments` (padded to even length) after an
// empty offset table.
void WriteEncapsulated(const fs::path& path, rawdicom::CDataSet header, const std::string& syntax,
                       const std::vector<std::string>& fragments)
{
    const auto put16 = [](std::string& s, unsigned v) { s += {char(v & 0xFF), char(v >> 8)}; };
    const auto put32 = [&](std::string& s, std::uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    std::string pixel;
    put16(pixel, 0x7FE0);
    put16(pixel, 0x0010);
    pixel += "OB";
    put16(pixel, 0);
    put32(pixel, 0xFFFFFFFF);
    const auto item = [&](std::uint16_t element, std::string value) {
        if (value.size() % 2)
            value += '\0';
        put16(pixel, 0xFFFE);
        put16(pixel, element);
        put32(pixel, std::uint32_t(value.size()));
        pixel += value;
    };
    item(0xE000, "");
    for (const std::string& fragment : fragments)
        item(0xE000, fragment);
    item(0xE0DD, "");

    rawdicom::CDataSet meta;
    meta.Element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
    meta.Text(0x0002, 0x0002, "UI", "1.2.840.10008.5.1.4.1.1.7");
    meta.Text(0x0002, 0x0003, "UI", "1.2.3.4.5");
    meta.Text(0x0002, 0x0010, "UI", syntax);
    rawdicom::CDataSet group;
    const std::uint32_t length = std::uint32_t(meta.Bytes().size());
    group.Element(0x0002, 0x0000, "UL", std::string{char(length & 0xFF), char((length >> 8) & 0xFF),
                                                    char((length >> 16) & 0xFF), char(length >> 24)});
    std::ofstream out(path, std::ios::binary);
    out << std::string(128, '\0') << "DICM" << group.Bytes() << meta.Bytes() << header.Bytes() << pixel;
}

rawdicom::CDataSet Header(int rows, int columns, int bitsAllocated, int bitsStored, int frames = 1)
{
    rawdicom::CDataSet header = rawdicom::ImageHeader(rows, columns, bitsAllocated, bitsStored, 1);
    if (frames > 1)
        header.Text(0x0028, 0x0008, "IS", std::to_string(frames));
    return header;
}

// Stored samples of a frame whose values run over the full signed or unsigned range of
// `bitsStored` bits, extremes included, written with every bit above High Bit set for
// negative values (sign-extended) and clear otherwise. Sizes odd on purpose.
std::string Samples(int rows, int columns, int bitsAllocated, int bitsStored, bool isSigned, int seed)
{
    const std::int64_t span = std::int64_t(1) << bitsStored;
    const std::int64_t low = isSigned ? -span / 2 : 0;
    std::string bytes;
    for (int i = 0; i < rows * columns; ++i) {
        std::int64_t value = low + (std::int64_t(i) * 7919 + seed * 104729 + (i % 5) * (span / 3)) % span;
        if (i == 0)
            value = low;  // the extremes
        else if (i == 1)
            value = low + span - 1;
        const auto raw = std::uint32_t(value);
        bytes += char(raw & 0xFF);
        if (bitsAllocated == 16)
            bytes += char((raw >> 8) & 0xFF);
    }
    return bytes;
}

// A grey image header in tag order; several frames make it a multi-frame object, which
// other toolkits insist on.
rawdicom::CDataSet GreyHeader(int rows, int columns, int bitsAllocated, int bitsStored, int highBit, bool isSigned,
                              int frames)
{
    rawdicom::CDataSet ds;
    const char* sopClass = frames == 1 ? "1.2.840.10008.5.1.4.1.1.7"
                           : bitsAllocated == 8 ? "1.2.840.10008.5.1.4.1.1.7.2"
                                                : "1.2.840.10008.5.1.4.1.1.7.3";
    ds.Text(0x0008, 0x0016, "UI", sopClass);
    ds.Text(0x0008, 0x0018, "UI", "1.2.3.4.5");
    ds.US(0x0028, 0x0002, 1);
    ds.Text(0x0028, 0x0004, "CS", "MONOCHROME2");
    if (frames > 1)
        ds.Text(0x0028, 0x0008, "IS", std::to_string(frames));
    ds.US(0x0028, 0x0010, std::uint16_t(rows));
    ds.US(0x0028, 0x0011, std::uint16_t(columns));
    ds.US(0x0028, 0x0100, std::uint16_t(bitsAllocated));
    ds.US(0x0028, 0x0101, std::uint16_t(bitsStored));
    ds.US(0x0028, 0x0102, std::uint16_t(highBit));
    ds.US(0x0028, 0x0103, isSigned ? 1 : 0);
    return ds;
}

#define REQUIRE_SAMPLE(var, name)                     \
    const fs::path var = testfiles::Pydicom(name);    \
    if (var.empty())                                  \
    GTEST_SKIP() << name << " (python3-pydicom) missing"

}  // namespace

TEST(Jpeg2000, StoredValuesEqualGdcmOnPydicomFiles)
{
    if (std::system("command -v gdcmconv >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gdcmconv (libgdcm-tools) missing";
    const fs::path dir = testfiles::FreshDir("codec_gdcm");
    int compared = 0;
    for (const char* name : {"693_J2KI.dcm", "GDCMJ2K_TextGBR.dcm", "J2K_pixelrep_mismatch.dcm", "JPEG2000.dcm",
                             "MR_small_jp2klossless.dcm", "SC_rgb_gdcm_KY.dcm"}) {
        const fs::path source = testfiles::Pydicom(name);
        if (source.empty())
            continue;
        const fs::path reference = dir / name;
        ASSERT_EQ(std::system(("gdcmconv --raw '" + source.string() + "' '" + reference.string() + "' >/dev/null 2>&1").c_str()), 0)
            << name;
        const Decoded ours = Decode(source);
        const Decoded theirs = Decode(reference);
        ASSERT_EQ(ours.code, DICOM_SUCCESS) << name << ": " << ours.reason;
        ASSERT_EQ(theirs.code, DICOM_SUCCESS) << name << ": " << theirs.reason;
        EXPECT_EQ(ours.width, theirs.width) << name;
        EXPECT_EQ(ours.height, theirs.height) << name;
        EXPECT_EQ(ours.bitsPerPixel, theirs.bitsPerPixel) << name;
        EXPECT_TRUE(ours.pixels == theirs.pixels) << name;
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no JPEG 2000 sample of python3-pydicom found";
}

TEST(JpegLs, PydicomLosslessFileEqualsItsUncompressedTwin)
{
    REQUIRE_SAMPLE(jpegLs, "MR_small_jpeg_ls_lossless.dcm");
    REQUIRE_SAMPLE(plain, "MR_small.dcm");
    const Decoded ours = Decode(jpegLs);
    ASSERT_EQ(ours.code, DICOM_SUCCESS) << ours.reason;
    const Decoded reference = Decode(plain);
    EXPECT_EQ(ours.bitsPerPixel, 16);
    EXPECT_TRUE(ours.pixels == reference.pixels);
}

TEST(JpegLs, NearLosslessEqualsDcmtksDecoder)
{
    // Unsigned 12-bit samples (DCMTK encodes near-lossless JPEG-LS only for unsigned data).
    const fs::path dir = testfiles::FreshDir("codec_near_lossless");
    const fs::path plain = dir / "plain.dcm";
    rawdicom::CDataSet data = rawdicom::ImageHeader(48, 67, 16, 12, 0);
    std::string samples;
    for (int row = 0; row < 48; ++row)
        for (int column = 0; column < 67; ++column) {
            const int value = (row * 61 + column * 37 + (row * column) % 23 * 50) & 0xFFF;
            samples += {char(value & 0xFF), char(value >> 8)};
        }
    data.Element(0x7FE0, 0x0010, "OW", samples);
    rawdicom::WriteFile(plain, data);
    const fs::path lossy = dir / "near.dcm";
    const fs::path dcmtk = dir / "near_dcmtk.dcm";
    ASSERT_EQ(std::system(("dcmcjpls +en +md 3 '" + plain.string() + "' '" + lossy.string() + "'").c_str()), 0);
    ASSERT_EQ(std::system(("dcmdjpls '" + lossy.string() + "' '" + dcmtk.string() + "'").c_str()), 0);
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(lossy.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ds.GetTransferSyntaxUID(), "1.2.840.10008.1.2.4.81");
    const Decoded ours = Decode(lossy);
    ASSERT_EQ(ours.code, DICOM_SUCCESS) << ours.reason;
    EXPECT_TRUE(ours.pixels == Decode(dcmtk).pixels);
    EXPECT_FALSE(ours.pixels == Decode(plain).pixels);  // it is lossy
}

TEST(JpegLs, ColourInEveryInterleaveModeEqualsTheSource)
{
    REQUIRE_SAMPLE(plain, "SC_rgb_small_odd.dcm");
    const Decoded reference = Decode(plain);
    ASSERT_EQ(reference.code, DICOM_SUCCESS) << reference.reason;
    ASSERT_EQ(reference.bitsPerPixel, 24);
    const fs::path dir = testfiles::FreshDir("codec_colour");
    for (const char* mode : {"+in", "+il", "+is"}) {
        const fs::path encoded = dir / (std::string(mode + 1) + ".dcm");
        ASSERT_EQ(std::system(("dcmcjpls " + std::string(mode) + " '" + plain.string() + "' '" + encoded.string() + "'").c_str()), 0);
        const Decoded ours = Decode(encoded);
        ASSERT_EQ(ours.code, DICOM_SUCCESS) << mode << ": " << ours.reason;
        EXPECT_EQ(ours.bitsPerPixel, 24) << mode;
        EXPECT_TRUE(ours.pixels == reference.pixels) << mode;
    }
}

TEST(JpegLs, DecodesFramesHeldInMemorySplitOrMultiple)
{
    REQUIRE_SAMPLE(jpegLs, "MR_small_jpeg_ls_lossless.dcm");
    REQUIRE_SAMPLE(plain, "MR_small.dcm");
    const std::vector<BYTE> reference = Decode(plain).pixels;
    const std::string stream = Codestream(jpegLs, std::string("\xFF\xD8\xFF\xF7", 4));
    ASSERT_GT(stream.size(), 100u);
    const fs::path dir = testfiles::FreshDir("codec_fragments");

    // One frame over three fragments.
    const size_t third = stream.size() / 3;
    WriteEncapsulated(dir / "split.dcm", Header(64, 64, 16, 16), kJpegLsLossless,
                      {stream.substr(0, third), stream.substr(third, third), stream.substr(2 * third)});
    EXPECT_TRUE(Decode(dir / "split.dcm").pixels == reference);

    // Two frames, one fragment each: frame 1 is found without an offset table.
    WriteEncapsulated(dir / "two.dcm", Header(64, 64, 16, 16, 2), kJpegLsLossless, {stream, stream});
    EXPECT_TRUE(Decode(dir / "two.dcm", 1).pixels == reference);

    // Freshly encoded in memory (both representations held), then decoded.
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(plain.c_str(), 0), DICOM_SUCCESS);
    ASSERT_EQ(ds.ChangeTransferSyntax(kJpegLsLossless, 0, 0), DICOM_SUCCESS) << ds.GetLastError();
    LBitmap bitmap;
    ASSERT_EQ(ds.GetImage(ds.FindFirstElement(nullptr, kPixelData, FALSE), &bitmap, 0, 0, ORDER_RGB, 0, nullptr,
                          nullptr),
              DICOM_SUCCESS)
        << ds.GetLastError();
    EXPECT_TRUE(std::vector<BYTE>(bitmap.GetPixels(), bitmap.GetPixels() + reference.size()) == reference);
}

TEST(Codecs, CodestreamsThatContradictTheDataSetAreRefused)
{
    REQUIRE_SAMPLE(jpegLs, "MR_small_jpeg_ls_lossless.dcm");
    REQUIRE_SAMPLE(jpeg2000, "MR_small_jp2klossless.dcm");
    const std::string ls = Codestream(jpegLs, std::string("\xFF\xD8\xFF\xF7", 4));
    const std::string j2k = Codestream(jpeg2000, std::string("\xFF\x4F\xFF\x51", 4));
    ASSERT_FALSE(ls.empty());
    ASSERT_FALSE(j2k.empty());
    const fs::path dir = testfiles::FreshDir("codec_mismatch");
    struct Case {
        const char* file;
        const std::string* stream;
        const char* syntax;
        rawdicom::CDataSet header;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"ls_rows.dcm", &ls, kJpegLsLossless, Header(32, 64, 16, 16), "the JPEG-LS frame is 64 x 64, the data set says 64 x 32"},
        {"ls_bits.dcm", &ls, kJpegLsLossless, Header(64, 64, 8, 8), "JPEG-LS samples of 16 bits do not fit Bits Allocated 8"},
        {"ls_columns.dcm", &ls, kJpegLsLossless, Header(64, 65535, 16, 16), "the data set says 65535 x 64"},
        {"j2k_rows.dcm", &j2k, kJpeg2000Lossless, Header(64, 63, 16, 16), "the JPEG 2000 frame is 64 x 64, the data set says 63 x 64"},
        {"j2k_bits.dcm", &j2k, kJpeg2000Lossless, Header(64, 64, 8, 8), "do not fit Bits Allocated 8"},
    };
    for (const Case& c : cases) {
        WriteEncapsulated(dir / c.file, c.header, c.syntax, {*c.stream});
        const Decoded result = Decode(dir / c.file);
        EXPECT_EQ(result.code, ERROR_FILE_FORMAT) << c.file;
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << c.file << ": " << result.reason;
    }
}

TEST(Codecs, DamagedCodestreamsFailWithAReason)
{
    REQUIRE_SAMPLE(jpegLs, "MR_small_jpeg_ls_lossless.dcm");
    REQUIRE_SAMPLE(jpeg2000, "MR_small_jp2klossless.dcm");
    const fs::path dir = testfiles::FreshDir("codec_damaged");
    for (const auto& [stream, syntax, name] :
         {std::tuple{Codestream(jpegLs, std::string("\xFF\xD8\xFF\xF7", 4)), kJpegLsLossless, "JPEG-LS"},
          std::tuple{Codestream(jpeg2000, std::string("\xFF\x4F\xFF\x51", 4)), kJpeg2000Lossless, "JPEG 2000"}}) {
        ASSERT_FALSE(stream.empty());
        const std::string label = name;
        // Cut in the middle of the entropy-coded data, and cut inside the header.
        WriteEncapsulated(dir / "half.dcm", Header(64, 64, 16, 16), syntax, {stream.substr(0, stream.size() / 2)});
        Decoded result = Decode(dir / "half.dcm");
        EXPECT_EQ(result.code, ERROR_FILE_FORMAT) << label;
        EXPECT_NE(result.reason.find(label), std::string::npos) << result.reason;
        WriteEncapsulated(dir / "header.dcm", Header(64, 64, 16, 16), syntax, {stream.substr(0, 12)});
        result = Decode(dir / "header.dcm");
        EXPECT_EQ(result.code, ERROR_FILE_FORMAT) << label;
        EXPECT_NE(result.reason.find(label), std::string::npos) << result.reason;
        // Entropy-coded bytes overwritten, ends intact: decoded or refused, in no time.
        std::string scrambled = stream;
        for (size_t i = scrambled.size() / 3; i < scrambled.size() / 2; i += 7)
            scrambled[i] = char(0xFF - scrambled[i]);
        WriteEncapsulated(dir / "scrambled.dcm", Header(64, 64, 16, 16), syntax, {scrambled});
        result = Decode(dir / "scrambled.dcm");
        EXPECT_TRUE(result.code == DICOM_SUCCESS || result.code == ERROR_FILE_FORMAT) << label;
        // Not a codestream at all.
        WriteEncapsulated(dir / "text.dcm", Header(64, 64, 16, 16), syntax, {"no image in here"});
        EXPECT_EQ(Decode(dir / "text.dcm").code, ERROR_FILE_FORMAT) << label;
    }
    // An encapsulated Pixel Data element without a single fragment.
    WriteEncapsulated(dir / "empty.dcm", Header(64, 64, 16, 16), kJpegLsLossless, {});
    const Decoded empty = Decode(dir / "empty.dcm");
    EXPECT_NE(empty.code, DICOM_SUCCESS);
    EXPECT_FALSE(empty.reason.empty());
}

TEST(Jpeg2000, LosslessEncodingDecodesExactlyHereAndInGdcm)
{
    const bool haveGdcm = std::system("command -v gdcmconv >/dev/null 2>&1") == 0;
    const fs::path dir = testfiles::FreshDir("codec_j2k_encode");
    struct Case {
        int rows, columns, bitsAllocated, bitsStored;
        bool isSigned;
        int frames;
    };
    const std::vector<Case> cases = {
        {37, 53, 8, 8, false, 1},   {37, 53, 8, 8, true, 1},    {37, 53, 8, 7, false, 1},
        {41, 29, 16, 10, false, 1}, {41, 29, 16, 12, false, 1}, {41, 29, 16, 12, true, 1},
        {41, 29, 16, 14, true, 1},  {41, 29, 16, 16, false, 1}, {41, 29, 16, 16, true, 1},
        {1, 1, 16, 12, true, 1},    {300, 3, 16, 16, false, 1}, {19, 23, 16, 12, true, 3},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.bitsAllocated) + "_" + std::to_string(c.bitsStored) +
                                 (c.isSigned ? "s_" : "u_") + std::to_string(c.rows) + "x" +
                                 std::to_string(c.columns) + "x" + std::to_string(c.frames);
        SCOPED_TRACE(name);
        const fs::path plain = dir / (name + ".dcm");
        rawdicom::CDataSet data =
            GreyHeader(c.rows, c.columns, c.bitsAllocated, c.bitsStored, c.bitsStored - 1, c.isSigned, c.frames);
        std::string samples;
        for (int f = 0; f < c.frames; ++f)
            samples += Samples(c.rows, c.columns, c.bitsAllocated, c.bitsStored, c.isSigned, f);
        data.Element(0x7FE0, 0x0010, c.bitsAllocated == 16 ? "OW" : "OB", samples);
        rawdicom::WriteFile(plain, data);

        LDicomDS ds;
        ASSERT_EQ(ds.LoadDS(plain.c_str(), 0), DICOM_SUCCESS);
        ASSERT_EQ(ds.ChangeTransferSyntax(kJpeg2000Lossless, 0, 0), DICOM_SUCCESS) << ds.GetLastError();
        const fs::path encoded = dir / (name + ".j2k.dcm");
        ASSERT_EQ(ds.SaveDS(encoded.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
        LDicomDS back;
        ASSERT_EQ(back.LoadDS(encoded.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(back.GetTransferSyntaxUID(), kJpeg2000Lossless);
        const fs::path independent = dir / (name + ".gdcm.dcm");
        if (haveGdcm) {
            ASSERT_EQ(std::system(("gdcmconv --raw '" + encoded.string() + "' '" + independent.string() + "'").c_str()), 0);
        }
        for (int f = 0; f < c.frames; ++f) {
            const Decoded reference = Decode(plain, ULONG(f));
            ASSERT_EQ(reference.code, DICOM_SUCCESS) << reference.reason;
            const Decoded ours = Decode(encoded, ULONG(f));
            ASSERT_EQ(ours.code, DICOM_SUCCESS) << "frame " << f << ": " << ours.reason;
            EXPECT_TRUE(ours.pixels == reference.pixels) << "frame " << f;
            if (haveGdcm) {
                EXPECT_TRUE(Decode(independent, ULONG(f)).pixels == reference.pixels) << "gdcm, frame " << f;
            }
        }
    }
    if (!haveGdcm)
        GTEST_SKIP() << "gdcmconv (libgdcm-tools) missing: decoded by our decoder only";
}

TEST(Jpeg2000, EncodedPydicomFilesPassTheValidatorAndRefuseOddLayouts)
{
    const fs::path dir = testfiles::FreshDir("codec_j2k_validate");
    int validated = 0;
    for (const char* name : {"MR_small.dcm", "CT_small.dcm", "SC_rgb_small_odd.dcm"}) {
        const fs::path source = testfiles::Pydicom(name);
        if (source.empty())
            continue;
        SCOPED_TRACE(name);
        LDicomDS ds;
        ASSERT_EQ(ds.LoadDS(source.c_str(), 0), DICOM_SUCCESS);
        ASSERT_EQ(ds.ChangeTransferSyntax(kJpeg2000Lossless, 0, 0), DICOM_SUCCESS) << ds.GetLastError();
        const fs::path encoded = dir / name;
        ASSERT_EQ(ds.SaveDS(encoded.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(encoded, source));
        EXPECT_TRUE(Decode(encoded).pixels == Decode(source).pixels);
        ++validated;
    }
    // High Bit not one below Bits Stored: the samples would not mean the same once encoded.
    rawdicom::CDataSet shifted = GreyHeader(2, 2, 16, 12, 15, false, 1);
    shifted.Element(0x7FE0, 0x0010, "OW", std::string(8, '\x10'));
    rawdicom::WriteFile(dir / "shifted.dcm", shifted);
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS((dir / "shifted.dcm").c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ds.ChangeTransferSyntax(kJpeg2000Lossless, 0, 0), ERROR_FEATURE_NOT_SUPPORTED);
    EXPECT_EQ(ds.GetLastError(), "cannot change the transfer syntax to JPEG 2000 (lossless): JPEG 2000 needs High "
                                 "Bit one below Bits Stored within Bits Allocated (Bits Stored 12, High Bit 15)");
    if (validated == 0)
        GTEST_SKIP() << "no sample of python3-pydicom found";
}
