// The caption painter's pictures: the cached bitmaps and the parts drawn into them.
#include "caption/Caption.h"

#include "caption/SystemFont.h"
#include "platform/FrameDraw.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"

IMPLEMENT_DYNAMIC(CCaption, CSubclassWnd)

CCaptionBackground::~CCaptionBackground() = default;

void CCaptionBackground::Paint(CDC* pDC, int cx, int cy, BOOL bActive)
{
    CBrush brush(bActive ? GetActiveColor() : GetInactiveColor());
    CBrush* oldBrush = pDC->SelectObject(&brush);
    pDC->PatBlt(0, 0, cx, cy, PATCOPY);
    if (oldBrush != nullptr)
        pDC->SelectObject(oldBrush);
}

COLORREF CCaptionBackground::GetActiveColor()
{
    return m_crActive == kSystemColor ? GetSysColor(COLOR_ACTIVECAPTION) : m_crActive;
}

COLORREF CCaptionBackground::GetInactiveColor()
{
    return m_crInactive == kSystemColor ? GetSysColor(COLOR_INACTIVECAPTION) : m_crInactive;
}

COLORREF CCaptionText::GetTextColor(BOOL bActive) const
{
    if (bActive)
        return m_crActiveText == kSystemColor ? GetSysColor(COLOR_CAPTIONTEXT) : m_crActiveText;
    return m_crInactiveText == kSystemColor ? GetSysColor(COLOR_INACTIVECAPTIONTEXT) : m_crInactiveText;
}

CCaption::CCaption() = default;

CCaption::~CCaption()
{
    // A hook deleted while installed would leave its window's chain pointing at freed
    // memory: take it out first.
    if (m_pWndHooked != nullptr)
        HookWindow(nullptr);
}

CCaptionBackground* CCaption::GetBackground()
{
    if (!m_pBackground)
        m_pBackground = std::make_unique<CCaptionBackground>();
    return m_pBackground.get();
}

CCaptionText* CCaption::GetTextAttr()
{
    if (!m_pTextAttr)
        m_pTextAttr = std::make_unique<CCaptionText>();
    return m_pTextAttr.get();
}

void CCaption::Refresh()
{
    m_nCachedWidth = 0;
    m_nCachedHeight = 0;
    PaintCaption();
}

void CCaption::PaintCaption()
{
    if (m_pWndHooked == nullptr || !::IsWindow(m_pWndHooked->m_hWnd))
        return;
    CWindowDC dc(m_pWndHooked);
    CDC memory;
    if (!memory.CreateCompatibleDC(&dc))
        return;
    const CRect caption = GetCaptionRect();
    const int width = caption.Width();
    const int height = caption.Height();
    if (width != m_nCachedWidth || height != m_nCachedHeight) {
        m_bmCaption[0].DeleteObject();
        m_bmCaption[1].DeleteObject();
        m_nCachedWidth = width;
        m_nCachedHeight = height;
    }
    CBitmap& picture = m_bmCaption[m_bActive ? 1 : 0];
    bool draw = false;
    if (picture.GetSafeHandle() == nullptr) {
        if (!picture.CreateCompatibleBitmap(&dc, width, height))
            return;  // tried again at the next paint
        draw = true;
    }
    CBitmap* oldBitmap = memory.SelectObject(&picture);
    if (draw)
        DrawCaption(&memory);
    dc.BitBlt(caption.left, caption.top, width, height, &memory, 0, 0, SRCCOPY);
    if (oldBitmap != nullptr)
        memory.SelectObject(oldBitmap);
}

void CCaption::DrawCaption(CDC* pDC)
{
    PaintBackground(pDC);
    DrawIcon(pDC);
    DrawButtons(pDC);
    DrawBottomEdge(pDC);
    DrawCaptionText(pDC);
}

void CCaption::PaintBackground(CDC* pDC)
{
    GetBackground()->Paint(pDC, m_nCachedWidth, m_nCachedHeight, m_bActive);
}

DWORD CCaption::GetHookedStyle() const
{
    return m_pWndHooked != nullptr ? m_pWndHooked->GetStyle() : 0;
}

HICON CCaption::GetClassSmallIcon() const
{
    if (m_pWndHooked == nullptr)
        return nullptr;
    return reinterpret_cast<HICON>(::GetClassLongPtr(m_pWndHooked->m_hWnd, GCLP_HICONSM));
}

