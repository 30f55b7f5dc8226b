// The consistency gate: which differences between pieces refuse a stitch, the one line
// that says so, and the refusal on real files before anything is loaded or written.
#include "stitch/StitchGate.h"

#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "stitch/CStitchModel.h"
#include "stitch/StitchMessages.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

CSourceFacts Piece(const char* sop)
{
    CSourceFacts facts;
    facts.patientId = "P1";
    facts.studyInstanceUid = "1.2.3";
    facts.sopInstanceUid = sop;
    facts.photometric = "MONOCHROME2";
    facts.bitsAllocated = 16;
    facts.bitsStored = 12;
    facts.pixelSpacing = std::vector<double>{0.15, 0.15};
    facts.imagerPixelSpacing = std::vector<double>{0.2, 0.2};
    return facts;
}

}  // namespace

TEST(StitchGate, EachDifferenceRefusesOrPassesAsItsMeaningAllows)
{
    const struct {
        const char* name;
        std::function<void(CSourceFacts&)> change;  // applied to the second of three pieces
        EGateFailure failure;
        const char* attribute;
        const char* firstValue;
        const char* otherValue;
    } cases[] = {
        {"identical", [](CSourceFacts&) {}, EGateFailure::None, "", "", ""},
        {"other patient", [](CSourceFacts& f) { f.patientId = "P2"; }, EGateFailure::PatientDiffers, "Patient ID",
         "P1", "P2"},
        {"other issuer", [](CSourceFacts& f) { f.issuerOfPatientId = "B"; }, EGateFailure::PatientDiffers,
         "Patient ID", "P1", "P1 (issuer B)"},
        {"other study", [](CSourceFacts& f) { f.studyInstanceUid = "1.2.4"; }, EGateFailure::StudyDiffers,
         "Study Instance UID", "1.2.3", "1.2.4"},
        {"same instance", [](CSourceFacts& f) { f.sopInstanceUid = "9.1"; }, EGateFailure::SameInstance,
         "SOP Instance UID", "9.1", "9.1"},
        {"MONOCHROME1: inverted within its range", [](CSourceFacts& f) { f.photometric = "MONOCHROME1"; },
         EGateFailure::None, "", "", ""},
        {"RGB", [](CSourceFacts& f) { f.photometric = "RGB"; }, EGateFailure::PhotometricDiffers,
         "Photometric Interpretation", "MONOCHROME2", "RGB"},
        {"MONOCHROME1 with another rescale",
         [](CSourceFacts& f) { f.photometric = "MONOCHROME1", f.bitsStored = 10, f.rescaleIntercept = 100; },
         EGateFailure::PhotometricDiffers, "Photometric Interpretation", "MONOCHROME2", "MONOCHROME1"},
        {"photometric case only", [](CSourceFacts& f) { f.photometric = "monochrome2"; }, EGateFailure::None, "",
         "", ""},
        {"signed values", [](CSourceFacts& f) { f.pixelRepresentation = 1; },
         EGateFailure::PixelRepresentationDiffers, "Pixel Representation", "0", "1"},
        {"14 bits under 12", [](CSourceFacts& f) { f.bitsStored = 14; }, EGateFailure::BitsStoredDiffers,
         "Bits Stored", "12", "14"},
        {"10 bits under 12: the values fit", [](CSourceFacts& f) { f.bitsStored = 10; }, EGateFailure::None, "", "",
         ""},
        {"another depth: the save refuses it", [](CSourceFacts& f) { f.bitsAllocated = 8, f.bitsStored = 8; },
         EGateFailure::None, "", "", ""},
        {"slope 2: 4095 doubled is beyond 12 bits", [](CSourceFacts& f) { f.rescaleSlope = 2; },
         EGateFailure::RescaleDiffers, "Rescale Slope/Intercept", "1/0", "2/0"},
        {"slope 2 on 10 bits: doubled within 12", [](CSourceFacts& f) { f.rescaleSlope = 2, f.bitsStored = 10; },
         EGateFailure::None, "", "", ""},
        {"slope 1.5: no whole factor", [](CSourceFacts& f) { f.rescaleSlope = 1.5, f.bitsStored = 10; },
         EGateFailure::RescaleDiffers, "Rescale Slope/Intercept", "1/0", "1.5/0"},
        {"intercept 100 on 10 bits: +100 within 12", [](CSourceFacts& f) { f.rescaleIntercept = 100, f.bitsStored = 10; },
         EGateFailure::None, "", "", ""},
        {"intercept", [](CSourceFacts& f) { f.rescaleIntercept = -1024; }, EGateFailure::RescaleDiffers,
         "Rescale Slope/Intercept", "1/0", "1/-1024"},
        {"spacing 1 % apart", [](CSourceFacts& f) { f.pixelSpacing = std::vector<double>{0.15, 0.1515}; },
         EGateFailure::None, "", "", ""},
        {"spacing 2 % apart", [](CSourceFacts& f) { f.pixelSpacing = std::vector<double>{0.153, 0.15}; },
         EGateFailure::SpacingDiffers, "Pixel Spacing", "0.15\\0.15", "0.153\\0.15"},
        {"imager spacing apart", [](CSourceFacts& f) { f.imagerPixelSpacing = std::vector<double>{0.2, 0.25}; },
         EGateFailure::SpacingDiffers, "Imager Pixel Spacing", "0.2\\0.2", "0.2\\0.25"},
        {"spacing absent", [](CSourceFacts& f) { f.pixelSpacing.reset(); }, EGateFailure::None, "", "", ""},
    };
    for (const auto& c : cases) {
        std::vector<CSourceFacts> pieces = {Piece("9.1"), Piece("9.2"), Piece("9.3")};
        c.change(pieces[1]);
        const CStitchGateResult result = stitchgate::Check(pieces);
        EXPECT_EQ(result.failure, c.failure) << c.name;
        if (c.failure == EGateFailure::None)
            continue;
        EXPECT_STREQ(result.attribute, c.attribute) << c.name;
        EXPECT_EQ(result.first, 0) << c.name;
        EXPECT_EQ(result.other, 1) << c.name;
        EXPECT_EQ(result.firstValue, c.firstValue) << c.name;
        EXPECT_EQ(result.otherValue, c.otherValue) << c.name;
    }
}

