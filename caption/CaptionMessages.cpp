// The caption painter's messages: non-client paint, activation, text and colour changes,
// and the single-line caption with its own icon.
#include "caption/Caption.h"

#include <cstdint>

IMPLEMENT_DYNAMIC(CSingleLineCaption, CCaption)

namespace {

// Sets the current-message record's wParam for the time being (Default passes it on).
class CCurrentWParam {
public:
    explicit CCurrentWParam(WPARAM wp) : m_pMsg(AfxGetCurrentMessage()), m_saved(m_pMsg->wParam) { m_pMsg->wParam = wp; }
    ~CCurrentWParam() { m_pMsg->wParam = m_saved; }
    CCurrentWParam(const CCurrentWParam&) = delete;
    CCurrentWParam& operator=(const CCurrentWParam&) = delete;

private:
    MSG* m_pMsg;
    WPARAM m_saved;
};

// Clears the window's visible style bit for the time being (only if it was set).
class CHiddenStyle {
public:
    explicit CHiddenStyle(HWND hwnd) : m_hWnd(hwnd)
    {
        const LONG_PTR style = ::GetWindowLongPtr(hwnd, GWL_STYLE);
        m_bWasVisible = (style & WS_VISIBLE) != 0;
        if (m_bWasVisible)
            ::SetWindowLongPtr(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    }
    ~CHiddenStyle()
    {
        if (m_bWasVisible && ::IsWindow(m_hWnd))
            ::SetWindowLongPtr(m_hWnd, GWL_STYLE, ::GetWindowLongPtr(m_hWnd, GWL_STYLE) | WS_VISIBLE);
    }
    CHiddenStyle(const CHiddenStyle&) = delete;
    CHiddenStyle& operator=(const CHiddenStyle&) = delete;

private:
    HWND m_hWnd;
    bool m_bWasVisible = false;
};

}  // namespace

LRESULT CCaption::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SETTEXT:
        OnSetText(reinterpret_cast<LPCTSTR>(lp));
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSysColorChange();
        return 0;
    case WM_NCPAINT:
        OnNcPaint(reinterpret_cast<HRGN>(wp));
        return 0;
    case WM_NCACTIVATE:
        return OnNcActivate(static_cast<BOOL>(wp));
    case WM_HELP:
    case WM_NCLBUTTONDOWN:
    case WM_SYSCOMMAND:
    case WM_INITMENU:
        // The system may draw over the caption while it handles these (menus, pressed
        // buttons): start from a fresh picture.
        Refresh();
        return CSubclassWnd::WindowProc(msg, wp, lp);
    default:
        return CSubclassWnd::WindowProc(msg, wp, lp);
    }
}

LRESULT CCaption::DefaultWithoutPainting()
{
    CHiddenStyle hidden(m_pWndHooked->m_hWnd);
    return Default();
}

void CCaption::OnNcPaint(HRGN hRgn)
{
    CRect window;
    m_pWndHooked->GetWindowRect(&window);
    CRect caption = GetCaptionRect();
    caption.OffsetRect(window.left, window.top);
    // 0 and 1 stand for the whole window; anything else is a region (screen coordinates).
    // Handles here are addresses, so the whole value is tested, not only its low word.
    const bool realRegion = reinterpret_cast<std::uintptr_t>(hRgn) > 1;
    if (realRegion && !::RectInRegion(hRgn, &caption)) {
        Default();
        return;
    }
    // The system paints everything but the caption strip.
    CRgn rest;
    if (realRegion) {
        rest.CreateRectRgn(0, 0, 0, 0);
        ::CombineRgn(rest, hRgn, nullptr, RGN_COPY);
    } else {
        rest.CreateRectRgnIndirect(&window);
    }
    CRgn strip;
    strip.CreateRectRgnIndirect(&caption);
    rest.CombineRgn(&rest, &strip, RGN_DIFF);
    {
        CCurrentWParam region(reinterpret_cast<WPARAM>(static_cast<HRGN>(rest)));
        Default();
    }
    PaintCaption();
}

BOOL CCaption::EffectiveState(BOOL bRequested) const
{
    if (m_pWndHooked->m_nFlags & WF_STAYACTIVE)
        return TRUE;
    if (!m_pWndHooked->IsWindowEnabled())
        return FALSE;
    return bRequested ? TRUE : FALSE;
}

BOOL CCaption::OnNcActivate(BOOL bActive)
{
    bActive = EffectiveState(bActive);
    if (bActive == m_bActive)
        return TRUE;
    {
        CCurrentWParam state(static_cast<WPARAM>(bActive));
        DefaultWithoutPainting();
    }
    m_bActive = bActive;
    m_pWndHooked->SendMessage(WM_NCPAINT, 0, 0);
    return TRUE;
}

void CCaption::OnSetText(LPCTSTR)
{
    DefaultWithoutPainting();
    Refresh();
}

void CCaption::OnSysColorChange()
{
    Default();
    Refresh();
}

CSingleLineCaption::CSingleLineCaption() = default;
CSingleLineCaption::~CSingleLineCaption() = default;

void CSingleLineCaption::SetIcon(HICON hIcon)
{
    m_hIcon = hIcon;
    m_nCachedWidth = 0;
    m_nCachedHeight = 0;
}

LRESULT CSingleLineCaption::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCACTIVATE)
        return OnNcActivate(static_cast<BOOL>(wp));
    return CCaption::WindowProc(msg, wp, lp);
}

int CSingleLineCaption::DrawIcon(CDC* pDC)
{
    return DrawIconBox(pDC, m_hIcon != nullptr ? m_hIcon : GetClassSmallIcon());
}

BOOL CSingleLineCaption::OnNcActivate(BOOL bActive)
{
    bActive = EffectiveState(bActive);
    if (bActive == m_bActive)
        return TRUE;
    // A frame window whose active frame is another window (an MDI child) shows that
    // frame's caption in the same state.
    if (m_pWndHooked->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        auto* frame = static_cast<CFrameWnd*>(m_pWndHooked);
        CFrameWnd* active = frame->GetActiveFrame();
        if (active != nullptr && active != frame) {
            active->SendMessage(WM_NCACTIVATE, static_cast<WPARAM>(bActive), 0);
            active->SendMessage(WM_NCPAINT, 0, 0);
        }
    }
    return CCaption::OnNcActivate(bActive);
}
