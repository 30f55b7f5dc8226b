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
    if (m_attr.m_nPhotometric == PHOTOMETRIC_MONOCHROME1) {
        m_crLutStart = 0xFFFFFF;
        m_crLutEnd = 0x000000;
    }
    // Only a positive width and a positive centre are applied (a NaN is neither);
    // otherwise the bitmap keeps the library's default rendering.
    if (m_attr.m_dWindowWidth > 0.0 && m_attr.m_dWindowCenter > 0.0)
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

void CBaseImageData::WindowToStored(int*, int* pCenter)
{
    if (m_attr.m_nPixelRepresentation != 0)
        *pCenter = ClampedSum(*pCenter, kSignedOffset);
    if (m_attr.m_dRescaleIntercept != 0.0)
        *pCenter = ClampedSum(*pCenter, -std::int64_t{TruncateToInt(m_attr.m_dRescaleIntercept)});
}

void CBaseImageData::WindowToModality(int*, int* pCenter)
{
    if (m_attr.m_nPixelRepresentation != 0)
        *pCenter = ClampedSum(*pCenter, -kSignedOffset);
    if (m_attr.m_dRescaleIntercept != 0.0)
        *pCenter = ClampedSum(*pCenter, TruncateToInt(m_attr.m_dRescaleIntercept));
}
