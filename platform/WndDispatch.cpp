// CWnd's message dispatch: WindowProc, OnWndMsg and the default message handlers.
#include "platform/DC.h"
#include "platform/WndInternal.h"

namespace {
CPoint PointFromLParam(LPARAM lParam) { return CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); }
UINT KeyRepeat(LPARAM lParam) { return LOWORD(static_cast<std::uintptr_t>(lParam)); }
UINT KeyFlags(LPARAM lParam) { return HIWORD(static_cast<std::uintptr_t>(lParam)); }
}  // namespace

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BOOL CCmdTarget::OnCmdMsg(UINT, int, void*, AFX_CMDHANDLERINFO*) { return FALSE; }

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG* current = AfxGetCurrentMessage();
    return DefWindowProc(current->message, current->wParam, current->lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_NCDESTROY) {
        OnNcDestroy();  // may delete this: nothing of the object is touched afterwards
        *pResult = 0;
        return TRUE;
    }
    if (DispatchInput(message, wParam, lParam, pResult))
        return TRUE;
    return DispatchWindowState(message, wParam, lParam, pResult);
}

BOOL CWnd::DispatchInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const UINT flags = static_cast<UINT>(wParam);
    *pResult = 0;
    switch (message) {
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam), KeyRepeat(lParam), KeyFlags(lParam)); return TRUE;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wParam), KeyRepeat(lParam), KeyFlags(lParam)); return TRUE;
    case WM_CHAR: OnChar(static_cast<UINT>(wParam), KeyRepeat(lParam), KeyFlags(lParam)); return TRUE;
    case WM_LBUTTONDOWN: OnLButtonDown(flags, PointFromLParam(lParam)); return TRUE;
    case WM_LBUTTONUP: OnLButtonUp(flags, PointFromLParam(lParam)); return TRUE;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(flags, PointFromLParam(lParam)); return TRUE;
    case WM_RBUTTONDOWN: OnRButtonDown(flags, PointFromLParam(lParam)); return TRUE;
    case WM_RBUTTONUP: OnRButtonUp(flags, PointFromLParam(lParam)); return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(flags, PointFromLParam(lParam)); return TRUE;
    case WM_MOUSEWHEEL:
        *pResult = OnMouseWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), PointFromLParam(lParam));
        return TRUE;
    case WM_SETCURSOR:
        *pResult = OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(static_cast<std::uintptr_t>(lParam)),
                               HIWORD(static_cast<std::uintptr_t>(lParam)));
        return TRUE;
    case WM_MOUSEACTIVATE:
        *pResult = OnMouseActivate(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(static_cast<std::uintptr_t>(lParam)),
                                   HIWORD(static_cast<std::uintptr_t>(lParam)));
        return TRUE;
    case WM_NCHITTEST: *pResult = OnNcHitTest(PointFromLParam(lParam)); return TRUE;
    case WM_NCLBUTTONDOWN: OnNcLButtonDown(static_cast<UINT>(wParam), PointFromLParam(lParam)); return TRUE;
    case WM_SETFOCUS: OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return TRUE;
    case WM_KILLFOCUS: OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return TRUE;
    case WM_CAPTURECHANGED: OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))); return TRUE;
    case WM_CONTEXTMENU: OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), PointFromLParam(lParam)); return TRUE;
    default: return FALSE;
    }
}

BOOL CWnd::DispatchWindowState(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    *pResult = 0;
    switch (message) {
    case WM_CREATE: *pResult = OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)); return TRUE;
    case WM_DESTROY: OnDestroy(); return TRUE;
    case WM_CLOSE: OnClose(); return TRUE;
    case WM_SIZE: OnSize(static_cast<UINT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)), HIWORD(static_cast<std::uintptr_t>(lParam))); return TRUE;
    case WM_MOVE: OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return TRUE;
    case WM_PAINT: OnPaint(); return TRUE;
    case WM_ERASEBKGND: *pResult = OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam))); return TRUE;
    case WM_NCPAINT: OnNcPaint(); return TRUE;
    case WM_NCACTIVATE: *pResult = OnNcActivate(static_cast<BOOL>(wParam)); return TRUE;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
        return TRUE;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return TRUE;
    case WM_TIMER: OnTimer(wParam); return TRUE;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));
        return TRUE;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));
        return TRUE;
    case WM_SYSCOMMAND: OnSysCommand(static_cast<UINT>(wParam), lParam); return TRUE;
    case WM_SYSCOLORCHANGE: OnSysColorChange(); return TRUE;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)),
                        HIWORD(static_cast<std::uintptr_t>(lParam)));
        return TRUE;
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            *pResult = 1;
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    if (lParam == 0)
        nCode = CN_COMMAND;  // menus and accelerators
    if (nID == 0)
        return FALSE;
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnSysColorChange() { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }

void CWnd::OnNcDestroy()
{
    Default();
    Detach();
    PostNcDestroy();
}

void CWnd::PostNcDestroy() {}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(nID)), lpParam);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) const
{
    const WindowRecord* rec = wnd::Find(m_hWnd);
    if (rec == nullptr)
        return;
    const std::vector<HWND> children = rec->children;
    for (HWND child : children) {
        ::SendMessage(child, message, wParam, lParam);
        if (bDeep && IsWindow(child))
            CWnd::FromHandle(child)->SendMessageToDescendants(message, wParam, lParam, TRUE);
    }
}
