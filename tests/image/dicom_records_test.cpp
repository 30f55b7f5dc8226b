// Loading source images: the attribute records, MONOCHROME1 and the window applied on
// load, on real third-party files and on files made here.
#include "image/CBaseImageData.h"
#include "image/CDicomFile.h"
#include "imaging/LDicomDS.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <vector>

namespace fs = std::filesystem;

namespace {

void PutText(LDicomDS& ds, DWORD tag, const char* value)
{
    ASSERT_TRUE(ds.SetStringValue(ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), value, 1));
}

void PutShort(LDicomDS& ds, DWORD tag, int value)
{
    const short v = static_cast<short>(value);
    ASSERT_TRUE(ds.SetShortValue(ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), &v, 1));
}

// A 16-bit unsigned grey image (values row * columns + column) with the given extra
// elements, written as Explicit VR Little Endian.
fs::path WriteGrey(const std::string& name, int rows, int columns, const std::function<void(LDicomDS&)>& extra,
                   bool withPixelRepresentation = true)
{
    LDicomDS ds(nullptr);
    PutText(ds, 0x00080016, "1.2.840.10008.5.1.4.1.1.7");
    PutText(ds, 0x00080018, "1.2.826.0.1.3680043.9.7433.2.1");
    PutShort(ds, 0x00280002, 1);
    PutShort(ds, 0x00280010, rows);
    PutShort(ds, 0x00280011, columns);
    PutShort(ds, 0x00280100, 16);
    PutShort(ds, 0x00280101, 16);
    PutShort(ds, 0x00280102, 15);
    if (withPixelRepresentation)
        PutShort(ds, 0x00280103, 0);
    extra(ds);
    std::vector<BYTE> pixels(static_cast<size_t>(rows) * static_cast<size_t>(columns) * 2);
    for (size_t i = 0; i < pixels.size() / 2; ++i) {
        pixels[2 * i] = static_cast<BYTE>(i & 0xFF);
        pixels[2 * i + 1] = static_cast<BYTE>((i >> 8) & 0x0F);
    }
    EXPECT_TRUE(ds.SetBinaryValue(ds.InsertElement(nullptr, FALSE, 0x7FE00010, 0, FALSE, 0), pixels.data(),
                                  static_cast<ULONG>(pixels.size())));
    static const fs::path dir = testfiles::FreshDir("dicom_records");
    const fs::path path = dir / name;
    EXPECT_EQ(DICOM_SUCCESS, ds.SaveDS(path.c_str(), 0)) << ds.GetLastError();
    return path;
}

fs::path WriteGrey(const std::string& name, const std::function<void(LDicomDS&)>& extra)
{
    return WriteGrey(name, 4, 3, extra);
}

std::function<void(LDicomDS&)> Photometric(const char* text)
{
    return [text](LDicomDS& ds) { PutText(ds, 0x00280004, text); };
}

std::function<void(LDicomDS&)> Window(const char* width, const char* center)
{
    return [=](LDicomDS& ds) {
        PutText(ds, 0x00280004, "MONOCHROME2");
        PutText(ds, 0x00281051, width);
        PutText(ds, 0x00281050, center);
    };
}

std::vector<BYTE> AllRows(CBaseImage& image)
{
    std::vector<BYTE> rows(static_cast<size_t>(image.GetWidth()) * image.GetHeight() * 2);
    image.GetRows(rows.data(), 0, 0, image.GetWidth(), image.GetHeight());
    return rows;
}

}  // namespace

TEST(PhotometricKindTest, TextsCompareWithoutCase)
{
    EXPECT_EQ(0, PhotometricKindFromText("MONOCHROME1"));
    EXPECT_EQ(0, PhotometricKindFromText("monochrome1"));
    EXPECT_EQ(1, PhotometricKindFromText("MONOCHROME2"));
    EXPECT_EQ(2, PhotometricKindFromText("Palette Color"));
    EXPECT_EQ(3, PhotometricKindFromText("RGB"));
    EXPECT_EQ(4, PhotometricKindFromText("ARGB"));
    EXPECT_EQ(5, PhotometricKindFromText("cmyk"));
    EXPECT_EQ(-1, PhotometricKindFromText("YBR_FULL"));
    EXPECT_EQ(-1, PhotometricKindFromText(nullptr));
}

