// The toolbar: layout, painting of flat labelled buttons, clicks and state updates.
#include "platform/ToolBar.h"

#include "platform/CmdUI.h"
#include "platform/FrameDraw.h"
#include "platform/Resources.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"
#include "platform/WndInternal.h"

IMPLEMENT_DYNAMIC(CToolBar, CWnd)

namespace {

constexpr int kSeparatorWidth = 8;

const bool g_registered = [] {
    wnd::RegisterClass("ToolbarWindow32", wnd::WindowClass{DefWindowProc, COLOR_3DFACE, nullptr});
    return true;
}();

// A toolbar button's update: Enable and SetCheck change the button's state.
class CToolCmdUI : public CCmdUI {
public:
    explicit CToolCmdUI(CToolBar* bar) : m_pBar(bar) {}
    void Enable(BOOL bOn) override
    {
        UINT style = m_pBar->GetButtonStyle(static_cast<int>(m_nIndex));
        style = bOn ? (style & ~TBBS_DISABLED) : (style | TBBS_DISABLED);
        m_pBar->SetButtonStyle(static_cast<int>(m_nIndex), style);
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck) override
    {
        UINT style = m_pBar->GetButtonStyle(static_cast<int>(m_nIndex)) | TBBS_CHECKBOX;
        style = nCheck ? (style | TBBS_CHECKED) : (style & ~TBBS_CHECKED);
        m_pBar->SetButtonStyle(static_cast<int>(m_nIndex), style);
    }

private:
    CToolBar* m_pBar;
};

}  // namespace

CToolBar::CToolBar() = default;
CToolBar::~CToolBar() = default;

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, CRect(0, 0, 0, 0), nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect rcBorders, UINT nID)
{
    if (pParentWnd == nullptr)
        return FALSE;
    m_dwCtrlStyle = dwCtrlStyle;
    m_rcBorders = rcBorders;
    CRect client;
    pParentWnd->GetClientRect(&client);
    const DWORD windowStyle = (dwStyle & (WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS)) | WS_CHILD;
    return CWnd::CreateEx(0, "ToolbarWindow32", "", windowStyle, CRect(0, 0, client.Width(), m_sizeButton.cy + 1),
                          pParentWnd, nID);
}

BOOL CToolBar::LoadToolBar(UINT nIDResource)
{
    const ToolBarTemplate* tmpl = FindToolBarTemplate(nIDResource);
    if (tmpl == nullptr || m_hWnd == nullptr)
        return FALSE;
    SetSizes(CSize(tmpl->cxButton + 7, tmpl->cyButton + 7), CSize(tmpl->cxButton, tmpl->cyButton));
    if (!SetButtons(tmpl->commands.data(), static_cast<int>(tmpl->commands.size())))
        return FALSE;
    std::size_t image = 0;
    for (Button& b : m_buttons) {
        if (b.style & TBBS_SEPARATOR)
            continue;
        if (image < tmpl->tips.size())
            b.tip = tmpl->tips[image];
        if (image < tmpl->labels.size())
            b.label = tmpl->labels[image];
        ++image;
    }
    Invalidate();
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount)
{
    m_buttons.clear();
    for (int i = 0; i < nIDCount; ++i) {
        Button b;
        b.id = lpIDArray != nullptr ? lpIDArray[i] : 0;
        b.style = b.id == 0 ? TBBS_SEPARATOR : TBBS_BUTTON;
        m_buttons.push_back(b);
    }
    Invalidate();
    return TRUE;
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage)
{
    m_sizeButton = sizeButton;
    m_sizeImage = sizeImage;
}

int CToolBar::GetCount() const { return static_cast<int>(m_buttons.size()); }

UINT CToolBar::GetItemID(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<std::size_t>(nIndex)].id : 0;
}

int CToolBar::CommandToIndex(UINT nIDFind) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_buttons[static_cast<std::size_t>(i)].id == nIDFind && nIDFind != 0)
            return i;
    return -1;
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    int x = m_rcBorders.left;
    const int y = m_rcBorders.top;
    for (int i = 0; i < GetCount(); ++i) {
        const bool separator = (m_buttons[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR) != 0;
        const int width = separator ? kSeparatorWidth : m_sizeButton.cx;
        if (i == nIndex) {
            *lpRect = CRect(x, y, x + width, y + m_sizeButton.cy);
            return;
        }
        x += width;
    }
    *lpRect = CRect();
}

UINT CToolBar::GetButtonStyle(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<std::size_t>(nIndex)].style : 0;
}

void CToolBar::SetButtonStyle(int nIndex, UINT nStyle)
{
    if (nIndex < 0 || nIndex >= GetCount() || m_buttons[static_cast<std::size_t>(nIndex)].style == nStyle)
        return;
    m_buttons[static_cast<std::size_t>(nIndex)].style = nStyle;
    CRect rc;
    GetItemRect(nIndex, &rc);
    InvalidateRect(&rc, TRUE);
}

