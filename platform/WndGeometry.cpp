// Window geometry, placement, visibility and the family of a window.
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"

namespace wnd {

CRect NonClientInsets(DWORD style, DWORD exStyle)
{
    CRect insets(0, 0, 0, 0);
    auto grow = [&insets](int cx, int cy) {
        insets.left += cx;
        insets.right += cx;
        insets.top += cy;
        insets.bottom += cy;
    };
    if ((style & WS_THICKFRAME) != 0)
        grow(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    else if ((style & WS_DLGFRAME) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0)
        grow(GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
    else if ((style & WS_BORDER) != 0)
        grow(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    if ((style & WS_CAPTION) == WS_CAPTION)
        insets.top += GetSystemMetrics(SM_CYCAPTION);
    if ((exStyle & WS_EX_CLIENTEDGE) != 0)
        grow(GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE));
    if ((exStyle & WS_EX_STATICEDGE) != 0)
        grow(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    if ((style & WS_VSCROLL) != 0)
        insets.right += GetSystemMetrics(SM_CXVSCROLL);
    if ((style & WS_HSCROLL) != 0)
        insets.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return insets;
}

DWORD FrameStyle(const WindowRecord& rec)
{
    return rec.controlScrollBars ? (rec.style & ~(WS_VSCROLL | WS_HSCROLL)) : rec.style;
}

CRect ClientRectInWindow(const WindowRecord& rec)
{
    const CRect insets = NonClientInsets(FrameStyle(rec), rec.exStyle);
    CRect rc(insets.left, insets.top, rec.rcWindow.Width() - insets.right,
             rec.rcWindow.Height() - insets.bottom);
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    return rc;
}

CPoint WindowOriginOnScreen(const WindowRecord& rec)
{
    CPoint origin = rec.rcWindow.TopLeft();
    if (!IsTopLevel(rec)) {
        if (const WindowRecord* parent = Find(rec.parent)) {
            const CPoint parentOrigin = WindowOriginOnScreen(*parent);
            const CRect parentClient = ClientRectInWindow(*parent);
            origin.Offset(parentOrigin.x + parentClient.left, parentOrigin.y + parentClient.top);
        }
    }
    return origin;
}

CRect WindowRectOnScreen(const WindowRecord& rec)
{
    const CPoint origin = WindowOriginOnScreen(rec);
    return CRect(origin.x, origin.y, origin.x + rec.rcWindow.Width(), origin.y + rec.rcWindow.Height());
}

void SyncWidgetGeometry(WindowRecord& rec)
{
    if (rec.surface != nullptr &&
        (rec.surface->Width() != rec.rcWindow.Width() || rec.surface->Height() != rec.rcWindow.Height()))
        rec.surface->Resize(rec.rcWindow.Width(), rec.rcWindow.Height());
    if (rec.widget == nullptr)
        return;
    CRect rc = rec.rcWindow;
    if (!IsTopLevel(rec))
        if (const WindowRecord* parent = Find(rec.parent))
            rc.OffsetRect(ClientRectInWindow(*parent).TopLeft());
    rec.widget->setGeometry(rc.left, rc.top, rc.Width(), rc.Height());
    if (rec.native != nullptr && rec.native->parentWidget() == rec.widget)
        rec.native->setGeometry(0, 0, rc.Width(), std::min(rc.Height(), std::max(rec.native->sizeHint().height(), 20)));
    LayoutScrollBars(rec);
    for (HWND child : rec.children)
        if (WindowRecord* c = Find(child))
            SyncWidgetGeometry(*c);
}

}  // namespace wnd

namespace {
CPoint ClientOriginOnScreen(const WindowRecord& rec)
{
    const CPoint origin = wnd::WindowOriginOnScreen(rec);
    const CRect client = wnd::ClientRectInWindow(rec);
    return CPoint(origin.x + client.left, origin.y + client.top);
}
}  // namespace

BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL, DWORD dwExStyle)
{
    const CRect insets = wnd::NonClientInsets(dwStyle & ~(WS_VSCROLL | WS_HSCROLL), dwExStyle);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top;
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}

HWND GetParent(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr ? rec->parent : nullptr;
}

HWND GetDlgItem(HWND hDlg, int nID)
{
    const WindowRecord* rec = wnd::Find(hDlg);
    if (rec == nullptr)
        return nullptr;
    for (HWND child : rec->children)
        if (const WindowRecord* c = wnd::Find(child); c != nullptr && static_cast<int>(c->id) == nID)
            return child;
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr ? static_cast<int>(rec->id) : 0;
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    while (rec != nullptr && !wnd::IsTopLevel(*rec)) {
        if (rec->parent == hWndParent)
            return TRUE;
        rec = wnd::Find(rec->parent);
    }
    return FALSE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const CRect client = wnd::ClientRectInWindow(*rec);
    *lpRect = CRect(0, 0, client.Width(), client.Height());
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    *lpRect = wnd::WindowRectOnScreen(*rec);
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const CPoint origin = ClientOriginOnScreen(*rec);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const CPoint origin = ClientOriginOnScreen(*rec);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(hWnd, nullptr, x, y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const CRect before = rec->rcWindow;
    CRect after = before;
    if ((uFlags & SWP_NOMOVE) == 0)
        after.OffsetRect(x - after.left, y - after.top);
    if ((uFlags & SWP_NOSIZE) == 0) {
        after.right = after.left + std::max(cx, 0);
        after.bottom = after.top + std::max(cy, 0);
    }
    rec->rcWindow = after;
    wnd::SyncWidgetGeometry(*rec);
    if ((uFlags & SWP_NOZORDER) == 0 && rec->widget != nullptr) {
        if (hWndInsertAfter == HWND_BOTTOM)
            rec->widget->lower();
        else
            rec->widget->raise();
    }
    const bool sized = after.Size() != before.Size();
    if (sized || (uFlags & SWP_FRAMECHANGED) != 0) {
        wnd::InvalidateFrame(*rec);
        if ((uFlags & SWP_NOREDRAW) == 0)
            InvalidateRect(hWnd, nullptr, TRUE);
    }
    if (after.TopLeft() != before.TopLeft())
        SendMessage(hWnd, WM_MOVE, 0, MAKELPARAM(after.left, after.top));
    if (sized && IsWindow(hWnd)) {
        const CRect client = wnd::ClientRectInWindow(wnd::Get(hWnd));
        const WPARAM type = IsZoomed(hWnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessage(hWnd, WM_SIZE, type, MAKELPARAM(client.Width(), client.Height()));
    }
    if ((uFlags & SWP_SHOWWINDOW) != 0)
        ShowWindow(hWnd, SW_SHOWNA);
    else if ((uFlags & SWP_HIDEWINDOW) != 0)
        ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL IsWindowVisible(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    while (rec != nullptr) {
        if ((rec->style & WS_VISIBLE) == 0)
            return FALSE;
        if (wnd::IsTopLevel(*rec))
            return TRUE;
        rec = wnd::Find(rec->parent);
    }
    return FALSE;
}

BOOL IsIconic(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr && (rec->style & WS_MINIMIZE) != 0;
}

BOOL IsZoomed(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr && (rec->style & WS_MAXIMIZE) != 0;
}