TEST(DicomRecordsTest, CtSmallFillsBothRecords)
{
    const fs::path path = testfiles::Pydicom("CT_small.dcm");
    if (path.empty())
        GTEST_SKIP() << "pydicom's test files are not installed";
    CBaseImageData image;
    ASSERT_TRUE(image.Load(path.c_str()));
    EXPECT_EQ(path.string(), image.m_strFileName.str());

    const CDicomStudyData& s = image.m_study;
    EXPECT_EQ("CompressedSamples^CT1", s.m_strPatientName);
    EXPECT_EQ("JFK IMAGING CENTER", s.m_strInstitutionName);
    EXPECT_EQ("CT", s.m_strModality);
    EXPECT_EQ(1, s.m_nSeriesNumber);
    EXPECT_EQ(2, s.m_nAcquisitionNumber);
    EXPECT_EQ(1, s.m_nInstanceNumber);
    EXPECT_DOUBLE_EQ(120.0, s.m_dKVP);
    EXPECT_EQ(170, s.m_nTubeCurrent);
    // The study time joins the study date; an empty birth date stays zero.
    EXPECT_EQ("2004-01-19 07:27:30", s.m_dtStudy.Format("%Y-%m-%d %H:%M:%S"));
    EXPECT_EQ(0.0, static_cast<DATE>(s.m_dtBirthDate));
    EXPECT_FALSE(s.m_strStudyInstanceUID.IsEmpty());

    const CDicomImageAttr& a = image.m_attr;
    EXPECT_EQ(1, a.m_nSamplesPerPixel);
    EXPECT_EQ("MONOCHROME2", a.m_strPhotometric);
    EXPECT_EQ(1, a.m_nPhotometric);
    EXPECT_EQ(-1, a.m_nNumberOfFrames);
    EXPECT_EQ(128, a.m_nRows);
    EXPECT_EQ(128, a.m_nColumns);
    EXPECT_EQ(16, a.m_nBitsAllocated);
    EXPECT_EQ(16, a.m_nBitsStored);
    EXPECT_EQ(15, a.m_nHighBit);
    EXPECT_EQ(1, a.m_nPixelRepresentation);
    EXPECT_EQ(-1024.0, a.m_dRescaleIntercept);
    EXPECT_EQ(1.0, a.m_dRescaleSlope);
    EXPECT_EQ(0.661468f, a.m_fPixelSpacingRow);
    EXPECT_EQ(0.661468f, a.m_fPixelSpacingColumn);
    EXPECT_EQ(5.0f, a.m_fSliceThickness);

    // No window in the file: none applied, default colours.
    EXPECT_FALSE(image.m_bitmap.HasWindow());
    EXPECT_EQ(0, image.m_nWindowWidth);
    EXPECT_EQ(0u, image.m_crLutStart);
    EXPECT_EQ(128, image.m_nDstWidth);
    EXPECT_EQ(128, image.m_nSrcHeight);
}

TEST(DicomRecordsTest, EveryTransferSyntaxYieldsTheSameImage)
{
    const fs::path reference = testfiles::Pydicom("MR_small.dcm");
    if (reference.empty())
        GTEST_SKIP() << "pydicom's test files are not installed";
    CBaseImageData expected;
    ASSERT_TRUE(expected.Load(reference.c_str()));
    EXPECT_EQ(1600, expected.m_nWindowWidth);
    EXPECT_EQ(600, expected.m_nWindowCenter);
    EXPECT_TRUE(expected.m_bitmap.HasWindow());
    const std::vector<BYTE> expectedRows = AllRows(expected);

    for (const char* name : {"MR_small_bigendian.dcm", "MR_small_implicit.dcm", "MR_small_RLE.dcm",
                             "MR_small_jpeg_ls_lossless.dcm", "MR_small_padded.dcm"}) {
        SCOPED_TRACE(name);
        CBaseImageData image;
        ASSERT_TRUE(image.Load(testfiles::Pydicom(name).c_str()));
        EXPECT_EQ(64, image.m_attr.m_nRows);
        EXPECT_EQ(1, image.m_attr.m_nPixelRepresentation);
        EXPECT_EQ(0.3125f, image.m_attr.m_fPixelSpacingRow);
        EXPECT_EQ(expected.m_study.m_strSOPInstanceUID, image.m_study.m_strSOPInstanceUID);
        EXPECT_EQ("TOSHIBA", image.m_study.m_strInstitutionName);
        EXPECT_EQ(1600, image.m_nWindowWidth);
        EXPECT_EQ(600, image.m_nWindowCenter);
        EXPECT_EQ(expectedRows, AllRows(image));
    }
}

