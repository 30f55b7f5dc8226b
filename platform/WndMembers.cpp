// CWnd members that wrap the handle-level services.
#include "platform/GdiObjects.h"
#include "platform/WndInternal.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd* CWnd::GetParent() const { return CWnd::FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::GetOwner() const { return GetParent(); }

CWnd* CWnd::GetTopLevelParent() const
{
    const WindowRecord* rec = wnd::Find(m_hWnd);
    while (rec != nullptr && !wnd::IsTopLevel(*rec))
        rec = wnd::Find(rec->parent);
    return rec != nullptr ? CWnd::FromHandle(rec->hwnd) : nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const { return CWnd::FromHandle(::GetDlgItem(m_hWnd, nID)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
int CWnd::SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongPtr(m_hWnd, GWLP_ID, nID)); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = GetStyle();
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtr(m_hWnd, GWL_STYLE, newStyle);
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = GetExStyle();
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtr(m_hWnd, GWL_EXSTYLE, newStyle);
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::IsChild(const CWnd* pWnd) const { return pWnd != nullptr && ::IsChild(m_hWnd, pWnd->m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsZoomed() const { return ::IsZoomed(m_hWnd); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    HWND after = pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr;
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, nFlags);
}

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    CRect rcCenter;
    CWnd* pOwner = pAlternateOwner != nullptr ? pAlternateOwner : GetParent();
    if (pOwner != nullptr)
        pOwner->GetWindowRect(&rcCenter);
    else
        rcCenter = CRect(0, 0, 1024, 768);
    const int x = (rcCenter.left + rcCenter.right) / 2 - rcWindow.Width() / 2;
    const int y = (rcCenter.top + rcCenter.bottom) / 2 - rcWindow.Height() / 2;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT flags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
}

BOOL CWnd::GetUpdateRect(LPRECT lpRect, BOOL)
{
    const WindowRecord* rec = wnd::Find(m_hWnd);
    if (rec == nullptr)
        return FALSE;
    const QRect box = rec->update.boundingRect();
    if (lpRect != nullptr)
        *lpRect = box.isEmpty() ? CRect() : CRect(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    return !box.isEmpty();
}

CSurface* CWnd::GetSurfaceForTest() const
{
    const WindowRecord* rec = wnd::Find(m_hWnd);
    return rec != nullptr ? rec->surface.get() : nullptr;
}

CWnd* CWnd::SetCapture() { return CWnd::FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return CWnd::FromHandle(::GetCapture()); }
CWnd* CWnd::SetFocus() { return CWnd::FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return CWnd::FromHandle(::GetFocus()); }
CWnd* CWnd::GetActiveWindow() { return CWnd::FromHandle(::GetActiveWindow()); }
CWnd* CWnd::SetActiveWindow() { return CWnd::FromHandle(::SetActiveWindow(m_hWnd)); }
BOOL CWnd::SetForegroundWindow() { return ::SetActiveWindow(m_hWnd) != nullptr || IsWindow(m_hWnd); }

void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowText(m_hWnd, lpszString); }

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int length = GetWindowTextLength();
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    ::GetWindowText(m_hWnd, buffer.data(), length + 1);
    rString = buffer.c_str();
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

void CWnd::SetFont(HFONT hFont, BOOL bRedraw) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw); }
HFONT CWnd::GetFontHandle() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
void CWnd::SetFont(CFont* pFont, BOOL bRedraw) { SetFont(pFont != nullptr ? static_cast<HFONT>(*pFont) : nullptr, bRedraw); }

CFont* CWnd::GetFont() const
{
    HFONT font = GetFontHandle();
    return font != nullptr ? CFont::FromHandle(font) : nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw)
{
    ::SetScrollInfo(m_hWnd, nBar, lpScrollInfo, bRedraw);
    return TRUE;
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) const
{
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw)
{
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 0, 0};
    const int previous = GetScrollPos(nBar);
    si.nPos = nPos;
    ::SetScrollInfo(m_hWnd, nBar, &si, bRedraw);
    return previous;
}

int CWnd::GetScrollPos(int nBar) const
{
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 0, 0};
    ::GetScrollInfo(m_hWnd, nBar, &si);
    return si.nPos;
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw)
{
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, nMinPos, nMaxPos, 0, 0, 0};
    ::SetScrollInfo(m_hWnd, nBar, &si, bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const
{
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(m_hWnd, nBar, &si);
    *lpMinPos = si.nMin;
    *lpMaxPos = si.nMax;
}

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) { ::ShowScrollBar(m_hWnd, static_cast<int>(nBar), bShow); }

void CWnd::ScrollWindow(int, int, LPCRECT, LPCRECT)
{
    // The surface is repainted whole: scrolling invalidates the client area.
    Invalidate(FALSE);
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    // Control bars answer WM_IDLEUPDATECMDUI by updating their buttons through pTarget.
    const WindowRecord* rec = wnd::Find(m_hWnd);
    if (rec == nullptr)
        return;
    const std::vector<HWND> children = rec->children;
    for (HWND child : children)
        ::SendMessage(child, WM_IDLEUPDATECMDUI, static_cast<WPARAM>(bDisableIfNoHndler),
                      reinterpret_cast<LPARAM>(pTarget));
}

BOOL SetWindowText(HWND hWnd, LPCTSTR lpString)
{
    return static_cast<BOOL>(SendMessage(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowText(HWND hWnd, LPTSTR lpString, int nMaxCount)
{
    return static_cast<int>(SendMessage(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLength(HWND hWnd) { return static_cast<int>(SendMessage(hWnd, WM_GETTEXTLENGTH, 0, 0)); }