int CCaption::DrawIconBox(CDC* pDC, HICON hIcon)
{
    if ((GetHookedStyle() & WS_SYSMENU) == 0)
        return 0;
    const int cx = GetSystemMetrics(SM_CXSIZE);
    if (pDC != nullptr && hIcon != nullptr)
        ::DrawIconEx(*pDC, 2, 1, hIcon, cx - 2, GetSystemMetrics(SM_CYSIZE) - 2, 0, nullptr, DI_NORMAL);
    return cx;
}

int CCaption::DrawIcon(CDC* pDC)
{
    return DrawIconBox(pDC, GetClassSmallIcon());
}

int CCaption::DrawButtons(CDC* pDC)
{
    const DWORD style = GetHookedStyle();
    if ((style & WS_CAPTION) != WS_CAPTION)
        return 0;
    const DWORD exStyle = m_pWndHooked->GetExStyle();
    const int width = m_nCachedWidth;
    const int bw = GetSystemMetrics(SM_CXSIZE);
    const int bh = GetSystemMetrics(SM_CYSIZE);
    auto draw = [pDC](CRect rc, UINT state) {
        if (pDC != nullptr)
            ::DrawFrameControl(*pDC, &rc, DFC_CAPTION, state);
    };
    CRect button(width - bw, 2, width - 2, bh - 2);
    draw(button, DFCS_CAPTIONCLOSE);
    if (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX) || (exStyle & WS_EX_CONTEXTHELP)) {
        button.OffsetRect(-bw, 0);
        if (style & WS_MAXIMIZEBOX)
            draw(button, m_pWndHooked->IsZoomed() ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX);
        else if (style & WS_MINIMIZEBOX)
            draw(button, DFCS_CAPTIONMAX | DFCS_INACTIVE);
        else
            draw(button, DFCS_CAPTIONHELP | DFCS_INACTIVE);
    }
    if (style & WS_MINIMIZEBOX) {
        button.OffsetRect(-(bw - 2), 0);
        draw(button, m_pWndHooked->IsIconic() ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN);
    }
    return width - button.left + 2;
}

void CCaption::DrawBottomEdge(CDC* pDC)
{
    const int edge = GetSystemMetrics(SM_CYBORDER);
    pDC->FillSolidRect(0, m_nCachedHeight - edge, m_nCachedWidth, edge, GetSysColor(COLOR_3DFACE));
}

void CCaption::DrawCaptionText(CDC* pDC)
{
    if (m_pWndHooked == nullptr)
        return;
    CString text;
    m_pWndHooked->GetWindowText(text);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(GetTextAttr()->GetTextColor(m_bActive));
    CFont* oldFont = pDC->SelectObject(GetCaptionFont(m_bActive));
    // The rectangle is in window coordinates and used as it stands in the picture: the
    // text starts one frame width plus the icon box from the picture's left edge.
    CRect rc = GetTextRect();
    pDC->DrawText(text, &rc, DT_END_ELLIPSIS);
    if (oldFont != nullptr)
        pDC->SelectObject(oldFont);
}

CRect CCaption::GetCaptionRect()
{
    if (m_pWndHooked == nullptr)
        return CRect(0, 0, 0, 0);
    CRect rc;
    m_pWndHooked->GetWindowRect(&rc);
    rc.OffsetRect(-rc.left, -rc.top);
    const bool sizing = (GetHookedStyle() & WS_THICKFRAME) != 0;
    const int cx = GetSystemMetrics(sizing ? SM_CXFRAME : SM_CXDLGFRAME);
    const int cy = GetSystemMetrics(sizing ? SM_CYFRAME : SM_CYDLGFRAME);
    rc.InflateRect(-cx, -cy, -cx, 0);
    rc.bottom = rc.top + GetSystemMetrics(SM_CYCAPTION);
    if (m_pWndHooked->IsIconic())
        rc.OffsetRect(0, -1);
    return rc;
}

CFont* CCaption::GetCaptionFont(BOOL bActive)
{
    if (m_pWndHooked != nullptr && m_pWndHooked->IsIconic())
        return &g_fontSystemCaption;
    CFont& font = bActive ? GetTextAttr()->GetActiveFont() : GetTextAttr()->GetInactiveFont();
    return font.GetSafeHandle() != nullptr ? &font : &g_fontSystemCaption;
}

CRect CCaption::GetTextRect()
{
    CRect rc = GetCaptionRect();
    rc.left += DrawIcon(nullptr);
    rc.top -= 2;
    rc.right -= 4 + DrawButtons(nullptr);
    return rc;
}
