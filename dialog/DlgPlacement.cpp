// Placement and layout: the stored window rectangle ("DIALOG"/"POS" in the application
// profile, four 32-bit integers left, top, right, bottom), centring on the host's
// rectangle, the child layout and the minimum width.
#include "dialog/CDlgStitchDicom.h"

#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "resources/ResourceIds.h"
#include "workspace/CViewStitchDicom.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kPlacementSection = "DIALOG";
constexpr const char* kPlacementEntry = "POS";
constexpr UINT kPlacementBytes = 16;
constexpr int kMaxStoredWidth = 200000;  // exclusive
constexpr int kMinTrackWidth = 720;
constexpr int kToolBarHeight = 23;
constexpr int kViewTop = 24;          // one pixel below the toolbar
constexpr int kBottomLineHeight = 2;

// The smallest outer size the user can give the window by dragging its frame.
CSize MinimumTrackSize(CWnd& wnd)
{
    MINMAXINFO mmi{};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    wnd.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return CSize(mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y);
}

}  // namespace

// A stored rectangle is restored no smaller than the minimum tracking size: a profile
// written by an older run (or by hand) must not cut Save and Close off.
BOOL CDlgStitchDicom::LoadPosition()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return TRUE;
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    pApp->GetProfileBinary(kPlacementSection, kPlacementEntry, &pData, &nBytes);
    const std::unique_ptr<BYTE[]> data(pData);  // the profile hands the buffer over
    if (data == nullptr || nBytes != kPlacementBytes)
        return TRUE;
    std::int32_t rc[4];
    std::memcpy(rc, data.get(), sizeof rc);
    const std::int64_t width = std::int64_t{rc[2]} - rc[0];
    if (width <= 0 || width >= kMaxStoredWidth)
        return TRUE;
    const CSize minimum = MinimumTrackSize(*this);
    const std::int64_t height = std::int64_t{rc[3]} - rc[1];
    MoveWindow(rc[0], rc[1], static_cast<int>(std::max<std::int64_t>(width, minimum.cx)),
               static_cast<int>(std::clamp<std::int64_t>(height, minimum.cy, INT_MAX)), TRUE);
    return TRUE;
}

void CDlgStitchDicom::StorePosition()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return;
    CRect rc;
    GetWindowRect(&rc);
    const std::int32_t values[4] = {rc.left, rc.top, rc.right, rc.bottom};
    BYTE bytes[kPlacementBytes];
    std::memcpy(bytes, values, sizeof bytes);
    pApp->WriteProfileBinary(kPlacementSection, kPlacementEntry, bytes, kPlacementBytes);
}

// Only a dialog that was placed is stored: a run whose initialisation failed would store
// the template's size, narrower than the toolbar.
void CDlgStitchDicom::OnDestroy()
{
    if (m_bPlaced)
        StorePosition();
    m_bPlaced = FALSE;
    m_pView = nullptr;  // the view deletes itself with its window, which goes next
    CDialog::OnDestroy();
}

CPoint CDlgStitchDicom::CenteredOrigin(const CRect& rcHost, int nWidth, int nHeight)
{
    // 64-bit sums: the host's corners may lie anywhere in the 32-bit range.
    const std::int64_t x = (std::int64_t{rcHost.left} + rcHost.right) / 2 - nWidth / 2;
    const std::int64_t y = (std::int64_t{rcHost.top} + rcHost.bottom) / 2 - nHeight / 2;
    return CPoint(static_cast<int>(x), static_cast<int>(y));
}

// A host rectangle overrides a restored position, never a restored size.
void CDlgStitchDicom::CenterOnHost()
{
    if (m_rcHost.IsRectEmpty())
        return;
    CRect rc;
    GetWindowRect(&rc);
    const CPoint origin = CenteredOrigin(m_rcHost, rc.Width(), rc.Height());
    m_rcHost = CRect(origin.x, origin.y, origin.x + rc.Width(), origin.y + rc.Height());
    MoveWindow(&m_rcHost, TRUE);
}

// The template is narrower than the toolbar: without a stored placement Save and Close
// would start out of sight. The window grows to show every button, within the screen.
void CDlgStitchDicom::WidenToToolBar()
{
    if (m_wndToolBar.m_hWnd == nullptr)
        return;
    CRect client, rcWindow;
    GetClientRect(&client);
    GetWindowRect(&rcWindow);
    const int nFrame = rcWindow.Width() - client.Width();
    const int nWanted = m_wndToolBar.CalcFixedLayout(FALSE, TRUE).cx + nFrame;
    const int nWidth = std::min(nWanted, GetSystemMetrics(SM_CXSCREEN));
    if (nWidth > rcWindow.Width())
        MoveWindow(rcWindow.left, rcWindow.top, nWidth, rcWindow.Height(), TRUE);
}

void CDlgStitchDicom::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (m_wndToolBar.m_hWnd != nullptr)
        m_wndToolBar.SetWindowPos(nullptr, 0, 0, cx, kToolBarHeight, SWP_NOZORDER);
    if (m_pView != nullptr)
        m_pView->SetWindowPos(nullptr, 0, kViewTop, cx, std::max(0, cy - kViewTop - kBottomLineHeight),
                              SWP_NOZORDER);
    if (CWnd* pLine = GetDlgItem(IDC_BOTTOM_LINE))
        pLine->SetWindowPos(&CWnd::wndTop, 0, cy - kBottomLineHeight, cx, kBottomLineHeight, SWP_SHOWWINDOW);
}

void CDlgStitchDicom::OnGetMinMaxInfo(MINMAXINFO* lpMMI)
{
    CDialog::OnGetMinMaxInfo(lpMMI);
    lpMMI->ptMinTrackSize.x = kMinTrackWidth;
}