TEST(DicomRecordsTest, MonochromeOneSwapsTheColours)
{
    for (const char* text : {"MONOCHROME1", "monochrome1"}) {
        CBaseImageData image;
        ASSERT_TRUE(image.Load(WriteGrey("mono1.dcm", [&](LDicomDS& ds) {
                                   Photometric(text)(ds);
                                   PutText(ds, 0x00281051, "400");
                                   PutText(ds, 0x00281050, "40");
                               }).c_str()));
        EXPECT_EQ(text, image.m_attr.m_strPhotometric);
        EXPECT_EQ(0, image.m_attr.m_nPhotometric);
        EXPECT_EQ(0xFFFFFFu, image.m_crLutStart);
        EXPECT_EQ(0x000000u, image.m_crLutEnd);
        EXPECT_TRUE(image.m_bitmap.HasWindow());
        EXPECT_EQ(255, image.m_pLUT[0].rgbRed);  // low end white
    }

    // Without a window it is drawn inverted all the same: the smallest value white, the
    // largest black (values 0 .. 11 of a 4 x 3 image).
    CBaseImageData bare;
    ASSERT_TRUE(bare.Load(WriteGrey("mono1-bare.dcm", Photometric("MONOCHROME1")).c_str()));
    EXPECT_EQ(0xFFFFFFu, bare.m_crLutStart);
    EXPECT_FALSE(bare.m_bitmap.HasWindow());
    const std::vector<DWORD>& shown = bare.m_bitmap.GetRendition();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(0xFFFFFFu, shown.front());
    EXPECT_EQ(0x000000u, shown.back());

    CBaseImageData mono2;
    ASSERT_TRUE(mono2.Load(WriteGrey("mono2.dcm", Photometric("MONOCHROME2")).c_str()));
    EXPECT_EQ(0u, mono2.m_crLutStart);
    EXPECT_EQ(0xFFFFFFu, mono2.m_crLutEnd);
}

TEST(DicomRecordsTest, AnyCentreWithAWidthOfOneOrMoreIsAppliedTruncated)
{
    struct Case {
        const char* width;
        const char* center;
        bool applied;
        int appliedWidth;
        int appliedCenter;
    };
    const Case cases[] = {
        {"400", "40", true, 400, 40},     {"399.9", "40.6", true, 399, 40}, {"400", "40\\400", true, 400, 40},
        {"400", "0", true, 400, 0},       {"400", "-600", true, 400, -600}, {"0", "40", false, 0, 0},
        {"0.5", "40", false, 0, 0},       {"1", "-5", true, 1, -5},
        {"1e12", "40", true, INT32_MAX, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " / " + c.center);
        CBaseImageData image;
        ASSERT_TRUE(image.Load(WriteGrey("window.dcm", Window(c.width, c.center)).c_str()));
        EXPECT_EQ(c.applied, image.m_bitmap.HasWindow() != FALSE);
        EXPECT_EQ(c.appliedWidth, image.m_nWindowWidth);
        EXPECT_EQ(c.appliedCenter, image.m_nWindowCenter);
    }
}

TEST(DicomRecordsTest, NumbersWidenAndMissingElementsKeepDefaults)
{
    // Rows 40000 is held as the signed 16-bit -25536.
    CBaseImageData tall;
    ASSERT_TRUE(tall.Load(WriteGrey("tall.dcm", 40000, 1, Photometric("MONOCHROME2")).c_str()));
    EXPECT_EQ(-25536, tall.m_attr.m_nRows);
    EXPECT_EQ(40000, tall.GetHeight());

    CBaseImageData image;
    ASSERT_TRUE(image.Load(WriteGrey("bare.dcm", 4, 3, [](LDicomDS& ds) {
                               PutText(ds, 0x00280004, "MONOCHROME2");
                               PutText(ds, 0x00280030, "0.2\\0.3");
                               PutText(ds, 0x00080030, "101530");
                           }, false).c_str()));
    EXPECT_EQ(-1, image.m_attr.m_nPixelRepresentation);
    EXPECT_EQ(0.2f, image.m_attr.m_fPixelSpacingRow);
    EXPECT_EQ(0.3f, image.m_attr.m_fPixelSpacingColumn);
    EXPECT_EQ(0.0, image.m_attr.m_dWindowWidth);
    EXPECT_TRUE(image.m_study.m_strPatientID.IsEmpty());
    // A time without a date lands on 30 December 1899.
    EXPECT_EQ("1899-12-30 10:15:30", image.m_study.m_dtStudy.Format("%Y-%m-%d %H:%M:%S"));
}

TEST(DicomRecordsTest, FilesThatDoNotLoad)
{
    CBaseImageData missing;
    EXPECT_FALSE(missing.Load("/nonexistent/file.dcm"));
    EXPECT_EQ("/nonexistent/file.dcm", missing.m_strFileName);
    EXPECT_FALSE(missing.IsAllocated());

    const fs::path text = testfiles::FreshDir("dicom_records_text_file") / "notes.txt";
    std::ofstream(text) << "not a DICOM file\n";
    CBaseImageData notDicom;
    EXPECT_FALSE(notDicom.Load(text.c_str()));
    EXPECT_EQ(0, notDicom.m_nSrcWidth);

    // A data set without pixels: the bitmap fails, the records stay at their defaults.
    const fs::path plan = testfiles::Pydicom("rtplan.dcm");
    if (!plan.empty()) {
        CBaseImageData noPixels;
        EXPECT_FALSE(noPixels.Load(plan.c_str()));
        EXPECT_TRUE(noPixels.m_study.m_strPatientID.IsEmpty());
        EXPECT_EQ(-1, noPixels.m_attr.m_nRows);
    }

    CDicomFile file;
    EXPECT_FALSE(file.Load(text.c_str()));
}
