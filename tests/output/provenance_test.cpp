// The stitched file's provenance (derived image type, derivation, references to the sources)
// and the validator's view of files written from real third-party templates.
#include "output/CStitchDicomFile.h"
#include "output/OutputSettings.h"

#include "imaging/DicomAttribute.h"
#include "imaging/LDicomDS.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";

// The provenance elements as dcmdump prints them with their sequence path: tag by tag in
// the order asked, each in file order.
std::vector<std::string> ProvenanceLines(const fs::path& file, const std::vector<std::string>& tags)
{
    std::string command = "dcmdump -q -Un +p";
    for (const std::string& tag : tags)
        command += " +P " + tag;
    command += " '" + file.string() + "'";
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[1024];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        line = line.substr(0, line.find(" #"));
        line.erase(line.find_last_not_of(" \n") + 1);
        lines.push_back(line);
    }
    if (pipe)
        pclose(pipe);
    return lines;
}

const std::vector<std::string> kProvenanceTags = {"0008,0008", "0008,2111", "0008,1150", "0008,1155",
                                                  "0008,0100", "0008,0102", "0008,0104"};

// Sets (or inserts) a top-level text element of a file written earlier.
void SetText(const fs::path& file, DWORD tag, const char* text, ULONG count)
{
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(file.c_str(), 0), DICOM_SUCCESS);
    pDICOMELEMENT element = imaging::FindOrInsert(ds, tag);
    ASSERT_NE(element, nullptr) << ds.GetLastError();
    ASSERT_TRUE(ds.SetStringValue(element, text, count));
    ASSERT_EQ(ds.SaveDS(file.c_str(), 0), DICOM_SUCCESS);
}

class ProvenanceTest : public testfiles::FolderTest {
protected:
    void SetUp() override { g_strInstanceUID = "1.2.826.0.1.3680043.9.7433.99"; }
    fs::path Write(const std::string& name, const std::string& uid, int rows = 10)
    {
        testfiles::SyntheticImage image = testfiles::MakeGrey(rows, 8, 16, [](int r, int c) { return r * 8 + c; });
        image.sopInstanceUID = uid;
        return FolderTest::Write(image, name);
    }
};

}  // namespace

TEST_F(ProvenanceTest, FileSourcesAreReferencedInStitchingOrderWhenTheyReachTheOutput)
{
    const fs::path a = Write("a.dcm", "1.2.3.11");
    const fs::path b = Write("b.dcm", "1.2.3.12");
    const fs::path c = Write("c.dcm", "1.2.3.13");
    SetText(b, 0x00080008, "ORIGINAL\\PRIMARY\\AXIAL", 3);
    SetText(b, 0x00082111, "an earlier derivation", 1);

    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(b.c_str(), CRect(0, 0, 8, 10)));
    ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 2, 8, 10)));
    ASSERT_TRUE(file.AddFileItem(c.c_str(), CRect(0, 0, 8, 10)));
    file.m_rcOutputCrop = CRect(0, 5, 8, 18);  // rows 5..17: b and a, none of c (rows 18..27)
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(b.c_str(), out.c_str()));

    const std::string sc = kSecondaryCapture;
    const std::vector<std::string> expected = {
        "(0008,0008) CS [DERIVED\\PRIMARY\\AXIAL]",
        "(0008,2111) ST [Stitched from 2 images]",
        "(0008,2112).(0008,1150) UI [" + sc + "]",
        "(0008,2112).(0008,1150) UI [" + sc + "]",
        "(0008,2112).(0008,1155) UI [1.2.3.12]",
        "(0008,2112).(0008,1155) UI [1.2.3.11]",
        "(0008,2112).(0040,a170).(0008,0100) SH [121329]",
        "(0008,2112).(0040,a170).(0008,0100) SH [121329]",
        "(0008,9215).(0008,0100) SH [113090]",
        "(0008,2112).(0040,a170).(0008,0102) SH [DCM]",
        "(0008,2112).(0040,a170).(0008,0102) SH [DCM]",
        "(0008,9215).(0008,0102) SH [DCM]",
        "(0008,2112).(0040,a170).(0008,0104) LO [Source image for montage]",
        "(0008,2112).(0040,a170).(0008,0104) LO [Source image for montage]",
        "(0008,9215).(0008,0104) LO [Image stitching]",
    };
    EXPECT_EQ(ProvenanceLines(out, kProvenanceTags), expected);
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, b));
}

