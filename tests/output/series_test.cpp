// The stitched file as a new derived instance: its own series, no per-exposure attributes
// of piece 1, the lossy history of every source, the project's identity, and the chosen
// lossless transfer syntax with pixels that decode exactly.
#include "output/CStitchDicomFile.h"
#include "output/OutputSettings.h"

#include "image/CBaseImageData.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "imaging/Uid.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Text(LDicomDS& ds, DWORD tag)
{
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, tag, FALSE);
    const char* value = element ? ds.GetStringValue(element, 0, 1) : nullptr;
    return element == nullptr ? "<absent>" : value ? value : "";
}

void Put(LDicomDS& ds, DWORD tag, const char* value)
{
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, tag, FALSE);
    element = element ? element : ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0);
    ASSERT_NE(element, nullptr) << std::hex << tag;
    ASSERT_TRUE(ds.SetStringValue(element, value, 1)) << std::hex << tag;
}

class SeriesTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::FreshDir(std::string("series_") + testing::UnitTest::GetInstance()->current_test_info()->name());
        g_strInstanceUID = "";
        g_nInstanceNumber = 1;
        g_strSeriesSuffix = "stitched";
        g_strTransferSyntax = "1.2.840.10008.1.2.1";
    }
    void TearDown() override { g_strTransferSyntax = "1.2.840.10008.1.2.1"; }

    // A 16-bit piece with values that vary over every row; `edit` changes its data set.
    fs::path Piece(const std::string& name, const std::function<void(LDicomDS&)>& edit = {})
    {
        const fs::path path = dir / name;
        const auto image = testfiles::MakeGrey(30, 20, 16, [](int r, int c) { return (r * 37 + c * 11) % 4096; });
        EXPECT_EQ(testfiles::WriteSynthetic(image, path), "");
        if (edit) {
            LDicomDS ds(nullptr);
            EXPECT_EQ(ds.LoadDS(path.c_str(), 0), DICOM_SUCCESS);
            edit(ds);
            EXPECT_EQ(ds.SaveDS(path.c_str(), 0), DICOM_SUCCESS);
        }
        return path;
    }
    fs::path Stitch(const std::vector<fs::path>& sources, const std::string& name = "out.dcm")
    {
        const fs::path out = dir / name;
        CStitchDicomFile file;
        for (const fs::path& source : sources)
            EXPECT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 0, 20, 30)));
        EXPECT_TRUE(file.Compose(sources[0].c_str(), out.c_str())) << file.m_strError.str();
        return out;
    }
    fs::path dir;
};

}  // namespace

TEST_F(SeriesTest, ANewSeriesWithoutWhatBelongsToOneExposure)
{
    const fs::path piece = Piece("piece.dcm", [](LDicomDS& ds) {
        Put(ds, TAG_SERIES_NUMBER, "3");
        Put(ds, TAG_SERIES_DESCRIPTION, "LONG LEG");
        Put(ds, TAG_INSTANCE_CREATOR_UID, "1.2.3.99");
        Put(ds, TAG_SOURCE_AE_TITLE, "MODALITY1");
        Put(ds, 0x00181702, "10");    // collimator left vertical edge
        Put(ds, 0x00181152, "25");    // exposure
        Put(ds, 0x00187030, "0\\0");  // field of view origin
        Put(ds, 0x60000022, "marker");  // overlay description
        ASSERT_NE(ds.InsertElement(ds.InsertElement(nullptr, FALSE, TAG_ICON_IMAGE_SEQUENCE, 0, TRUE, 0), TRUE,
                                   TAG_ITEM, 0, FALSE, 0),
                  nullptr);
        ASSERT_NE(ds.InsertElement(nullptr, FALSE, TAG_REFERENCED_IMAGE_SEQUENCE, 0, TRUE, 0), nullptr);
    });
    const fs::path other = Piece("other.dcm");
    const fs::path out = Stitch({piece, other});

    LDicomDS source(nullptr), written(nullptr);
    ASSERT_EQ(source.LoadDS(piece.c_str(), 0), DICOM_SUCCESS);
    ASSERT_EQ(written.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    const std::string series = Text(written, TAG_SERIES_INSTANCE_UID);
    EXPECT_NE(series, Text(source, TAG_SERIES_INSTANCE_UID));
    EXPECT_EQ(series.rfind("2.25.", 0), 0u) << series;
    EXPECT_EQ(Text(written, TAG_STUDY_INSTANCE_UID), Text(source, TAG_STUDY_INSTANCE_UID));
    EXPECT_EQ(Text(written, TAG_SERIES_NUMBER), "1003");
    EXPECT_EQ(Text(written, TAG_SERIES_DESCRIPTION), "LONG LEG stitched");
    EXPECT_EQ(Text(written, TAG_INSTANCE_NUMBER), "1");
    EXPECT_EQ(Text(written, TAG_INSTANCE_CREATION_DATE).size(), 8u);
    EXPECT_EQ(Text(written, TAG_INSTANCE_CREATION_TIME).size(), 6u);
    EXPECT_EQ(Text(written, 0x00020012), imaging::kImplementationClassUID);
    EXPECT_EQ(Text(written, 0x00020013).rfind("TESSOR_", 0), 0u);
    EXPECT_EQ(Text(written, TAG_LOSSY_IMAGE_COMPRESSION), "00");
    for (DWORD dropped : {TAG_INSTANCE_CREATOR_UID, TAG_SOURCE_AE_TITLE, DWORD(0x00181702), DWORD(0x00181152),
                          DWORD(0x00187030), DWORD(0x60000022), TAG_ICON_IMAGE_SEQUENCE, TAG_REFERENCED_IMAGE_SEQUENCE})
        EXPECT_EQ(Text(written, dropped), "<absent>") << std::hex << dropped;
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, piece));
}

