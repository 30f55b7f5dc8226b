// LDicomDS over real files (pydicom's samples, DCMTK-compressed variants) and
// hand-made malformed ones.
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "tests/support/RawDicom.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kRows = 0x00280010;
constexpr DWORD kPixelData = 0x7FE00010;

#define REQUIRE_SAMPLE(name)                                  \
    const fs::path sample = testfiles::Pydicom(name);         \
    if (sample.empty())                                       \
        GTEST_SKIP() << name << " (python3-pydicom) missing"

// Frame 0's stored values through GetImage's band callback.
std::vector<BYTE> DecodeRows(const fs::path& path, std::string* reason = nullptr, UINT loadFlags = 0)
{
    LDicomDS ds;
    struct Collected {
        std::vector<BYTE> rows;
        size_t rowBytes = 0;
    } collected;
    if (ds.LoadDS(path.c_str(), loadFlags) != DICOM_SUCCESS) {
        if (reason)
            *reason = ds.GetLastError();
        return {};
    }
    pDICOMELEMENT pixels = ds.FindFirstElement(nullptr, kPixelData, FALSE);
    DICOMIMAGE info;
    if (ds.GetInfoImage(pixels, &info, 0) != DICOM_SUCCESS)
        return {};
    collected.rowBytes = size_t(info.nColumns) * size_t(info.nSamplesPerPixel) * size_t(info.nBitsAllocated / 8);
    const auto collect = [](const BYTE* band, UINT, int, int count, void* user) {
        auto& out = *static_cast<Collected*>(user);
        out.rows.insert(out.rows.end(), band, band + size_t(count) * out.rowBytes);
        return 1;
    };
    LBitmap bitmap;
    if (ds.GetImage(pixels, &bitmap, 0, 0, ORDER_BGRORGRAY, 0, collect, &collected) != DICOM_SUCCESS && reason)
        *reason = ds.GetLastError();
    return collected.rows;
}

int RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::string Text(LDicomDS& ds, DWORD tag, BOOL tree = TRUE)
{
    const char* value = ds.GetStringValue(ds.FindFirstElement(nullptr, tag, tree), 0, 1);
    return value ? value : "<null>";
}

}  // namespace

TEST(DicomDataSet, ReadsElementsOfTheCtSample)
{
    REQUIRE_SAMPLE("CT_small.dcm");
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
    EXPECT_EQ(Text(ds, 0x00100010), "CompressedSamples^CT1");
    EXPECT_EQ(Text(ds, 0x00080060), "CT");
    EXPECT_EQ(*ds.GetShortValue(ds.FindFirstElement(nullptr, kRows, TRUE), 0, 1), 128);
    EXPECT_EQ(*ds.GetShortValue(ds.FindFirstElement(nullptr, 0x00280103, TRUE), 0, 1), 1);
    EXPECT_EQ(*ds.GetShortValue(ds.FindFirstElement(nullptr, 0x00280120, TRUE), 0, 1), -2000);
    EXPECT_EQ(*ds.GetDoubleValue(ds.FindFirstElement(nullptr, 0x00281052, TRUE), 0, 1), -1024.0);
    EXPECT_EQ(*ds.GetLongValue(ds.FindFirstElement(nullptr, 0x00200013, TRUE), 0, 1), 1);
    const double* spacing = ds.GetDoubleValue(ds.FindFirstElement(nullptr, 0x00280030, TRUE), 0, 2);
    ASSERT_NE(spacing, nullptr);
    EXPECT_DOUBLE_EQ(spacing[0], 0.661468);
    EXPECT_DOUBLE_EQ(spacing[1], 0.661468);
    EXPECT_EQ(Text(ds, 0x00020010), "1.2.840.10008.1.2.1");
    EXPECT_EQ(*ds.GetLongValue(ds.FindFirstElement(nullptr, 0x00181151, FALSE), 0, 1), 170);
    EXPECT_EQ(ds.FindFirstElement(nullptr, 0x00281050, TRUE), nullptr);

    DICOMIMAGE info;
    ASSERT_EQ(ds.GetInfoImage(ds.FindFirstElement(nullptr, kPixelData, FALSE), &info, 0), DICOM_SUCCESS);
    EXPECT_EQ(info.nRows, 128);
    EXPECT_EQ(info.nColumns, 128);
    EXPECT_EQ(info.nBitsAllocated, 16);
    EXPECT_EQ(info.nSamplesPerPixel, 1);
    EXPECT_EQ(info.nPixelRepresentation, 1);
    EXPECT_EQ(info.nPhotometric, DICOM_PHOTOMETRIC_MONOCHROME2);
    EXPECT_FALSE(info.bCompressed);
}

