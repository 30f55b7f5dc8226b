// Shared result codes, flags and records of the imaging layer.
#pragma once

#include "platform/GdiTypes.h"  // SRCCOPY, RGBQUAD and the bitmap records
#include "platform/Win32Types.h"

// Result families: data-set load/save return DICOM_SUCCESS (0); bitmap operations
// return SUCCESS (1); anything else is a failure code below.
constexpr int DICOM_SUCCESS = 0;
constexpr int SUCCESS = 1;
constexpr int FAILURE = 0;
constexpr int ERROR_FILE_OPEN = -10;       // missing, unreadable, directory
constexpr int ERROR_FILE_FORMAT = -9;      // not a DICOM file, or damaged beyond reading
constexpr int ERROR_NO_MEMORY = -1;        // a buffer could not be allocated
constexpr int ERROR_INV_PARAMETER = -13;   // an argument out of range
constexpr int ERROR_NO_BITMAP = -8;        // the bitmap holds no pixels
constexpr int ERROR_FEATURE_NOT_SUPPORTED = -22;  // a transfer syntax or pixel layout we cannot decode
constexpr int ERROR_DICOM_NO_PIXELS = -401;       // the data set has no Pixel Data
constexpr int ERROR_DICOM_WRITE = -402;           // writing the data set failed
constexpr int ERROR_USER_ABORT = -100;            // a row callback asked to stop

// Callback flags handed with each band of decoded rows.
constexpr UINT FILEREAD_FIRSTROW = 0x0004;
constexpr UINT FILEREAD_LASTROW = 0x0008;

// Colour order argument of file load: 4 keeps the file's own order (grey stays grey).
constexpr int ORDER_RGB = 0;
constexpr int ORDER_BGR = 1;
constexpr int ORDER_GRAY = 2;
constexpr int ORDER_BGRORGRAY = 4;

// Combine flags.
constexpr UINT CB_DST_0 = 0x0020;       // clear the target first
constexpr UINT CB_OP_OR = 0x0100;       // OR the source into the target
constexpr UINT CB_OP_REPLACE = 0x0320;  // source replaces target where they overlap

// WindowLevel flag: render through the table.
constexpr UINT WINDOWLEVEL_PAINT = 0x0001;
// WindowLevelFillLUT flag: linear ramp.
constexpr UINT FILLLUT_LINEAR = 0x0001;

struct VALUEDATE {
    USHORT nYear;
    USHORT nMonth;
    USHORT nDay;
};
using pVALUEDATE = VALUEDATE*;

struct VALUETIME {
    USHORT nHours;
    USHORT nMinutes;
    USHORT nSeconds;
    ULONG nFractions;  // microseconds
};
using pVALUETIME = VALUETIME*;

// Opaque element handle handed out by LDicomDS; valid until the data set is reset,
// the element is deleted, or the data set is destroyed.
struct DICOMELEMENT;
using pDICOMELEMENT = DICOMELEMENT*;

// Description of one frame of a Pixel Data element.
struct DICOMIMAGE {
    LONG nRows = 0;
    LONG nColumns = 0;
    LONG nBitsAllocated = 0;
    LONG nBitsStored = 0;
    LONG nHighBit = 0;
    LONG nSamplesPerPixel = 0;
    LONG nPixelRepresentation = 0;  // 0 unsigned, 1 signed
    LONG nFrames = 0;
    BOOL bCompressed = FALSE;       // encapsulated transfer syntax
    LONG nPhotometric = -1;         // DICOM_PHOTOMETRIC_* below, the fill-value code
    LONG nPlanarConfiguration = 0;
};
constexpr LONG DICOM_PHOTOMETRIC_MONOCHROME1 = 0;
constexpr LONG DICOM_PHOTOMETRIC_MONOCHROME2 = 1;
constexpr LONG DICOM_PHOTOMETRIC_PALETTE_COLOR = 2;
constexpr LONG DICOM_PHOTOMETRIC_RGB = 3;
constexpr LONG DICOM_PHOTOMETRIC_ARGB = 4;
constexpr LONG DICOM_PHOTOMETRIC_CMYK = 5;
constexpr LONG DICOM_PHOTOMETRIC_YBR_FULL = 6;
constexpr LONG DICOM_PHOTOMETRIC_YBR_FULL_422 = 7;
constexpr LONG DICOM_PHOTOMETRIC_OTHER = -1;

// Band callback of LDicomDS::GetImage: the rows firstRow .. firstRow + rowCount - 1, one
// after another at the bitmap's row length (width x bytes per pixel, no padding).
// Return SUCCESS (1) to go on, anything else to stop.
using DECODEROWSCALLBACK = int (*)(const BYTE* rows, UINT flags, int firstRow, int rowCount, void* userData);
