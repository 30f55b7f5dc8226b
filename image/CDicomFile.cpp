#include "image/CDicomFile.h"

#include "imaging/DicomTags.h"

CDicomFile::~CDicomFile()
{
    ResetDS();
}

BOOL CDicomFile::Load(LPCTSTR path)
{
    return LoadDS(path, 0) == DICOM_SUCCESS;
}

BOOL CDicomFile::ReadStudyData(CDicomStudyData* pStudy)
{
    ReadText(TAG_SOP_INSTANCE_UID, kTree, &pStudy->m_strSOPInstanceUID);
    ReadText(TAG_PATIENT_ID, kTree, &pStudy->m_strPatientID);
    ReadText(TAG_PATIENT_NAME, kTree, &pStudy->m_strPatientName);
    ReadText(TAG_PATIENT_SEX, kTree, &pStudy->m_strPatientSex);
    ReadDateTime(TAG_PATIENT_BIRTH_DATE, 0, &pStudy->m_dtBirthDate);
    ReadText(TAG_STUDY_INSTANCE_UID, kTree, &pStudy->m_strStudyInstanceUID);
    ReadText(TAG_STUDY_ID, kTree, &pStudy->m_strStudyID);
    ReadDateTime(TAG_STUDY_DATE, TAG_STUDY_TIME, &pStudy->m_dtStudy);
    ReadText(TAG_STUDY_DESCRIPTION, kTree, &pStudy->m_strStudyDescription);
    ReadText(TAG_SERIES_INSTANCE_UID, kTree, &pStudy->m_strSeriesInstanceUID);
    ReadLong(TAG_SERIES_NUMBER, kTree, &pStudy->m_nSeriesNumber);
    ReadDateTime(TAG_SERIES_DATE, TAG_SERIES_TIME, &pStudy->m_dtSeries);
    ReadText(TAG_MODALITY, kTree, &pStudy->m_strModality);
    ReadText(TAG_INSTITUTION_NAME, kTopLevel, &pStudy->m_strInstitutionName);
    ReadLong(TAG_ACQUISITION_NUMBER, kTopLevel, &pStudy->m_nAcquisitionNumber);
    ReadLong(TAG_INSTANCE_NUMBER, kTree, &pStudy->m_nInstanceNumber);
    ReadDouble(TAG_KVP, kTopLevel, &pStudy->m_dKVP);
    ReadLong(TAG_TUBE_CURRENT, kTopLevel, &pStudy->m_nTubeCurrent);
    return TRUE;
}

BOOL CDicomFile::ReadImageAttr(CDicomImageAttr* pAttr)
{
    ReadShort(TAG_SAMPLES_PER_PIXEL, &pAttr->m_nSamplesPerPixel);
    ReadPhotometric(pAttr);
    ReadLong(TAG_NUMBER_OF_FRAMES, kTree, &pAttr->m_nNumberOfFrames);
    ReadShort(TAG_ROWS, &pAttr->m_nRows);
    ReadShort(TAG_COLUMNS, &pAttr->m_nColumns);
    ReadShort(TAG_BITS_ALLOCATED, &pAttr->m_nBitsAllocated);
    ReadShort(TAG_BITS_STORED, &pAttr->m_nBitsStored);
    ReadShort(TAG_HIGH_BIT, &pAttr->m_nHighBit);
    ReadShort(TAG_PIXEL_REPRESENTATION, &pAttr->m_nPixelRepresentation);
    ReadDouble(TAG_WINDOW_WIDTH, kTree, &pAttr->m_dWindowWidth);
    ReadDouble(TAG_WINDOW_CENTER, kTree, &pAttr->m_dWindowCenter);
    ReadDouble(TAG_RESCALE_INTERCEPT, kTree, &pAttr->m_dRescaleIntercept);
    ReadDouble(TAG_RESCALE_SLOPE, kTree, &pAttr->m_dRescaleSlope);
    ReadPixelSpacing(&pAttr->m_fPixelSpacingRow, &pAttr->m_fPixelSpacingColumn);
    ReadFloat(TAG_SLICE_THICKNESS, &pAttr->m_fSliceThickness);
    return TRUE;
}

void CDicomFile::ReadText(DWORD tag, BOOL bTree, CString* pValue)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, tag, bTree);
    if (element == nullptr)
        return;
    const char* text = GetStringValue(element, 0, 1);
    *pValue = text ? text : "";
}

void CDicomFile::ReadShort(DWORD tag, int* pValue)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, tag, kTree);
    if (element == nullptr)
        return;
    // 16-bit values widen with their sign: an unsigned 40000 becomes -25536.
    if (const short* value = GetShortValue(element, 0, 1))
        *pValue = *value;
}

void CDicomFile::ReadLong(DWORD tag, BOOL bTree, int* pValue)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, tag, bTree);
    if (element == nullptr)
        return;
    if (const LONG* value = GetLongValue(element, 0, 1))
        *pValue = *value;
}

void CDicomFile::ReadDouble(DWORD tag, BOOL bTree, double* pValue)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, tag, bTree);
    if (element == nullptr)
        return;
    if (const double* value = GetDoubleValue(element, 0, 1))
        *pValue = *value;
}

void CDicomFile::ReadFloat(DWORD tag, float* pValue)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, tag, kTree);
    if (element == nullptr)
        return;
    if (const double* value = GetDoubleValue(element, 0, 1))
        *pValue = static_cast<float>(*value);
}

void CDicomFile::ReadPixelSpacing(float* pRow, float* pColumn)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, TAG_PIXEL_SPACING, kTree);
    if (element == nullptr)
        return;
    if (const double* values = GetDoubleValue(element, 0, 2)) {
        *pRow = static_cast<float>(values[0]);
        *pColumn = static_cast<float>(values[1]);
    }
}

void CDicomFile::ReadDateTime(DWORD dateTag, DWORD timeTag, COleDateTime* pValue)
{
    if (pDICOMELEMENT element = FindFirstElement(nullptr, dateTag, kTree)) {
        if (const VALUEDATE* date = GetDateValue(element, 0, 1))
            pValue->SetDate(date->nYear, date->nMonth, date->nDay);
    }
    if (timeTag == 0)
        return;
    if (pDICOMELEMENT element = FindFirstElement(nullptr, timeTag, kTree)) {
        // The time of day joins the date already read; fractions of a second are dropped.
        if (const VALUETIME* time = GetTimeValue(element, 0, 1))
            pValue->SetDateTime(pValue->GetYear(), pValue->GetMonth(), pValue->GetDay(), time->nHours,
                                time->nMinutes, time->nSeconds);
    }
}

void CDicomFile::ReadPhotometric(CDicomImageAttr* pAttr)
{
    pDICOMELEMENT element = FindFirstElement(nullptr, TAG_PHOTOMETRIC_INTERPRETATION, kTree);
    if (element == nullptr)
        return;
    const char* text = GetStringValue(element, 0, 1);
    pAttr->m_strPhotometric = text ? text : "";
    pAttr->m_nPhotometric = PhotometricKindFromText(text);
}
