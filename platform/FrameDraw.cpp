// Classic frame parts: 3D edges, caption buttons with their glyphs, icons.
#include "platform/FrameDraw.h"

#include "platform/DC.h"
#include "platform/ResourcesInternal.h"
#include "platform/SystemMetrics.h"

namespace {

void Line(CDC& dc, int x1, int y1, int x2, int y2) {
    dc.MoveTo(x1, y1);
    dc.LineTo(x2, y2);
}

// The glyph of a caption button, drawn with the current pen inside rc.
void DrawGlyph(CDC& dc, const CRect& rc, UINT kind)
{
    const int w = rc.Width();
    const int h = rc.Height();
    const int unit = std::max(1, std::min(w, h) / 7);
    const int left = rc.left + (w - 6 * unit) / 2 - unit / 2;
    const int top = rc.top + (h - 6 * unit) / 2;
    const int size = 6 * unit;
    switch (kind) {
    case DFCS_CAPTIONCLOSE:
        for (int d = 0; d < 2; ++d) {  // a two-pixel-wide cross
            Line(dc, left + d, top, left + size + d, top + size);
            Line(dc, left + d, top + size - 1, left + size + d, top - 1);
        }
        break;
    case DFCS_CAPTIONMAX:
        dc.FillSolidRect(left, top, size + 1, 2, dc.GetTextColor());
        Line(dc, left, top, left, top + size);
        Line(dc, left, top + size, left + size, top + size);
        Line(dc, left + size, top, left + size, top + size + 1);
        break;
    case DFCS_CAPTIONRESTORE: {
        const int s = size * 2 / 3;
        for (int k = 0; k < 2; ++k) {
            const int x = left + (k == 0 ? size - s : 0);
            const int y = top + (k == 0 ? 0 : size - s);
            dc.FillSolidRect(x, y, s + 1, 2, dc.GetTextColor());
            Line(dc, x, y, x, y + s);
            Line(dc, x, y + s, x + s, y + s);
            Line(dc, x + s, y, x + s, y + s + 1);
        }
        break;
    }
    case DFCS_CAPTIONMIN: dc.FillSolidRect(left, top + size - 1, size - unit, 2, dc.GetTextColor()); break;
    case DFCS_CAPTIONHELP: {
        CRect text(rc);
        dc.SetBkMode(TRANSPARENT);
        dc.DrawText("?", 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        break;
    }
    default: break;
    }
}

}  // namespace

BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags)
{
    CDC* pDC = CDC::FromHandle(hdc);
    if (pDC == nullptr || qrc == nullptr)
        return FALSE;
    CRect rc(*qrc);
    const COLORREF light = GetSysColor(COLOR_3DLIGHT);
    const COLORREF highlight = GetSysColor(COLOR_3DHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        const bool raised = (edge & BDR_RAISEDOUTER) != 0;
        pDC->Draw3dRect(&rc, raised ? light : shadow, raised ? dark : highlight);
        rc.DeflateRect(1, 1);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        const bool raised = (edge & BDR_RAISEDINNER) != 0;
        pDC->Draw3dRect(&rc, raised ? highlight : dark, raised ? shadow : light);
        rc.DeflateRect(1, 1);
    }
    if (grfFlags & BF_MIDDLE)
        pDC->FillSolidRect(&rc, GetSysColor(COLOR_3DFACE));
    if (grfFlags & BF_ADJUST)
        *qrc = rc;
    return TRUE;
}

BOOL DrawFrameControl(HDC hdc, LPRECT lprc, UINT uType, UINT uState)
{
    CDC* pDC = CDC::FromHandle(hdc);
    if (pDC == nullptr || lprc == nullptr)
        return FALSE;
    CRect rc(*lprc);
    const bool pushed = (uState & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
    if (uState & DFCS_FLAT)
        pDC->Draw3dRect(&rc, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT));
    else
        DrawEdge(hdc, &rc, pushed ? EDGE_SUNKEN : EDGE_RAISED, 0);
    CRect face(rc);
    face.DeflateRect(2, 2);
    pDC->FillSolidRect(&face, GetSysColor(COLOR_3DFACE));
    if (uType != DFC_CAPTION)
        return TRUE;
    if (pushed)
        face.OffsetRect(1, 1);
    const bool inactive = (uState & DFCS_INACTIVE) != 0;
    const COLORREF ink = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    CPen pen(PS_SOLID, 1, ink);
    CPen* oldPen = pDC->SelectObject(&pen);
    const COLORREF oldText = pDC->SetTextColor(ink);
    DrawGlyph(*pDC, face, uState & 0xFF);
    pDC->SetTextColor(oldText);
    pDC->SelectObject(oldPen);
    return TRUE;
}

BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT, HBRUSH, UINT)
{
    CDC* pDC = CDC::FromHandle(hdc);
    const QImage* icon = IconImageFromHandle(hIcon);
    if (pDC == nullptr || icon == nullptr)
        return FALSE;
    const int cx = cxWidth > 0 ? cxWidth : icon->width();
    const int cy = cyWidth > 0 ? cyWidth : icon->height();
    const QImage image = (cx == icon->width() && cy == icon->height()) ? *icon : icon->scaled(cx, cy);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) >= 128)
                pDC->SetPixel(xLeft + x, yTop + y, RGB(qRed(p), qGreen(p), qBlue(p)));
        }
    return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON hIcon) { return DrawIconEx(hdc, x, y, hIcon, 0, 0, 0, nullptr, DI_NORMAL); }
