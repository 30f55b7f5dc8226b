// Window creation: the toolbar, the moving-step combo box over toolbar item 8, the caption
// painter in custom colour mode, and the workspace view.
#include "dialog/CDlgStitchDicom.h"
#include "dialog/PixelChoices.h"

#include "caption/Caption.h"
#include "config/CDisplayConfig.h"
#include "resources/ResourceIds.h"
#include "workspace/CViewStitchDicom.h"

namespace {
// Toolbar item (separators counted) that the combo box covers.
constexpr int kPixelComboItem = 8;  // after Auto, Align, Reset, a separator and four Move buttons
}  // namespace

int CDlgStitchDicom::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!CreateToolBar())
        return -1;
    CreatePixelCombo();
    AttachCaption();
    CreateView();
    return 0;
}

BOOL CDlgStitchDicom::CreateToolBar()
{
    return m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect(0, 0, 0, 0),
                                 AFX_IDW_TOOLBAR) &&
           m_wndToolBar.LoadToolBar(IDR_STITCH_TOOLBAR);
}

void CDlgStitchDicom::CreatePixelCombo()
{
    m_cbPixel.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_HASSTRINGS, CRect(0, 0, 64, 200),
                     &m_wndToolBar, ID_PIXEL_COMBO);
    if (m_cbPixel.m_hWnd == nullptr)
        return;
    FillPixelChoices(m_cbPixel);
    m_cbPixel.SetFont(GetFont(), TRUE);
    CRect rcItem;
    m_wndToolBar.GetItemRect(kPixelComboItem, &rcItem);
    m_cbPixel.MoveWindow(rcItem.left, rcItem.top, rcItem.Width(), rcItem.Height(), TRUE);
    m_cbPixel.SetCurSel(0);
}

// The custom caption, in custom colour mode only, for a window with a caption or a sizing
// border. The painter is made once per dialog object and hooked on each new window.
void CDlgStitchDicom::AttachCaption()
{
    if (!CDisplayConfig::m_bCustomColorMode || (GetStyle() & (WS_CAPTION | WS_THICKFRAME)) == 0)
        return;
    if (m_pCaption == nullptr)
        m_pCaption = std::make_unique<CSingleLineCaption>();
    m_pCaption->HookWindow(this);
    m_pCaption->GetTextAttr()->SetActiveTextColor(CDisplayConfig::m_dlg.m_crText);
    m_pCaption->GetBackground()->SetActiveColor(CDisplayConfig::m_tab.m_crSelBack);
    m_pCaption->GetBackground()->SetInactiveColor(CDisplayConfig::m_tab.m_crBack);
    m_pCaption->Refresh();
}

void CDlgStitchDicom::CreateView()
{
    // Dynamic creation: the object belongs to its window from here on and deletes itself
    // when the window goes, also when the creation of the window fails.
    m_pView = dynamic_cast<CViewStitchDicom*>(RUNTIME_CLASS(CViewStitchDicom)->CreateObject());
    if (m_pView == nullptr)
        return;
    if (!m_pView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), this,
                         IDC_STITCH_VIEW, nullptr)) {
        m_pView = nullptr;  // already deleted with its half-made window
        return;
    }
    m_pView->ModifyStyleEx(0, WS_EX_CLIENTEDGE);
}