TEST(StitchGate, SignednessPassesOnlyWhenTheUnsignedValuesFitBelowTheSignBit)
{
    const struct {
        int firstRepresentation, firstBits, otherRepresentation, otherBits;
        EGateFailure failure;
    } cases[] = {
        {1, 16, 0, 12, EGateFailure::None},
        {1, 12, 0, 12, EGateFailure::PixelRepresentationDiffers},  // 4095 reads as -1
        {0, 16, 1, 12, EGateFailure::PixelRepresentationDiffers},  // negatives have no place
        {1, 12, 1, 14, EGateFailure::BitsStoredDiffers},
    };
    for (const auto& c : cases) {
        std::vector<CSourceFacts> pieces = {Piece("9.1"), Piece("9.2")};
        pieces[0].pixelRepresentation = c.firstRepresentation;
        pieces[0].bitsStored = c.firstBits;
        pieces[1].pixelRepresentation = c.otherRepresentation;
        pieces[1].bitsStored = c.otherBits;
        EXPECT_EQ(stitchgate::Check(pieces).failure, c.failure) << c.firstRepresentation << c.firstBits << " "
                                                               << c.otherRepresentation << c.otherBits;
    }
}

TEST(StitchGate, TheRefusalIsOneLineNamingTheAttributeAndBothFiles)
{
    const std::vector<std::string> names = {"a.dcm", "b.dcm", "c.dcm", "template.dcm"};
    const struct {
        std::function<void(CSourceFacts&)> change;
        const char* text;
    } cases[] = {
        {[](CSourceFacts& f) { f.patientId = "P2"; },
         "Cannot stitch: Patient ID differs: 'P1' in a.dcm, 'P2' in c.dcm."},
        {[](CSourceFacts& f) { f.bitsStored = 14; },
         "Cannot stitch: Bits Stored differs: '12' in a.dcm, '14' in c.dcm, and cannot be converted without loss."},
        {[](CSourceFacts& f) { f.rescaleIntercept = -1024; },
         "Cannot stitch: Rescale Slope/Intercept differs: '1/0' in a.dcm, '1/-1024' in c.dcm, and cannot be "
         "converted without loss."},
        {[](CSourceFacts& f) { f.photometric = "PALETTE COLOR"; },
         "Cannot stitch: Photometric Interpretation differs: 'MONOCHROME2' in a.dcm, 'PALETTE COLOR' in c.dcm, and "
         "cannot be converted without loss."},
        {[](CSourceFacts& f) { f.pixelSpacing = std::vector<double>{0.2, 0.2}; },
         "Cannot stitch: Pixel Spacing differs: '0.15\\0.15' in a.dcm, '0.2\\0.2' in c.dcm (more than 1 %)."},
        {[](CSourceFacts& f) { f.sopInstanceUid = "9.2"; },
         "Cannot stitch: b.dcm and c.dcm are the same image (SOP Instance UID 9.2)."},
    };
    for (const auto& c : cases) {
        std::vector<CSourceFacts> pieces = {Piece("9.1"), Piece("9.2"), Piece("9.3")};
        c.change(pieces[2]);
        EXPECT_EQ(stitchtext::GateFailureReason(stitchgate::Check(pieces), names), c.text);
    }
    EXPECT_EQ(stitchtext::GateFailureReason(CStitchGateResult{}, names), "");
}

