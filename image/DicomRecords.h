// Attribute records read from a source image's data set: patient, study and series
// (CDicomStudyData) and pixel description and window (CDicomImageAttr).
#pragma once

#include "platform/CString.h"
#include "platform/DateTime.h"

// Photometric Interpretation as a number; only MONOCHROME1 changes rendering.
enum PhotometricKind : int {
    PHOTOMETRIC_UNKNOWN = -1,
    PHOTOMETRIC_MONOCHROME1 = 0,
    PHOTOMETRIC_MONOCHROME2 = 1,
    PHOTOMETRIC_PALETTE_COLOR = 2,
    PHOTOMETRIC_RGB = 3,
    PHOTOMETRIC_ARGB = 4,
    PHOTOMETRIC_CMYK = 5,
};

// The kind of a stored Photometric Interpretation text, compared without regard to case;
// PHOTOMETRIC_UNKNOWN for any other text.
int PhotometricKindFromText(LPCTSTR text);
// The canonical text of a kind ("MONOCHROME1" ...), "" for PHOTOMETRIC_UNKNOWN.
LPCTSTR PhotometricKindName(int kind);

// Patient, study and series attributes, kept for reference and copied with the image.
// Dates are zero (30 December 1899) until read; the numbers the file lacks stay 0.
class CDicomStudyData {
public:
    CString m_strSOPInstanceUID;
    CString m_strPatientID;
    CString m_strPatientName;
    CString m_strPatientSex;
    COleDateTime m_dtBirthDate;
    CString m_strStudyInstanceUID;
    CString m_strStudyID;
    COleDateTime m_dtStudy;
    CString m_strStudyDescription;
    CString m_strSeriesInstanceUID;
    int m_nSeriesNumber = 0;
    COleDateTime m_dtSeries;
    CString m_strModality;
    CString m_strInstitutionName;
    int m_nAcquisitionNumber = 0;
    int m_nInstanceNumber = 0;
    double m_dKVP = 0.0;
    int m_nTubeCurrent = 0;
};

// Pixel description, window and rescale of a source image. -1 marks an element the file
// lacks (except High Bit, 0); the 16-bit values are held sign-widened (Rows 40000 is -25536).
class CDicomImageAttr {
public:
    int m_nSamplesPerPixel = -1;
    CString m_strPhotometric;
    int m_nPhotometric = PHOTOMETRIC_UNKNOWN;
    int m_nNumberOfFrames = -1;
    int m_nRows = -1;
    int m_nColumns = -1;
    int m_nBitsAllocated = -1;
    int m_nBitsStored = -1;
    int m_nHighBit = 0;
    int m_nPixelRepresentation = -1;
    double m_dWindowWidth = 0.0;
    double m_dWindowCenter = 0.0;
    double m_dRescaleIntercept = 0.0;
    double m_dRescaleSlope = 0.0;
    float m_fPixelSpacingRow = 0.0f;
    float m_fPixelSpacingColumn = 0.0f;
    float m_fSliceThickness = 0.0f;
};
