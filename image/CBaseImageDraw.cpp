// CBaseImage's painting, apart from the rest of the class: it needs the window system's
// device contexts, which the window-free stitching path never loads.
#include "image/CBaseImage.h"

#include "platform/DC.h"

void CBaseImage::Draw(CDC* pDC)
{
    const RECT source{m_nSrcX, m_nSrcY, m_nSrcX + m_nSrcWidth, m_nSrcY + m_nSrcHeight};
    m_bitmap.SetSrcRect(source);
    m_bitmap.SetClipSrcRect(source);
    m_bitmap.SetDstRect(RECT{m_nDstX, m_nDstY, m_nDstX + m_nDstWidth, m_nDstY + m_nDstHeight});

    const HDC hdc = pDC->GetSafeHdc();
    // The bitmap renders in true colour: a palette is only selected when it offers one.
    const HPALETTE hPalette = m_bitmap.CreatePaintPalette(hdc);
    HPALETTE hOldPalette = nullptr;
    if (hPalette != nullptr) {
        hOldPalette = SelectPalette(hdc, hPalette, TRUE);
        RealizePalette(hdc);
    }
    LDraw painter(m_bitmap);
    painter.SetDC(hdc);
    painter.Paint(SRCCOPY);
    if (hOldPalette != nullptr)
        SelectPalette(hdc, hOldPalette, TRUE);
}
