#include "image/CBaseImageData.h"

#include "image/CDicomFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr int kSignedOffset = 32768;

// Truncation toward zero, limited to the int range (a NaN gives 0) so that out-of-range
// values from a file cannot overflow the conversion.
int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

int ClampedSum(int a, std::int64_t b)
{
    return static_cast<int>(std::clamp<std::int64_t>(a + b, INT32_MIN, INT32_MAX));
}

// A missing or zero slope is no rescale at all.
double EffectiveSlope(double slope)
{
    return std::isfinite(slope) && slope != 0.0 ? slope : 1.0;
}

// Truncated toward zero, so that the conversions are exact inverses for a slope of 1.
double EffectiveIntercept(double intercept)
{
    return std::isfinite(intercept) ? std::trunc(intercept) : 0.0;
}
}  // namespace

BOOL CBaseImageData::Load(LPCTSTR path)
{
    m_strFileName = path;
    // One reading of the file gives the bitmap and the records.
    CDicomFile dataSet;
    if (!LoadFrom(path, dataSet))
        return FALSE;
    dataSet.ReadStudyData(&m_study);
    dataSet.ReadImageAttr(&m_attr);
    ApplyFileRendering();
    return TRUE;
}

void CBaseImageData::ApplyFileRendering()
{
    // MONOCHROME1 shows its largest values black, through a window or without one.
    if (m_attr.m_nPhotometric == PHOTOMETRIC_MONOCHROME1) {
        m_crLutStart = 0xFFFFFF;
        m_crLutEnd = 0x000000;
        m_bitmap.SetInvertedGrey(TRUE);
    }
    // Any centre (negative ones are common for signed data) with a width of at least 1;
    // a NaN is neither. Otherwise the bitmap keeps the library's default rendering.
    if (m_attr.m_dWindowWidth >= 1.0 && std::isfinite(m_attr.m_dWindowCenter))
        SetWindowLevel(TruncateToInt(m_attr.m_dWindowWidth), TruncateToInt(m_attr.m_dWindowCenter));
}

BOOL CBaseImageData::Copy(CBaseImageData* pSrc)
{
    CopyImage(pSrc);
    if (pSrc == this)
        return TRUE;
    m_strFileName = pSrc->m_strFileName;
    m_study = pSrc->m_study;
    m_attr = pSrc->m_attr;
    return TRUE;
}

// The window is in rescaled units (slope x stored + intercept); the table is indexed by
// the stored value, plus 32768 for signed data. A file without Pixel Representation is
// read as unsigned, as its pixels are decoded.
void CBaseImageData::WindowToStored(int* pWidth, int* pCenter)
{
    const double slope = EffectiveSlope(m_attr.m_dRescaleSlope);
    const double intercept = EffectiveIntercept(m_attr.m_dRescaleIntercept);
    if (slope != 1.0)
        *pWidth = std::max(1, TruncateToInt(*pWidth / std::fabs(slope)));
    *pCenter = TruncateToInt((*pCenter - intercept) / slope);
    if (m_attr.m_nPixelRepresentation == 1)
        *pCenter = ClampedSum(*pCenter, kSignedOffset);
}

void CBaseImageData::WindowToModality(int* pWidth, int* pCenter)
{
    const double slope = EffectiveSlope(m_attr.m_dRescaleSlope);
    const double intercept = EffectiveIntercept(m_attr.m_dRescaleIntercept);
    if (m_attr.m_nPixelRepresentation == 1)
        *pCenter = ClampedSum(*pCenter, -kSignedOffset);
    if (slope != 1.0)
        *pWidth = TruncateToInt(*pWidth * std::fabs(slope));
    *pCenter = TruncateToInt(*pCenter * slope + intercept);
}
