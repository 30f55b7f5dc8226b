// LDraw: paints a bitmap's rendition onto a device context of the platform layer.
#include "imaging/LBitmap.h"

#include "platform/DC.h"

int LDraw::Paint(DWORD rop)
{
    CDC* dc = m_hdc ? CDC::FromHandle(m_hdc) : nullptr;
    if (!dc)
        return ERROR_INV_PARAMETER;
    if (!m_bitmap.IsAllocated())
        return ERROR_NO_BITMAP;
    const RECT src = m_bitmap.GetSrcRect();
    const RECT dst = m_bitmap.GetDstRect();
    const RECT clip = m_bitmap.GetClipDstRect();
    if (src.right <= src.left || src.bottom <= src.top || dst.right == dst.left || dst.bottom == dst.top)
        return SUCCESS;  // nothing to paint
    // Cached: repainting an unchanged bitmap costs the stretch only.
    const std::vector<DWORD>& rendition = m_bitmap.GetRendition();

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_bitmap.GetWidth();
    info.bmiHeader.biHeight = -m_bitmap.GetHeight();  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    const int saved = dc->SaveDC();
    dc->IntersectClipRect(&clip);
    const int rows = dc->StretchDIBits(dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left,
                                       src.top, src.right - src.left, src.bottom - src.top, rendition.data(), &info,
                                       DIB_RGB_COLORS, rop);
    dc->RestoreDC(saved);
    return rows > 0 ? SUCCESS : FAILURE;
}
