#include "image/CDicomFile.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"

CDicomFile::~CDicomFile()
{
    ResetDS();
}

BOOL CDicomFile::Load(LPCTSTR path)
{
    return LoadDS(path, 0) == DICOM_SUCCESS;
}

namespace {
using imaging::Scope;
constexpr Scope kTree = Scope::Tree;
constexpr Scope kTopLevel = Scope::TopLevel;  // a few study elements are looked up here only

// A field takes the value the file has; when the element is absent (or its value does not
// convert) the field keeps the record's default.
template <typename Value, typename Field>
void Assign(const std::optional<Value>& value, Field* field)
{
    if (value)
        *field = static_cast<Field>(*value);
}

// The date, then the time of day when the time element is present; fractions of a second
// are dropped.
void AssignDateTime(LDicomDS& ds, DWORD dateTag, DWORD timeTag, COleDateTime* pValue)
{
    if (const auto date = imaging::ReadDate(ds, dateTag, kTree))
        pValue->SetDate(date->nYear, date->nMonth, date->nDay);
    if (timeTag == 0)
        return;
    if (const auto time = imaging::ReadTime(ds, timeTag, kTree))
        pValue->SetDateTime(pValue->GetYear(), pValue->GetMonth(), pValue->GetDay(), time->nHours, time->nMinutes,
                            time->nSeconds);
}

}  // namespace

BOOL CDicomFile::ReadStudyData(CDicomStudyData* pStudy)
{
    using imaging::ReadDouble, imaging::ReadLong, imaging::ReadText;
    Assign(ReadText(*this, TAG_SOP_INSTANCE_UID, kTree), &pStudy->m_strSOPInstanceUID);
    Assign(ReadText(*this, TAG_PATIENT_ID, kTree), &pStudy->m_strPatientID);
    Assign(ReadText(*this, TAG_PATIENT_NAME, kTree), &pStudy->m_strPatientName);
    Assign(ReadText(*this, TAG_PATIENT_SEX, kTree), &pStudy->m_strPatientSex);
    AssignDateTime(*this, TAG_PATIENT_BIRTH_DATE, 0, &pStudy->m_dtBirthDate);
    Assign(ReadText(*this, TAG_STUDY_INSTANCE_UID, kTree), &pStudy->m_strStudyInstanceUID);
    Assign(ReadText(*this, TAG_STUDY_ID, kTree), &pStudy->m_strStudyID);
    AssignDateTime(*this, TAG_STUDY_DATE, TAG_STUDY_TIME, &pStudy->m_dtStudy);
    Assign(ReadText(*this, TAG_STUDY_DESCRIPTION, kTree), &pStudy->m_strStudyDescription);
    Assign(ReadText(*this, TAG_SERIES_INSTANCE_UID, kTree), &pStudy->m_strSeriesInstanceUID);
    Assign(ReadLong(*this, TAG_SERIES_NUMBER, kTree), &pStudy->m_nSeriesNumber);
    AssignDateTime(*this, TAG_SERIES_DATE, TAG_SERIES_TIME, &pStudy->m_dtSeries);
    Assign(ReadText(*this, TAG_MODALITY, kTree), &pStudy->m_strModality);
    Assign(ReadText(*this, TAG_INSTITUTION_NAME, kTopLevel), &pStudy->m_strInstitutionName);
    Assign(ReadLong(*this, TAG_ACQUISITION_NUMBER, kTopLevel), &pStudy->m_nAcquisitionNumber);
    Assign(ReadLong(*this, TAG_INSTANCE_NUMBER, kTree), &pStudy->m_nInstanceNumber);
    Assign(ReadDouble(*this, TAG_KVP, kTopLevel), &pStudy->m_dKVP);
    Assign(ReadLong(*this, TAG_TUBE_CURRENT, kTopLevel), &pStudy->m_nTubeCurrent);
    return TRUE;
}

BOOL CDicomFile::ReadImageAttr(CDicomImageAttr* pAttr)
{
    using imaging::ReadDouble, imaging::ReadShort;
    Assign(ReadShort(*this, TAG_SAMPLES_PER_PIXEL, kTree), &pAttr->m_nSamplesPerPixel);
    if (const auto photometric = imaging::ReadText(*this, TAG_PHOTOMETRIC_INTERPRETATION, kTree)) {
        pAttr->m_strPhotometric = *photometric;
        pAttr->m_nPhotometric = PhotometricKindFromText(photometric->c_str());
    }
    Assign(imaging::ReadLong(*this, TAG_NUMBER_OF_FRAMES, kTree), &pAttr->m_nNumberOfFrames);
    Assign(ReadShort(*this, TAG_ROWS, kTree), &pAttr->m_nRows);
    Assign(ReadShort(*this, TAG_COLUMNS, kTree), &pAttr->m_nColumns);
    Assign(ReadShort(*this, TAG_BITS_ALLOCATED, kTree), &pAttr->m_nBitsAllocated);
    Assign(ReadShort(*this, TAG_BITS_STORED, kTree), &pAttr->m_nBitsStored);
    Assign(ReadShort(*this, TAG_HIGH_BIT, kTree), &pAttr->m_nHighBit);
    Assign(ReadShort(*this, TAG_PIXEL_REPRESENTATION, kTree), &pAttr->m_nPixelRepresentation);
    Assign(ReadDouble(*this, TAG_WINDOW_WIDTH, kTree), &pAttr->m_dWindowWidth);
    Assign(ReadDouble(*this, TAG_WINDOW_CENTER, kTree), &pAttr->m_dWindowCenter);
    Assign(ReadDouble(*this, TAG_RESCALE_INTERCEPT, kTree), &pAttr->m_dRescaleIntercept);
    Assign(ReadDouble(*this, TAG_RESCALE_SLOPE, kTree), &pAttr->m_dRescaleSlope);
    if (const auto spacing = imaging::ReadDoublePair(*this, TAG_PIXEL_SPACING, kTree)) {
        pAttr->m_fPixelSpacingRow = static_cast<float>(spacing->first);
        pAttr->m_fPixelSpacingColumn = static_cast<float>(spacing->second);
    }
    Assign(ReadDouble(*this, TAG_SLICE_THICKNESS, kTree), &pAttr->m_fSliceThickness);
    return TRUE;
}