CSize CToolBar::CalcFixedLayout(BOOL, BOOL)
{
    CRect last;
    GetItemRect(GetCount() - 1, &last);
    return CSize(last.right + m_rcBorders.right, m_sizeButton.cy + m_rcBorders.top + m_rcBorders.bottom + 1);
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    CToolCmdUI state(this);
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(GetCount());
    for (int i = 0; i < GetCount(); ++i) {
        if (m_buttons[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR)
            continue;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_nID = m_buttons[static_cast<std::size_t>(i)].id;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

BOOL CToolBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    *pResult = 0;
    switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_ERASEBKGND: *pResult = TRUE; return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnButtonDown(point); return TRUE;
    case WM_LBUTTONUP: OnButtonUp(point); return TRUE;
    case WM_MOUSEMOVE: OnHover(point); return TRUE;
    case WM_IDLEUPDATECMDUI: {
        auto* target = reinterpret_cast<CCmdTarget*>(lParam);
        OnUpdateCmdUI(target != nullptr ? target : GetParent(), static_cast<BOOL>(wParam));
        return TRUE;
    }
    default: return CWnd::OnWndMsg(message, wParam, lParam, pResult);
    }
}

int CToolBar::HitTest(CPoint point) const
{
    for (int i = 0; i < GetCount(); ++i) {
        CRect rc;
        GetItemRect(i, &rc);
        if (rc.PtInRect(point) && !(m_buttons[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR))
            return i;
    }
    return -1;
}

void CToolBar::SetState(int index, UINT mask, bool on)
{
    if (index >= 0)
        SetButtonStyle(index, on ? (GetButtonStyle(index) | mask) : (GetButtonStyle(index) & ~mask));
}

void CToolBar::OnButtonDown(CPoint point)
{
    const int index = HitTest(point);
    if (index < 0 || (GetButtonStyle(index) & TBBS_DISABLED))
        return;
    m_nPressed = index;
    SetState(index, TBBS_PRESSED, true);
    SetCapture();
}

void CToolBar::OnButtonUp(CPoint point)
{
    const int index = m_nPressed;
    m_nPressed = -1;
    if (GetCapture() == this)
        ReleaseCapture();
    if (index < 0)
        return;
    SetState(index, TBBS_PRESSED, false);
    if (HitTest(point) == index && !(GetButtonStyle(index) & TBBS_DISABLED)) {
        const UINT id = GetItemID(index);
        if (CWnd* owner = GetParent())
            owner->SendMessage(WM_COMMAND, id, reinterpret_cast<LPARAM>(m_hWnd));
    }
}

void CToolBar::OnHover(CPoint point)
{
    const int hot = HitTest(point);
    if (m_nPressed >= 0)
        SetState(m_nPressed, TBBS_PRESSED, hot == m_nPressed);
    if (hot == m_nHot)
        return;
    const int previous = m_nHot;
    m_nHot = hot;
    // The hovered button's tip becomes the widget's: Qt shows it when the pointer rests.
    if (WindowRecord* rec = wnd::Find(m_hWnd); rec != nullptr && rec->widget != nullptr) {
        const std::string& tip = hot >= 0 ? m_buttons[static_cast<std::size_t>(hot)].tip : std::string();
        rec->widget->setToolTip(QString::fromLatin1(tip.c_str()));
    }
    for (int index : {previous, hot})
        if (index >= 0) {
            CRect rc;
            GetItemRect(index, &rc);
            InvalidateRect(&rc, TRUE);
        }
}

void CToolBar::Paint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, GetSysColor(COLOR_3DFACE));
    HFONT font = GetParent() != nullptr ? GetParent()->GetFontHandle() : nullptr;
    CFont* oldFont = font != nullptr ? dc.SelectObject(CFont::FromHandle(font))
                                     : static_cast<CFont*>(dc.SelectStockObject(DEFAULT_GUI_FONT));
    for (int i = 0; i < GetCount(); ++i)
        DrawButton(dc, i);
    dc.SelectObject(oldFont);
}

void CToolBar::DrawButton(CDC& dc, int index)
{
    const Button& b = m_buttons[static_cast<std::size_t>(index)];
    CRect rc;
    GetItemRect(index, &rc);
    if (b.style & TBBS_SEPARATOR) {
        CRect line(rc.left + rc.Width() / 2 - 1, rc.top + 1, rc.left + rc.Width() / 2 + 1, rc.bottom - 1);
        dc.FillSolidRect(line.left, line.top, 1, line.Height(), GetSysColor(COLOR_3DSHADOW));
        dc.FillSolidRect(line.left + 1, line.top, 1, line.Height(), GetSysColor(COLOR_3DHIGHLIGHT));
        return;
    }
    const bool disabled = (b.style & TBBS_DISABLED) != 0;
    const bool down = (b.style & (TBBS_PRESSED | TBBS_CHECKED)) != 0;
    if (b.style & TBBS_CHECKED) {
        CRect face(rc);
        face.DeflateRect(1, 1);
        dc.FillSolidRect(&face, GetSysColor(COLOR_3DHIGHLIGHT));
    }
    if (down)
        dc.Draw3dRect(&rc, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT));
    else if (index == m_nHot && !disabled)
        dc.Draw3dRect(&rc, GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_3DSHADOW));
    CRect text(rc);
    if (down)
        text.OffsetRect(1, 1);
    dc.SetBkMode(TRANSPARENT);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    if (disabled) {
        CRect shadow(text);
        shadow.OffsetRect(1, 1);
        dc.SetTextColor(GetSysColor(COLOR_3DHIGHLIGHT));
        dc.DrawText(b.label.c_str(), static_cast<int>(b.label.size()), &shadow, format);
    }
    dc.SetTextColor(GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    dc.DrawText(b.label.c_str(), static_cast<int>(b.label.size()), &text, format);
}
