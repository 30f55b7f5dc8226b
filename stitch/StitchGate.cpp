#include "stitch/StitchGate.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "imaging/PixelMeaning.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <strings.h>

namespace stitchgate {
namespace {

// Text values lose the padding and surrounding spaces DICOM allows.
std::string Trimmed(const char* text)
{
    std::string value = text ? text : "";
    const size_t begin = value.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::string();
    const size_t end = value.find_last_not_of(" \0", std::string::npos, 2);
    return value.substr(begin, end - begin + 1);
}

std::string Text(LDicomDS& ds, DWORD tag)
{
    return Trimmed(imaging::ReadText(ds, tag).value_or("").c_str());
}

std::optional<std::vector<double>> Pair(LDicomDS& ds, DWORD tag)
{
    const auto pair = imaging::ReadDoublePair(ds, tag);
    return pair ? std::optional<std::vector<double>>({pair->first, pair->second}) : std::nullopt;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string Pair(const std::vector<double>& values)
{
    return Number(values[0]) + "\\" + Number(values[1]);
}

std::string PatientText(const CSourceFacts& facts)
{
    return facts.issuerOfPatientId.empty() ? facts.patientId
                                           : facts.patientId + " (issuer " + facts.issuerOfPatientId + ")";
}

CStitchGateResult Refuse(EGateFailure failure, const char* attribute, int first, int other, std::string firstValue,
                         std::string otherValue)
{
    CStitchGateResult result;
    result.failure = failure;
    result.attribute = attribute;
    result.first = first;
    result.other = other;
    result.firstValue = std::move(firstValue);
    result.otherValue = std::move(otherValue);
    return result;
}

// Identity: every source against the first (and the same instance never twice).
CStitchGateResult CheckIdentity(const std::vector<CSourceFacts>& sources)
{
    const CSourceFacts& first = sources[0];
    for (size_t i = 1; i < sources.size(); ++i) {
        const CSourceFacts& other = sources[i];
        const int k = static_cast<int>(i);
        if (other.patientId != first.patientId || other.issuerOfPatientId != first.issuerOfPatientId)
            return Refuse(EGateFailure::PatientDiffers, "Patient ID", 0, k, PatientText(first), PatientText(other));
        if (other.studyInstanceUid != first.studyInstanceUid)
            return Refuse(EGateFailure::StudyDiffers, "Study Instance UID", 0, k, first.studyInstanceUid,
                          other.studyInstanceUid);
        for (size_t j = 0; j < i; ++j) {
            if (!other.sopInstanceUid.empty() && other.sopInstanceUid == sources[j].sopInstanceUid)
                return Refuse(EGateFailure::SameInstance, "SOP Instance UID", static_cast<int>(j), k,
                              other.sopInstanceUid, other.sopInstanceUid);
        }
    }
    return {};
}

// More than 1 % apart in either direction's spacing.
bool SpacingDiffers(const std::optional<std::vector<double>>& a, const std::optional<std::vector<double>>& b)
{
    if (!a || !b)
        return false;  // nothing to compare: the template's value stands
    for (size_t axis = 0; axis < 2; ++axis) {
        const double larger = std::max(std::fabs((*a)[axis]), std::fabs((*b)[axis]));
        if (std::fabs((*a)[axis] - (*b)[axis]) > 0.01 * larger)
            return true;
    }
    return false;
}

bool IsMonochrome(const std::string& photometric)
{
    return strcasecmp(photometric.c_str(), "MONOCHROME1") == 0 || strcasecmp(photometric.c_str(), "MONOCHROME2") == 0;
}

CStitchGateResult RefusePhotometric(const CSourceFacts& first, const CSourceFacts& other, int k)
{
    return Refuse(EGateFailure::PhotometricDiffers, "Photometric Interpretation", 0, k, first.photometric,
                  other.photometric);
}

CStitchGateResult RefuseRescale(const CSourceFacts& first, const CSourceFacts& other, int k)
{
    return Refuse(EGateFailure::RescaleDiffers, "Rescale Slope/Intercept", 0, k,
                  Number(first.rescaleSlope) + "/" + Number(first.rescaleIntercept),
                  Number(other.rescaleSlope) + "/" + Number(other.rescaleIntercept));
}

// Colour, palette and unreadable descriptions must be equal; pieces of another depth are
// left to the save, which refuses mixed depths with its own reason.
CStitchGateResult CheckUnconvertible(const CSourceFacts& first, const CSourceFacts& other, int k)
{
    if (strcasecmp(other.photometric.c_str(), first.photometric.c_str()) != 0)
        return RefusePhotometric(first, other, k);
    const bool sameDepth = other.bitsAllocated == first.bitsAllocated;
    if (sameDepth && other.pixelRepresentation != first.pixelRepresentation)
        return Refuse(EGateFailure::PixelRepresentationDiffers, "Pixel Representation", 0, k,
                      std::to_string(first.pixelRepresentation), std::to_string(other.pixelRepresentation));
    if (sameDepth && other.bitsStored != first.bitsStored)
        return Refuse(EGateFailure::BitsStoredDiffers, "Bits Stored", 0, k, std::to_string(first.bitsStored),
                      std::to_string(other.bitsStored));
    if (other.rescaleSlope != first.rescaleSlope || other.rescaleIntercept != first.rescaleIntercept)
        return RefuseRescale(first, other, k);
    return {};
}

// The stored values of `other` can be given the first piece's meaning exactly (see
// stitchgate::MeaningOf and imaging::FindConversion).
CStitchGateResult CheckConvertible(const CSourceFacts& first, const CSourceFacts& other, int k)
{
    const bool samePhotometric = strcasecmp(other.photometric.c_str(), first.photometric.c_str()) == 0;
    if (!samePhotometric && !(IsMonochrome(first.photometric) && IsMonochrome(other.photometric)))
        return RefusePhotometric(first, other, k);
    imaging::SampleConversion conversion;
    switch (imaging::FindConversion(MeaningOf(other), MeaningOf(first), conversion)) {
    case imaging::EConversionRefusal::None:
        return {};
    case imaging::EConversionRefusal::Photometric:
        return RefusePhotometric(first, other, k);
    case imaging::EConversionRefusal::PixelRepresentation:
        return Refuse(EGateFailure::PixelRepresentationDiffers, "Pixel Representation", 0, k,
                      std::to_string(first.pixelRepresentation), std::to_string(other.pixelRepresentation));
    case imaging::EConversionRefusal::BitsStored:
        return Refuse(EGateFailure::BitsStoredDiffers, "Bits Stored", 0, k, std::to_string(first.bitsStored),
                      std::to_string(other.bitsStored));
    case imaging::EConversionRefusal::Rescale:
        break;
    }
    return RefuseRescale(first, other, k);
}

bool HasGreyLayout(const CSourceFacts& facts)
{
    return MeaningOf(facts).layout.IsValid() && IsMonochrome(facts.photometric);
}

// The stored values of `other` mean the same under the first piece's description, or
// convert to it exactly; spacing within 1 %.
CStitchGateResult CheckPixels(const CSourceFacts& first, const CSourceFacts& other, int k)
{
    const bool convertible = other.bitsAllocated == first.bitsAllocated && HasGreyLayout(first) && HasGreyLayout(other);
    if (CStitchGateResult values = convertible ? CheckConvertible(first, other, k) : CheckUnconvertible(first, other, k);
        !values.Ok())
        return values;
    if (SpacingDiffers(first.pixelSpacing, other.pixelSpacing))
        return Refuse(EGateFailure::SpacingDiffers, "Pixel Spacing", 0, k, Pair(*first.pixelSpacing),
                      Pair(*other.pixelSpacing));
    if (SpacingDiffers(first.imagerPixelSpacing, other.imagerPixelSpacing))
        return Refuse(EGateFailure::SpacingDiffers, "Imager Pixel Spacing", 0, k, Pair(*first.imagerPixelSpacing),
                      Pair(*other.imagerPixelSpacing));
    return {};
}

}  // namespace

imaging::PixelMeaning MeaningOf(const CSourceFacts& facts)
{
    imaging::PixelMeaning meaning;
    meaning.layout = imaging::SampleLayout{facts.bitsAllocated, facts.bitsStored, facts.bitsStored - 1,
                                           facts.pixelRepresentation == 1};
    meaning.monochrome1 = strcasecmp(facts.photometric.c_str(), "MONOCHROME1") == 0;
    meaning.rescaleSlope = facts.rescaleSlope;
    meaning.rescaleIntercept = facts.rescaleIntercept;
    return meaning;
}

bool ReadFacts(const std::string& path, CSourceFacts& facts, std::string& reason)
{
    LDicomDS ds(nullptr);
    if (ds.LoadDS(path.c_str(), LOADDS_PIXEL_DATA_ON_DEMAND) != DICOM_SUCCESS) {
        reason = ds.GetLastError();
        return false;
    }
    facts.patientId = Text(ds, TAG_PATIENT_ID);
    facts.issuerOfPatientId = Text(ds, TAG_ISSUER_OF_PATIENT_ID);
    facts.studyInstanceUid = Text(ds, TAG_STUDY_INSTANCE_UID);
    facts.sopInstanceUid = Text(ds, TAG_SOP_INSTANCE_UID);
    facts.photometric = Text(ds, TAG_PHOTOMETRIC_INTERPRETATION);
    facts.bitsAllocated = imaging::ReadShort(ds, TAG_BITS_ALLOCATED).value_or(-1);
    facts.bitsStored = imaging::ReadShort(ds, TAG_BITS_STORED).value_or(facts.bitsAllocated);
    facts.pixelRepresentation = imaging::ReadShort(ds, TAG_PIXEL_REPRESENTATION).value_or(0);
    facts.rescaleSlope = imaging::ReadDouble(ds, TAG_RESCALE_SLOPE).value_or(1.0);
    facts.rescaleIntercept = imaging::ReadDouble(ds, TAG_RESCALE_INTERCEPT).value_or(0.0);
    facts.pixelSpacing = Pair(ds, TAG_PIXEL_SPACING);
    facts.imagerPixelSpacing = Pair(ds, TAG_IMAGER_PIXEL_SPACING);
    return true;
}

CStitchGateResult Check(const std::vector<CSourceFacts>& sources)
{
    if (sources.size() < 2)
        return {};
    if (CStitchGateResult identity = CheckIdentity(sources); !identity.Ok())
        return identity;
    for (size_t i = 1; i < sources.size(); ++i) {
        if (CStitchGateResult pixels = CheckPixels(sources[0], sources[i], static_cast<int>(i)); !pixels.Ok())
            return pixels;
    }
    return {};
}

CStitchGateResult CheckFiles(const std::vector<std::string>& paths, const std::string& templatePath)
{
    std::vector<CSourceFacts> sources(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string reason;
        if (!ReadFacts(paths[i], sources[i], reason)) {
            CStitchGateResult result;
            result.failure = EGateFailure::Unreadable;
            result.first = static_cast<int>(i);
            result.detail = reason;
            return result;
        }
    }
    CStitchGateResult result = Check(sources);
    if (!result.Ok() || templatePath.empty() || paths.empty() || templatePath == paths[0])
        return result;
    // The template lends its patient, study and series: it must be the same patient's and study's.
    CSourceFacts reference;
    std::string reason;
    if (!ReadFacts(templatePath, reference, reason))
        return result;  // the save reports an unreadable template with its own reason
    reference.sopInstanceUid.clear();
    result = CheckIdentity({sources[0], reference});
    if (!result.Ok())
        result.other = static_cast<int>(paths.size());  // the template, after the pieces
    return result;
}

}  // namespace stitchgate