TEST_F(ProvenanceTest, BitmapSourcesReferenceNoInstanceAndDropTheTemplatesReferences)
{
    // The reference file names its own sources: they are not the stitched image's.
    const fs::path reference = Write("reference.dcm", "1.2.3.20");
    {
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(reference.c_str(), 0), DICOM_SUCCESS);
        pDICOMELEMENT sequence = ds.InsertElement(nullptr, FALSE, 0x00082112, 0, TRUE, 0);
        pDICOMELEMENT item = ds.InsertElement(sequence, TRUE, TAG_ITEM, 0, FALSE, 0);
        ASSERT_NE(item, nullptr) << ds.GetLastError();
        EXPECT_EQ(ds.GetElementTag(item), TAG_ITEM);
        ASSERT_TRUE(ds.SetStringValue(ds.InsertElement(item, TRUE, 0x00081150, 0, FALSE, 0), kSecondaryCapture, 1));
        ASSERT_TRUE(ds.SetStringValue(ds.InsertElement(item, TRUE, 0x00081155, 0, FALSE, 0), "1.2.3.4", 1));
        EXPECT_EQ(ds.InsertElement(sequence, TRUE, 0x00081155, 0, FALSE, 0), nullptr);  // a sequence holds items
        EXPECT_EQ(ds.DeleteElement(ds.InsertElement(sequence, TRUE, TAG_ITEM, 0, FALSE, 0)), DICOM_SUCCESS);
        ASSERT_EQ(ds.SaveDS(reference.c_str(), 0), DICOM_SUCCESS);
    }
    // No Image Type, and a single value: both become DERIVED\PRIMARY (at least two values).
    for (const char* imageType : {"", "ORIGINAL"}) {
        if (*imageType)
            SetText(reference, 0x00080008, imageType, 1);
        CStitchDicomFile file;
        for (int i = 0; i < 3; ++i) {
            auto item = std::make_unique<CStitchDicomItem>();
            ASSERT_TRUE(item->Create(8, 2, CRect(0, 0, 8, 4), 0));
            file.m_arrItems.push_back(std::move(item));
        }
        const fs::path out = dir / "out.dcm";
        ASSERT_TRUE(file.Compose(reference.c_str(), out.c_str()));
        const std::vector<std::string> expected = {
            "(0008,0008) CS [DERIVED\\PRIMARY]",
            "(0008,2111) ST [Stitched from 3 images]",
            "(0008,9215).(0008,0100) SH [113090]",
            "(0008,9215).(0008,0102) SH [DCM]",
            "(0008,9215).(0008,0104) LO [Image stitching]",
        };
        EXPECT_EQ(ProvenanceLines(out, kProvenanceTags), expected) << "Image Type '" << imageType << "'";
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, reference));
    }
}

namespace {

// A DCMTK tool's output file made from `source`, or an empty path when the tool failed.
fs::path Converted(const char* tool, const fs::path& source, const fs::path& target)
{
    const std::string command = std::string(tool) + " '" + source.string() + "' '" + target.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 && fs::exists(target) ? target : fs::path();
}

std::string ReadText(const fs::path& file, DWORD tag)
{
    LDicomDS ds(nullptr);
    if (ds.LoadDS(file.c_str(), 0) != DICOM_SUCCESS)
        return "<unreadable>";
    return imaging::ReadText(ds, tag).value_or("<absent>");
}

int RowsOf(const fs::path& file)
{
    LDicomDS ds(nullptr);
    if (ds.LoadDS(file.c_str(), 0) != DICOM_SUCCESS)
        return 0;
    return static_cast<unsigned short>(imaging::ReadShort(ds, 0x00280010).value_or(0));
}

}  // namespace

// Every real file that can be stitched, as source and template: the output has no validator
// error its template lacks, is one frame, and describes decoded colour as RGB.
TEST_F(ProvenanceTest, RealTemplatesGainNoValidatorErrors)
{
    if (testfiles::Pydicom("CT_small.dcm").empty())
        GTEST_SKIP() << "pydicom's test files are not installed";
    std::vector<fs::path> templates;
    for (const char* name :
         {"CT_small.dcm", "MR_small.dcm", "MR_small_implicit.dcm", "MR_small_bigendian.dcm", "MR_small_expb.dcm",
          "MR_small_padded.dcm", "MR_small_RLE.dcm", "MR_small_jpeg_ls_lossless.dcm", "JPEG-lossy.dcm",
          "JPGExtended.dcm", "ExplVR_BigEnd.dcm", "image_dfl.dcm", "SC_rgb_rle.dcm", "SC_rgb_rle_2frame.dcm",
          "SC_rgb_small_odd.dcm", "SC_rgb_jpeg_dcmtk.dcm", "SC_rgb_dcmtk_+eb+cy+np.dcm", "SC_rgb_dcmtk_+eb+cy+s2.dcm"})
        templates.push_back(testfiles::Pydicom(name));
    for (const char* name : {"CT_small", "MR_small"}) {
        const fs::path source = testfiles::Pydicom(std::string(name) + ".dcm");
        for (const char* tool : {"dcmcjpeg", "dcmcjpls", "dcmcrle"}) {
            const fs::path converted = Converted(tool, source, dir / (std::string(name) + "-" + tool + ".dcm"));
            EXPECT_FALSE(converted.empty()) << tool << " " << name;
            templates.push_back(converted);
        }
    }
    for (const fs::path& source : templates) {
        if (source.empty())
            continue;
        SCOPED_TRACE(source.filename().string());
        const int rows = RowsOf(source);
        CStitchDicomFile file;
        ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 0, 0, rows)));
        ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, rows / 2, 0, rows)));
        const fs::path out = dir / ("out-" + source.filename().string());
        ASSERT_TRUE(file.Compose(source.c_str(), out.c_str())) << file.m_strError.str();
        // The validator cannot read a deflated file: compare with the same data set inflated.
        const fs::path reference = source.filename() == "image_dfl.dcm"
                                       ? Converted("dcmconv +te", source, dir / "inflated-reference.dcm")
                                       : source;
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, reference));
        const std::string frames = ReadText(out, 0x00280008);
        EXPECT_TRUE(frames == "<absent>" || frames == "1") << frames;
        const std::string photometric = ReadText(out, 0x00280004);
        EXPECT_EQ(photometric.rfind("YBR", 0), std::string::npos) << photometric;
    }
}