TEST_F(SeriesTest, TheDescriptionEndsWithTheSuffixWithinSixtyFourCharacters)
{
    const std::string long64(64, 'D');
    const struct {
        const char* templateDescription;  // nullptr: absent
        const char* templateNumber;
        const char* suffix;
        std::string description;
        const char* number;
    } cases[] = {
        {nullptr, nullptr, "stitched", "stitched", "1000"},
        {"CHEST", "7", "", "CHEST", "1007"},
        {"CHEST", "7", "joined", "CHEST joined", "1007"},
        {long64.c_str(), "2147483000", "stitched", std::string(55, 'D') + " stitched", "1000"},
    };
    int n = 0;
    for (const auto& c : cases) {
        g_strSeriesSuffix = c.suffix;
        const fs::path piece = Piece("p" + std::to_string(n) + ".dcm", [&c](LDicomDS& ds) {
            if (c.templateDescription)
                Put(ds, TAG_SERIES_DESCRIPTION, c.templateDescription);
            if (c.templateNumber)
                Put(ds, TAG_SERIES_NUMBER, c.templateNumber);
        });
        LDicomDS written(nullptr);
        ASSERT_EQ(written.LoadDS(Stitch({piece}, "out" + std::to_string(n++) + ".dcm").c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(Text(written, TAG_SERIES_DESCRIPTION), c.description) << c.suffix;
        EXPECT_EQ(Text(written, TAG_SERIES_NUMBER), c.number) << c.suffix;
    }
}

TEST_F(SeriesTest, ALossySourceBehindALosslessTemplateMakesTheImageLossy)
{
    const fs::path lossless = Piece("lossless.dcm");
    const fs::path plain = Piece("plain.dcm");
    const fs::path baseline = dir / "baseline.dcm";
    // 12-bit JPEG (extended, lossy) as a camera would deliver it.
    ASSERT_EQ(std::system(("dcmcjpeg +ee '" + plain.string() + "' '" + baseline.string() + "' 2>/dev/null").c_str()), 0);
    const struct {
        std::vector<fs::path> sources;
        const char* lossy;
        const char* method;
    } cases[] = {
        {{lossless, plain}, "00", "<absent>"},
        {{lossless, baseline}, "01", "ISO_10918_1"},
    };
    int n = 0;
    for (const auto& c : cases) {
        LDicomDS written(nullptr);
        ASSERT_EQ(written.LoadDS(Stitch(c.sources, "lossy" + std::to_string(n++) + ".dcm").c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(Text(written, TAG_LOSSY_IMAGE_COMPRESSION), c.lossy);
        EXPECT_EQ(Text(written, TAG_LOSSY_IMAGE_COMPRESSION_METHOD), c.method);
    }
}

TEST_F(SeriesTest, EverySyntaxDecodesExactlyAndNeverTheRetiredBigEndian)
{
    const fs::path piece = Piece("piece.dcm");
    const fs::path other = Piece("other.dcm");
    const fs::path bigEndian = dir / "big.dcm";
    ASSERT_EQ(std::system(("dcmconv +tb '" + piece.string() + "' '" + bigEndian.string() + "'").c_str()), 0);
    CBaseImageData expected;
    ASSERT_TRUE(expected.Load(Stitch({piece, other}, "reference.dcm").c_str()));
    const std::vector<BYTE> expectedRows = [&] {
        std::vector<BYTE> rows(20 * 60 * 2);
        expected.GetRows(rows.data(), 0, 0, 20, 60);
        return rows;
    }();
    for (const char* name : {"raw", "jpeg-lossless", "jpeg-ls", "jpeg2000", "rle", "deflated"}) {
        SCOPED_TRACE(name);
        g_strTransferSyntax = output::TransferSyntaxForName(name).c_str();
        const fs::path out = Stitch({bigEndian, other}, std::string(name) + ".dcm");
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(ds.GetTransferSyntaxUID(), output::TransferSyntaxForName(name));
        CBaseImageData decoded;
        ASSERT_TRUE(decoded.Load(out.c_str()));
        std::vector<BYTE> rows(expectedRows.size());
        decoded.GetRows(rows.data(), 0, 0, 20, 60);
        EXPECT_EQ(rows, expectedRows);
        if (std::string(name) != "deflated") {  // the validator cannot read deflated files
            EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, piece));
        }
    }
    EXPECT_EQ(output::TransferSyntaxForName("jpeg-baseline"), "");
}