TEST(DicomDataSet, EveryTransferSyntaxYieldsTheSameStoredValues)
{
    REQUIRE_SAMPLE("MR_small.dcm");
    const std::vector<BYTE> reference = DecodeRows(sample);
    ASSERT_EQ(reference.size(), 64u * 64u * 2u);
    LDicomDS raw;
    ASSERT_EQ(raw.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    std::vector<BYTE> bytes(reference.size());
    ASSERT_TRUE(raw.GetBinaryValue(raw.FindFirstElement(nullptr, kPixelData, FALSE), bytes.data(), ULONG(bytes.size())));
    EXPECT_EQ(bytes, reference);

    std::vector<fs::path> variants;
    for (const char* name : {"MR_small_implicit.dcm", "MR_small_bigendian.dcm", "MR_small_RLE.dcm",
                             "MR_small_jpeg_ls_lossless.dcm", "MR_small_padded.dcm"})
        variants.push_back(testfiles::Pydicom(name));
    const fs::path dir = testfiles::FreshDir("dicomds_syntaxes");
    const std::string in = sample.string();
    ASSERT_EQ(RunTool("dcmcjpeg --encode-lossless-sv1 " + in + " " + (dir / "sv1.dcm").string()), 0);
    ASSERT_EQ(RunTool("dcmcjpls --encode-lossless " + in + " " + (dir / "jls.dcm").string()), 0);
    ASSERT_EQ(RunTool("dcmcrle " + in + " " + (dir / "rle.dcm").string()), 0);
    for (const char* name : {"sv1.dcm", "jls.dcm", "rle.dcm"})
        variants.push_back(dir / name);
    for (const fs::path& variant : variants) {
        std::string reason;
        EXPECT_EQ(DecodeRows(variant, &reason), reference) << variant << ": " << reason;
        // The same with the Pixel Data read from the file only when the frame is decoded.
        EXPECT_EQ(DecodeRows(variant, &reason, LOADDS_PIXEL_DATA_ON_DEMAND), reference) << variant << ": " << reason;
    }

    // Big-endian source: GetBinaryValue gives the values, not the file's byte order.
    LDicomDS bigEndian;
    ASSERT_EQ(bigEndian.LoadDS(testfiles::Pydicom("MR_small_bigendian.dcm").c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(bigEndian.GetTransferSyntaxUID(), "1.2.840.10008.1.2.2");
    ASSERT_TRUE(bigEndian.GetBinaryValue(bigEndian.FindFirstElement(nullptr, kPixelData, FALSE), bytes.data(),
                                         ULONG(bytes.size())));
    EXPECT_EQ(bytes, reference);
    // The same bytes in place.
    const BYTE* inPlace = bigEndian.GetBinaryValueData(bigEndian.FindFirstElement(nullptr, kPixelData, FALSE),
                                                       ULONG(bytes.size()));
    ASSERT_NE(inPlace, nullptr);
    EXPECT_EQ(std::vector<BYTE>(inPlace, inPlace + bytes.size()), reference);
    // Parts of it, also read from the file with the value left there.
    LDicomDS onDemand;
    ASSERT_EQ(onDemand.LoadDS(testfiles::Pydicom("MR_small_bigendian.dcm").c_str(), LOADDS_PIXEL_DATA_ON_DEMAND),
              DICOM_SUCCESS);
    for (LDicomDS* ds : {&bigEndian, &onDemand}) {
        pDICOMELEMENT element = ds->FindFirstElement(nullptr, kPixelData, FALSE);
        std::vector<BYTE> part(200);
        ASSERT_TRUE(ds->GetBinaryValuePart(element, 1000, part.data(), 200)) << ds->GetLastError();
        EXPECT_EQ(part, std::vector<BYTE>(reference.begin() + 1000, reference.begin() + 1200));
        EXPECT_FALSE(ds->GetBinaryValuePart(element, ULONG(reference.size()) - 2, part.data(), 4));
    }
}

TEST(DicomDataSet, ChangesTransferSyntaxBothWays)
{
    REQUIRE_SAMPLE("MR_small.dcm");
    const std::vector<BYTE> reference = DecodeRows(sample);
    const fs::path dir = testfiles::FreshDir("dicomds_change");
    for (const char* uid : {"1.2.840.10008.1.2.4.70", "1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.5"}) {
        LDicomDS ds;
        ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
        ASSERT_EQ(ds.ChangeTransferSyntax(uid, 0, 0), DICOM_SUCCESS) << uid << ": " << ds.GetLastError();
        const fs::path compressed = dir / (std::string(uid) + ".dcm");
        ASSERT_EQ(ds.SaveDS(compressed.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(compressed, sample));

        LDicomDS back;
        ASSERT_EQ(back.LoadDS(compressed.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(back.GetTransferSyntaxUID(), uid);
        EXPECT_EQ(Text(back, 0x00020010), uid);
        DICOMIMAGE info;
        ASSERT_EQ(back.GetInfoImage(back.FindFirstElement(nullptr, kPixelData, FALSE), &info, 0), DICOM_SUCCESS);
        EXPECT_TRUE(info.bCompressed);
        EXPECT_EQ(DecodeRows(compressed), reference) << uid;
        // Compressed pixel data has no raw value to hand out.
        BYTE byte = 0;
        EXPECT_FALSE(back.GetBinaryValue(back.FindFirstElement(nullptr, kPixelData, FALSE), &byte, 1));
        EXPECT_EQ(back.GetBinaryValueData(back.FindFirstElement(nullptr, kPixelData, FALSE), 1), nullptr);

        ASSERT_EQ(back.ChangeTransferSyntax("1.2.840.10008.1.2.1", 0, 0), DICOM_SUCCESS) << back.GetLastError();
        std::vector<BYTE> bytes(reference.size());
        ASSERT_TRUE(back.GetBinaryValue(back.FindFirstElement(nullptr, kPixelData, FALSE), bytes.data(),
                                        ULONG(bytes.size())));
        EXPECT_EQ(bytes, reference) << uid;
        const fs::path plain = dir / (std::string(uid) + ".plain.dcm");
        ASSERT_EQ(back.SaveDS(plain.c_str(), 0), DICOM_SUCCESS);
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(plain, sample));
        LDicomDS again;
        ASSERT_EQ(again.LoadDS(plain.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(again.GetTransferSyntaxUID(), "1.2.840.10008.1.2.1");
    }
    LDicomDS ds;
    EXPECT_EQ(ds.ChangeTransferSyntax("1.2.840.10008.1.2.4.50", 0, 0), ERROR_FEATURE_NOT_SUPPORTED);
    EXPECT_EQ(ds.ChangeTransferSyntax("9.9.9", 0, 0), ERROR_INV_PARAMETER);
}

TEST(DicomDataSet, EncodesSignedSamplesBelowSixteenBits)
{
    // Sign-extended 12-bit samples: the encoders must see 12-bit samples only.
    const fs::path dir = testfiles::FreshDir("dicomds_signed_encode");
    rawdicom::CDataSet data = rawdicom::ImageHeader(2, 4, 16, 12, 1);
    data.Element(0x7FE0, 0x0010, "OW", std::string("\x00\xF8\xFF\xFF\x05\x00\xFF\x07"
                                                   "\xFB\xFF\x00\x00\x10\x00\x01\xF8", 16));
    rawdicom::WriteFile(dir / "signed.dcm", data);
    const std::vector<BYTE> reference = DecodeRows(dir / "signed.dcm");
    ASSERT_EQ(reference.size(), 16u);
    for (const char* uid : {"1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.4.70", "1.2.840.10008.1.2.5"}) {
        LDicomDS ds;
        ASSERT_EQ(ds.LoadDS((dir / "signed.dcm").c_str(), 0), DICOM_SUCCESS);
        ASSERT_EQ(ds.ChangeTransferSyntax(uid, 0, 0), DICOM_SUCCESS) << uid << ": " << ds.GetLastError();
        const fs::path out = dir / (std::string(uid) + ".dcm");
        ASSERT_EQ(ds.SaveDS(out.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(DecodeRows(out), reference) << uid;
    }
}

TEST(DicomDataSet, LoadFailuresCarryAReason)
{
    const fs::path dir = testfiles::FreshDir("dicomds_failures");
    LDicomDS ds;
    EXPECT_EQ(ds.LoadDS((dir / "missing.dcm").c_str(), 0), ERROR_FILE_OPEN);
    EXPECT_NE(ds.GetLastError().find("does not exist"), std::string::npos);
    EXPECT_EQ(ds.LoadDS(dir.c_str(), 0), ERROR_FILE_OPEN);
    EXPECT_NE(ds.GetLastError().find("folder"), std::string::npos);
    std::ofstream(dir / "empty.dcm").close();
    EXPECT_EQ(ds.LoadDS((dir / "empty.dcm").c_str(), 0), ERROR_FILE_FORMAT);
    EXPECT_NE(ds.GetLastError().find("empty"), std::string::npos);
    std::ofstream(dir / "text.dcm") << "This is a plain text file, certainly not a DICOM data set.\n";
    EXPECT_EQ(ds.LoadDS((dir / "text.dcm").c_str(), 0), ERROR_FILE_FORMAT);
    EXPECT_FALSE(ds.GetLastError().empty());

    const fs::path truncated = testfiles::Pydicom("MR_truncated.dcm");
    if (!truncated.empty()) {
        EXPECT_EQ(ds.LoadDS(truncated.c_str(), 0), ERROR_FILE_FORMAT);
        EXPECT_NE(ds.GetLastError().find("not a readable DICOM file"), std::string::npos);
    }
    // A JPEG 2000 frame whose codestream is broken by an embedded sequence delimiter.
    const fs::path jpeg2000 = testfiles::Pydicom("JPEG2000-embedded-sequence-delimiter.dcm");
    if (!jpeg2000.empty()) {
        std::string reason;
        EXPECT_TRUE(DecodeRows(jpeg2000, &reason).empty());
        // The broken stream's size segment no longer matches the data set.
        EXPECT_EQ(reason, "the JPEG 2000 frame is 3722445056 x 1024, the data set says 256 x 1024");
    }
}

TEST(DicomDataSet, MalformedPixelDataFailsCleanly)
{
    const fs::path dir = testfiles::FreshDir("dicomds_malformed");
    const auto decode = [](const fs::path& path, std::string& reason) {
        LDicomDS ds;
        if (ds.LoadDS(path.c_str(), 0) != DICOM_SUCCESS) {
            reason = ds.GetLastError();
            return ERROR_FILE_FORMAT;
        }
        LBitmap bitmap;
        const int code = ds.GetImage(ds.FindFirstElement(nullptr, kPixelData, FALSE), &bitmap, 0, 0, 4, 0,
                                     nullptr, nullptr);
        reason = ds.GetLastError();
        return code;
    };
    std::string reason;

    rawdicom::CDataSet shortData = rawdicom::ImageHeader(4, 4, 16, 16, 0);
    shortData.Element(0x7FE0, 0x0010, "OW", std::string(30, '\x01'));
    rawdicom::WriteFile(dir / "short.dcm", shortData);
    EXPECT_EQ(decode(dir / "short.dcm", reason), ERROR_FILE_FORMAT);
    EXPECT_NE(reason.find("holds 30 bytes"), std::string::npos) << reason;

    rawdicom::CDataSet oddData = rawdicom::ImageHeader(4, 4, 16, 16, 0);
    oddData.Element(0x7FE0, 0x0010, "OW", std::string(33, '\x01'));
    rawdicom::WriteFile(dir / "odd.dcm", oddData);
    EXPECT_NE(decode(dir / "odd.dcm", reason), DICOM_SUCCESS);
    EXPECT_FALSE(reason.empty());

    rawdicom::CDataSet huge = rawdicom::ImageHeader(65535, 65535, 32, 32, 0);
    huge.Element(0x7FE0, 0x0010, "OW", std::string(64, '\0'));
    rawdicom::WriteFile(dir / "huge.dcm", huge);
    EXPECT_EQ(decode(dir / "huge.dcm", reason), ERROR_NO_MEMORY);
    EXPECT_NE(reason.find("2 GiB"), std::string::npos) << reason;

    LBitmap bitmap;
    EXPECT_EQ(bitmap.Load((dir / "short.dcm").c_str()), ERROR_FILE_FORMAT);
    EXPECT_FALSE(bitmap.IsAllocated());
    BYTE buffer[32];
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS((dir / "short.dcm").c_str(), 0), DICOM_SUCCESS);
    EXPECT_FALSE(ds.GetBinaryValue(ds.FindFirstElement(nullptr, kPixelData, FALSE), buffer, sizeof buffer));
    EXPECT_EQ(ds.GetBinaryValueData(ds.FindFirstElement(nullptr, kPixelData, FALSE), sizeof buffer), nullptr);
}

TEST(DicomDataSet, NormalisesSamplesToTheirHighBit)
{
    const fs::path dir = testfiles::FreshDir("dicomds_highbit");
    // 12 bits stored in 16: garbage above bit 11, one negative and one positive value.
    const std::string values("\x01\xF8\x05\x00\xFF\x7F\x23\xF1", 8);
    for (const int pixelRepresentation : {1, 0}) {
        rawdicom::CDataSet data = rawdicom::ImageHeader(1, 4, 16, 12, pixelRepresentation);
        data.Element(0x7FE0, 0x0010, "OW", values);
        const fs::path path = dir / ("pr" + std::to_string(pixelRepresentation) + ".dcm");
        rawdicom::WriteFile(path, data);
        LBitmap bitmap;
        ASSERT_EQ(bitmap.Load(path.c_str()), SUCCESS) << bitmap.GetLastError();
        std::vector<std::int16_t> got(4);
        std::memcpy(got.data(), bitmap.GetPixels(), 8);
        if (pixelRepresentation == 1)
            EXPECT_EQ(got, (std::vector<std::int16_t>{-2047, 5, -1, 0x123}));
        else
            EXPECT_EQ(got, (std::vector<std::int16_t>{0x801, 5, 0xFFF, 0x123}));
        EXPECT_EQ(bitmap.IsSigned(), pixelRepresentation == 1);
    }
}

TEST(DicomDataSet, WrittenFileReadsBack)
{
    REQUIRE_SAMPLE("CT_small.dcm");
    const fs::path dir = testfiles::FreshDir("dicomds_write");
    const fs::path out = dir / "out.dcm";
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    ASSERT_EQ(ds.DeleteElement(ds.FindFirstElement(nullptr, 0x00081090, FALSE)), DICOM_SUCCESS);
    pDICOMELEMENT model = ds.InsertElement(nullptr, 0, 0x00081090, 0, 0, 0);
    ASSERT_NE(model, nullptr) << ds.GetLastError();
    EXPECT_EQ(ds.InsertElement(nullptr, 0, 0x00081090, 0, 0, 0), nullptr);  // already there
    EXPECT_TRUE(ds.SetStringValue(model, "KORVANTE", 1));
    EXPECT_TRUE(ds.SetStringValue(ds.FindFirstElement(nullptr, 0x00080018, FALSE), "1.2.3.4.99", 1));
    const short rows = short(40000 - 65536);
    EXPECT_TRUE(ds.SetShortValue(ds.FindFirstElement(nullptr, kRows, FALSE), &rows, 1));
    const LONG instance = 12;
    EXPECT_TRUE(ds.SetLongValue(ds.FindFirstElement(nullptr, 0x00200013, FALSE), &instance, 1));
    const VALUEDATE date{2024, 2, 29};
    pDICOMELEMENT contentDate = ds.FindFirstElement(nullptr, 0x00080023, FALSE);
    EXPECT_TRUE(ds.SetDateValue(contentDate, &date, 1));
    const VALUEDATE notADate{2023, 2, 29};
    EXPECT_FALSE(ds.SetDateValue(contentDate, &notADate, 1));
    const VALUETIME time{13, 5, 9, 250000};
    EXPECT_TRUE(ds.SetTimeValue(ds.FindFirstElement(nullptr, 0x00080033, FALSE), &time, 1));
    const double width = 2500.0;
    pDICOMELEMENT windowWidth = ds.InsertElement(nullptr, 0, 0x00281051, 0, 0, 0);
    EXPECT_TRUE(ds.SetDoubleValue(windowWidth, &width, 1));
    EXPECT_EQ(ds.DeleteElement(ds.FindFirstElement(nullptr, 0x00281052, FALSE)), DICOM_SUCCESS);
    // Ambiguous dictionary VR: signed data gives SS.
    pDICOMELEMENT largest = ds.InsertElement(nullptr, 0, 0x00280107, 0, 0, 0);
    ASSERT_NE(largest, nullptr) << ds.GetLastError();
    const short minus = -5;
    EXPECT_TRUE(ds.SetShortValue(largest, &minus, 1));
    ASSERT_EQ(ds.SaveDS(out.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();

    LDicomDS back;
    ASSERT_EQ(back.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(Text(back, 0x00081090), "KORVANTE");
    EXPECT_EQ(Text(back, 0x00080018), "1.2.3.4.99");
    EXPECT_EQ(Text(back, 0x00020003), "1.2.3.4.99");  // meta follows the SOP Instance UID
    EXPECT_EQ(Text(back, 0x00020010), "1.2.840.10008.1.2.1");
    EXPECT_EQ(*back.GetShortValue(back.FindFirstElement(nullptr, kRows, FALSE), 0, 1), -25536);
    EXPECT_EQ(*back.GetLongValue(back.FindFirstElement(nullptr, kRows, FALSE), 0, 1), 40000);
    EXPECT_EQ(Text(back, 0x00200013), "12");
    EXPECT_EQ(Text(back, 0x00080023), "20240229");
    EXPECT_EQ(Text(back, 0x00080033), "130509.250000");
    const pVALUETIME readTime = back.GetTimeValue(back.FindFirstElement(nullptr, 0x00080033, FALSE), 0, 1);
    ASSERT_NE(readTime, nullptr);
    EXPECT_EQ(readTime->nFractions, 250000u);
    EXPECT_EQ(Text(back, 0x00281051), "2500");
    EXPECT_EQ(back.FindFirstElement(nullptr, 0x00281052, TRUE), nullptr);
    EXPECT_EQ(*back.GetShortValue(back.FindFirstElement(nullptr, 0x00280107, FALSE), 0, 1), -5);

    // Saving over the file it was loaded from keeps every value, pixels included.
    ASSERT_EQ(back.SaveDS(out.c_str(), 0), DICOM_SUCCESS);
    LDicomDS again;
    ASSERT_EQ(again.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(again.GetElementLength(again.FindFirstElement(nullptr, kPixelData, FALSE)), 128u * 128u * 2u);
}

TEST(DicomDataSet, NewPixelDataReplacesTheCompressedOne)
{
    REQUIRE_SAMPLE("MR_small_RLE.dcm");
    const fs::path out = testfiles::FreshDir("dicomds_pixels") / "out.dcm";
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    std::vector<BYTE> pixels(64 * 64 * 2);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = BYTE(i * 7);
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, kPixelData, FALSE);
    EXPECT_FALSE(ds.SetBinaryValue(element, pixels.data(), 3));  // odd for 16-bit samples
    ASSERT_TRUE(ds.SetBinaryValue(element, pixels.data(), ULONG(pixels.size()))) << ds.GetLastError();
    EXPECT_EQ(ds.GetTransferSyntaxUID(), "1.2.840.10008.1.2.1");
    ASSERT_EQ(ds.SaveDS(out.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
    EXPECT_EQ(DecodeRows(out), pixels);
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, sample));
}

TEST(DicomDataSet, FailedSaveLeavesNothing)
{
    REQUIRE_SAMPLE("MR_small.dcm");
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    const fs::path dir = testfiles::FreshDir("dicomds_unwritable");
    EXPECT_EQ(ds.SaveDS((dir / "no-such-folder" / "out.dcm").c_str(), 0), ERROR_DICOM_WRITE);
    EXPECT_FALSE(ds.GetLastError().empty());
    EXPECT_EQ(ds.SaveDS("/proc/tessor-out.dcm", 0), ERROR_DICOM_WRITE);
    EXPECT_EQ(ds.SaveDS(dir.c_str(), 0), ERROR_DICOM_WRITE);
    EXPECT_TRUE(fs::is_empty(dir));
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(ds.SaveDS((dir / "out.dcm").c_str(), 0), ERROR_DICOM_WRITE);
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(dir));
    }
}

TEST(DicomDataSet, TreeSearchPrefersTheTopLevel)
{
    REQUIRE_SAMPLE("CT_small.dcm");
    const fs::path path = testfiles::FreshDir("dicomds_tree") / "nested.dcm";
    fs::copy_file(sample, path);
    // The sample's Other Patient IDs Sequence (0010,1002) holds Patient ID and Type of
    // Patient ID; add a Patient Age to its first item, before the top-level one (000Y).
    ASSERT_EQ(RunTool("dcmodify -nb -i \"(0010,1002)[0].(0010,1010)=099Y\" " + path.string()), 0);
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(path.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(Text(ds, 0x00101010, TRUE), "000Y");
    EXPECT_EQ(Text(ds, 0x00100020, TRUE), "1CT1");
    EXPECT_EQ(ds.FindFirstElement(nullptr, 0x00100022, FALSE), nullptr);
    pDICOMELEMENT nested = ds.FindFirstElement(nullptr, 0x00100022, TRUE);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(Text(ds, 0x00100022, TRUE), "TEXT");
    EXPECT_EQ(ds.DeleteElement(nested), DICOM_SUCCESS);
    EXPECT_NE(ds.FindFirstElement(nullptr, 0x00100022, TRUE), nullptr);  // the second item's
}

TEST(DicomDataSet, NumbersAreWrittenWithAPointUnderAnyLocale)
{
    // Under a comma-decimal locale the written DS keeps its point.
    const fs::path locales = testfiles::FreshDir("dicomds_locale");
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") &&
        RunTool("localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8").string()) == 0) {
        ::setenv("LOCPATH", locales.c_str(), 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    if (std::string(std::localeconv()->decimal_point) != ",")
        GTEST_SKIP() << "no comma-decimal locale";
    REQUIRE_SAMPLE("CT_small.dcm");
    LDicomDS set;
    ASSERT_EQ(set.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    pDICOMELEMENT slope = set.FindFirstElement(nullptr, 0x00281053, FALSE);
    const double value = 2.25;
    EXPECT_TRUE(set.SetDoubleValue(slope, &value, 1));
    EXPECT_EQ(Text(set, 0x00281053), "2.25");
    EXPECT_EQ(*set.GetDoubleValue(slope, 0, 1), 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ::unsetenv("LOCPATH");
}

TEST(DicomDataSet, GetImageHandsOutBandsAndStopsWhenAsked)
{
    REQUIRE_SAMPLE("CT_small.dcm");
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    struct Record {
        std::vector<UINT> flags;
        int rows = 0;
        int stopAfter = 100;
    } record;
    const auto callback = [](const BYTE*, UINT flags, int first, int count, void* user) {
        auto& r = *static_cast<Record*>(user);
        EXPECT_EQ(first, r.rows);
        r.flags.push_back(flags);
        r.rows += count;
        return int(r.flags.size()) < r.stopAfter ? 1 : -1;
    };
    pDICOMELEMENT pixels = ds.FindFirstElement(nullptr, kPixelData, FALSE);
    LBitmap bitmap;
    ASSERT_EQ(ds.GetImage(pixels, &bitmap, 0, 0, ORDER_BGR, 0, callback, &record), DICOM_SUCCESS);
    EXPECT_EQ(record.rows, 128);
    ASSERT_GE(record.flags.size(), 1u);
    EXPECT_TRUE(record.flags.front() & FILEREAD_FIRSTROW);
    EXPECT_TRUE(record.flags.back() & FILEREAD_LASTROW);
    EXPECT_EQ(bitmap.GetWidth(), 128);

    record = Record{};
    record.stopAfter = 1;
    EXPECT_EQ(ds.GetImage(pixels, nullptr, 0, 0, ORDER_BGR, 0, callback, &record), ERROR_USER_ABORT);
    EXPECT_EQ(record.flags.size(), 1u);
    EXPECT_EQ(ds.GetImage(pixels, nullptr, 1, 0, ORDER_BGR, 0, nullptr, nullptr), ERROR_INV_PARAMETER);
    EXPECT_EQ(ds.GetImage(pixels, nullptr, 0, 8, ORDER_BGR, 0, nullptr, nullptr), ERROR_FEATURE_NOT_SUPPORTED);
}