class StitchGateFiles : public testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::FreshDir(std::string("gate_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // A small image with the given identity.
    std::string Write(const std::string& name, const char* sop, const char* patient, const char* study)
    {
        const fs::path path = dir / name;
        testfiles::SyntheticImage image = testfiles::MakeGrey(20, 10, 16, [](int r, int c) { return r * 10 + c; });
        image.sopInstanceUID = sop;
        EXPECT_EQ(testfiles::WriteSynthetic(image, path), "");
        LDicomDS ds(nullptr);
        EXPECT_EQ(ds.LoadDS(path.c_str(), 0), DICOM_SUCCESS);
        EXPECT_TRUE(ds.SetStringValue(ds.FindFirstElement(nullptr, TAG_PATIENT_ID, FALSE), patient, 1));
        EXPECT_TRUE(ds.SetStringValue(ds.FindFirstElement(nullptr, TAG_STUDY_INSTANCE_UID, FALSE), study, 1));
        EXPECT_EQ(ds.SaveDS(path.c_str(), 0), DICOM_SUCCESS);
        return path.string();
    }
    fs::path dir;
};

TEST_F(StitchGateFiles, RealFilesOfAnotherPatientOrStudyAreRefusedBeforeLoading)
{
    const std::string a = Write("a.dcm", "1.2.9.1", "P1", "1.2.3");
    const std::string b = Write("b.dcm", "1.2.9.2", "P1", "1.2.3");
    const std::string otherPatient = Write("c.dcm", "1.2.9.3", "P2", "1.2.3");
    const std::string otherStudy = Write("d.dcm", "1.2.9.4", "P1", "1.2.4");

    EXPECT_TRUE(stitchgate::CheckFiles({a, b}).Ok());
    EXPECT_EQ(stitchgate::CheckFiles({a, b, otherPatient}).failure, EGateFailure::PatientDiffers);
    EXPECT_EQ(stitchgate::CheckFiles({a, otherStudy}).failure, EGateFailure::StudyDiffers);
    EXPECT_EQ(stitchgate::CheckFiles({a, a}).failure, EGateFailure::SameInstance);
    // A template of another patient would lend its identity to the stitched image.
    const CStitchGateResult byTemplate = stitchgate::CheckFiles({a, b}, otherPatient);
    EXPECT_EQ(byTemplate.failure, EGateFailure::PatientDiffers);
    EXPECT_EQ(byTemplate.other, 2);
    EXPECT_EQ(stitchgate::CheckFiles({a, (dir / "missing.dcm").string()}).failure, EGateFailure::Unreadable);

    CStitchModel model;
    const CStitchLoadResult loaded = model.LoadFiles({a, otherPatient});
    EXPECT_EQ(loaded.failure, ELoadFailure::Inconsistent);
    EXPECT_EQ(stitchtext::LoadFailureReason(loaded),
              "Cannot stitch: Patient ID differs: 'P1' in " + a + ", 'P2' in " + otherPatient + ".");
    EXPECT_EQ(model.GetCount(), 0);
    EXPECT_TRUE(model.LoadFiles({a, b}).Ok());
    EXPECT_EQ(model.GetCount(), 2);
}
