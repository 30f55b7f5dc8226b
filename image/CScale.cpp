#include "image/CScale.h"

namespace {
LONG scaled(LONG value, float factor)
{
    return static_cast<LONG>(static_cast<float>(value) * factor);
}
}  // namespace

CRect CScale::ScaleRect(CRect rc) const
{
    return CRect(scaled(rc.left, m_fFactor), scaled(rc.top, m_fFactor), scaled(rc.right, m_fFactor),
                 scaled(rc.bottom, m_fFactor));
}
