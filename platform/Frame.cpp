// The default non-client area of a window: frame, caption (icon, title, buttons), edges,
// and hit testing of those parts.
#include "platform/Frame.h"

#include "platform/FrameDraw.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"
#include "platform/WndInternal.h"

#include <algorithm>

namespace {

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

}  // namespace

CSize wndframe::FrameSize(DWORD style, DWORD exStyle)
{
    if (style & WS_THICKFRAME)
        return CSize(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        return CSize(GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
    if (style & WS_BORDER)
        return CSize(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    return CSize(0, 0);
}

namespace {
using wndframe::FrameSize;

HFONT CaptionFont()
{
    static CFont font;
    if (font.GetSafeHandle() == nullptr)
        font.CreateFont(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
    return font;
}

void PaintFrameBorder(CDC& dc, const WindowRecord& rec, CRect rc)
{
    const CSize frame = FrameSize(rec.style, rec.exStyle);
    if (frame.cx == 0)
        return;
    if ((rec.style & (WS_THICKFRAME | WS_DLGFRAME)) == 0 && (rec.exStyle & WS_EX_DLGMODALFRAME) == 0) {
        dc.Draw3dRect(&rc, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME));
        return;
    }
    DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const COLORREF fill = GetSysColor((rec.style & WS_THICKFRAME) ? (rec.ncActive ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER) : COLOR_3DFACE);
    for (int i = 2; i < std::max(frame.cx, frame.cy); ++i) {
        dc.Draw3dRect(&rc, fill, fill);
        rc.DeflateRect(1, 1);
    }
}

void PaintClientEdges(CDC& dc, const WindowRecord& rec)
{
    CRect rc = wnd::ClientRectInWindow(rec);
    // The edges surround the client area and the scroll bars.
    const DWORD style = wnd::FrameStyle(rec);
    rc.right += (style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    rc.bottom += (style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0;
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        CRect bars = rc;
        bars.left = wnd::ClientRectInWindow(rec).right;
        dc.FillSolidRect(&bars, GetSysColor(COLOR_3DFACE));
        bars = rc;
        bars.top = wnd::ClientRectInWindow(rec).bottom;
        dc.FillSolidRect(&bars, GetSysColor(COLOR_3DFACE));
    }
    if (rec.exStyle & WS_EX_STATICEDGE) {
        rc.InflateRect(1, 1);
        dc.Draw3dRect(&rc, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT));
    }
    if (rec.exStyle & WS_EX_CLIENTEDGE) {
        rc.InflateRect(2, 2);
        DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT);
    }
}

}  // namespace

namespace wndframe {

CRect CaptionRect(const WindowRecord& rec)
{
    const CSize frame = FrameSize(rec.style, rec.exStyle);
    CRect rc(frame.cx, frame.cy, rec.rcWindow.Width() - frame.cx, frame.cy + GetSystemMetrics(SM_CYCAPTION));
    return rc;
}

CaptionButtons ButtonRects(const WindowRecord& rec)
{
    CaptionButtons buttons;
    if (!HasCaption(rec.style))
        return buttons;
    const CRect caption = CaptionRect(rec);
    const int bw = GetSystemMetrics(SM_CXSIZE);
    const int bh = GetSystemMetrics(SM_CYSIZE);
    const int top = caption.top + 2;
    const int bottom = caption.top + bh - 2;
    if (rec.style & WS_SYSMENU)
        buttons.close = CRect(caption.right - bw, top, caption.right - 2, bottom);
    if ((rec.style & WS_SYSMENU) && (rec.style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
        buttons.max = CRect(caption.right - 2 * bw, top, caption.right - bw - 2, bottom);
        if (rec.style & WS_MINIMIZEBOX)
            buttons.min = CRect(caption.right - 3 * bw + 2, top, caption.right - 2 * bw, bottom);
    }
    return buttons;
}

void PaintCaption(CDC& dc, const WindowRecord& rec)
{
    if (!HasCaption(rec.style))
        return;
    CRect caption = CaptionRect(rec);
    CRect bar = caption;
    bar.bottom -= 1;
    dc.FillSolidRect(&bar, GetSysColor(rec.ncActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    dc.FillSolidRect(caption.left, caption.bottom - 1, caption.Width(), 1, GetSysColor(COLOR_3DFACE));
    int textLeft = caption.left + 2;
    if (rec.style & WS_SYSMENU) {
        HICON icon = rec.iconSmall != nullptr ? rec.iconSmall : rec.iconBig;
        const int cx = GetSystemMetrics(SM_CXSMICON);
        const int cy = GetSystemMetrics(SM_CYSMICON);
        if (icon != nullptr)
            DrawIconEx(dc, caption.left + 2, caption.top + (caption.Height() - 1 - cy) / 2, icon, cx, cy, 0, nullptr, DI_NORMAL);
        textLeft = caption.left + GetSystemMetrics(SM_CXSIZE) + 2;
    }
    const CaptionButtons buttons = ButtonRects(rec);
    const bool maxBox = (rec.style & WS_MAXIMIZEBOX) != 0;
    int textRight = caption.right - 2;
    auto draw = [&](CRect rc, UINT kind, bool enabled) {
        if (rc.IsRectEmpty())
            return;
        DrawFrameControl(dc, &rc, DFC_CAPTION, kind | (enabled ? 0 : DFCS_INACTIVE) | (rec.ncPressed == kind + 1 ? DFCS_PUSHED : 0));
        textRight = std::min<int>(textRight, rc.left - 2);
    };
    draw(buttons.close, DFCS_CAPTIONCLOSE, true);
    draw(buttons.max, (rec.style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, maxBox);
    draw(buttons.min, (rec.style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, true);

    CRect text(textLeft, caption.top, textRight, caption.bottom - 1);
    CFont* oldFont = dc.SelectObject(CFont::FromHandle(CaptionFont()));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(rec.ncActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    dc.DrawText(rec.text.c_str(), static_cast<int>(rec.text.size()), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    dc.SelectObject(oldFont);
}

}  // namespace wndframe

namespace wnd {

void PaintNonClient(HWND hwnd, HRGN hrgn)
{
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->surface == nullptr)
        return;
    CWindowDC dc(CWnd::FromHandle(hwnd));
    // A real update region (screen coordinates) limits what is painted.
    if (reinterpret_cast<std::uintptr_t>(hrgn) > 1) {
        CRgn clip;
        clip.CreateRectRgn(0, 0, 0, 0);
        if (CRgn* source = CRgn::FromHandle(hrgn)) {
            clip.CopyRgn(source);
            const CPoint origin = WindowOriginOnScreen(*rec);
            clip.OffsetRgn(-origin.x, -origin.y);
            dc.SelectClipRgn(&clip);
        }
    }
    const CRect client = ClientRectInWindow(*rec);
    dc.ExcludeClipRect(&client);
    PaintFrameBorder(dc, *rec, CRect(0, 0, rec->rcWindow.Width(), rec->rcWindow.Height()));
    PaintClientEdges(dc, *rec);
    wndframe::PaintCaption(dc, *rec);
}

LRESULT NonClientHitTest(HWND hwnd, CPoint ptScreen)
{
    const WindowRecord* rec = Find(hwnd);
    if (rec == nullptr)
        return HTNOWHERE;
    const CPoint origin = WindowOriginOnScreen(*rec);
    const CPoint pt(ptScreen.x - origin.x, ptScreen.y - origin.y);
    const CRect window(0, 0, rec->rcWindow.Width(), rec->rcWindow.Height());
    if (!window.PtInRect(pt))
        return HTNOWHERE;
    const CRect client = ClientRectInWindow(*rec);
    if (client.PtInRect(pt))
        return HTCLIENT;
    if ((wnd::FrameStyle(*rec) & WS_VSCROLL) && pt.x >= client.right && pt.y >= client.top && pt.y < client.bottom)
        return HTVSCROLL;
    if ((wnd::FrameStyle(*rec) & WS_HSCROLL) && pt.y >= client.bottom && pt.x >= client.left && pt.x < client.right)
        return HTHSCROLL;
    if (HasCaption(rec->style)) {
        const wndframe::CaptionButtons buttons = wndframe::ButtonRects(*rec);
        if (buttons.close.PtInRect(pt)) return HTCLOSE;
        if (buttons.max.PtInRect(pt)) return HTMAXBUTTON;
        if (buttons.min.PtInRect(pt)) return HTMINBUTTON;
        const CRect caption = wndframe::CaptionRect(*rec);
        if (caption.PtInRect(pt)) {
            if ((rec->style & WS_SYSMENU) && pt.x < caption.left + GetSystemMetrics(SM_CXSIZE))
                return HTSYSMENU;
            return HTCAPTION;
        }
    }
    if ((rec->style & WS_THICKFRAME) && !(rec->style & WS_MAXIMIZE)) {
        const CSize frame = FrameSize(rec->style, rec->exStyle);
        const int corner = GetSystemMetrics(SM_CXSIZE) + frame.cx;
        const bool left = pt.x < frame.cx, right = pt.x >= window.right - frame.cx;
        const bool top = pt.y < frame.cy, bottom = pt.y >= window.bottom - frame.cy;
        const bool nearLeft = pt.x < corner, nearRight = pt.x >= window.right - corner;
        const bool nearTop = pt.y < corner, nearBottom = pt.y >= window.bottom - corner;
        if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
    }
    return HTBORDER;
}

}  // namespace wnd
