// The window subclassing hook and its module-wide map.
#include "caption/CSubclassWnd.h"

IMPLEMENT_DYNAMIC(CSubclassWnd, CObject)

LRESULT HookWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    // The current-message record holds this message while the hooks run, and the outer
    // message again afterwards (nested messages come through here as well).
    MSG* current = AfxGetCurrentMessage();
    const MSG saved = *current;
    current->hwnd = hwnd;
    current->message = msg;
    current->wParam = wp;
    current->lParam = lp;

    CSubclassWndMap& map = CSubclassWndMap::GetHookMap();
    CSubclassWnd* first = map.Lookup(hwnd);
    LRESULT result = 0;
    if (msg == WM_NCDESTROY) {
        // The window is going: every hook leaves and the saved procedure is put back
        // before it receives the last message.
        const WNDPROC saved_proc = first != nullptr ? first->m_pOldWndProc : nullptr;
        map.RemoveAll(hwnd);
        result = saved_proc != nullptr ? CallWindowProc(saved_proc, hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
    } else if (first != nullptr) {
        result = first->WindowProc(msg, wp, lp);
    } else {
        result = DefWindowProc(hwnd, msg, wp, lp);
    }
    *current = saved;
    return result;
}

CSubclassWnd::CSubclassWnd() = default;
CSubclassWnd::~CSubclassWnd() = default;

BOOL CSubclassWnd::HookWindow(CWnd* pWnd)
{
    CSubclassWndMap& map = CSubclassWndMap::GetHookMap();
    if (pWnd == nullptr || m_pWndHooked != nullptr) {
        // Leaving a chain; installing a hook that is already installed first takes it out
        // of its old chain, so that a chain can never loop back on itself.
        map.Remove(this);
        m_pWndHooked = nullptr;
        m_pOldWndProc = nullptr;
        m_pNext = nullptr;
        if (pWnd == nullptr)
            return TRUE;
    }
    const HWND hwnd = pWnd->m_hWnd;
    if (hwnd == nullptr)
        return TRUE;
    CSubclassWnd* first = map.Lookup(hwnd);
    m_pNext = first;
    if (first != nullptr)
        m_pOldWndProc = first->m_pOldWndProc;
    else
        m_pOldWndProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWndProc)));
    map.Add(hwnd, this);
    m_pWndHooked = pWnd;
    return TRUE;
}

LRESULT CSubclassWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_pNext != nullptr)
        return m_pNext->WindowProc(msg, wp, lp);
    if (m_pWndHooked == nullptr)
        return 0;
    return CallWindowProc(m_pOldWndProc, m_pWndHooked->m_hWnd, msg, wp, lp);
}

LRESULT CSubclassWnd::Default()
{
    const MSG* current = AfxGetCurrentMessage();
    return CSubclassWnd::WindowProc(current->message, current->wParam, current->lParam);
}

CSubclassWndMap::CSubclassWndMap() : CMapPtrToPtr(10) {}
CSubclassWndMap::~CSubclassWndMap() = default;

CSubclassWndMap& CSubclassWndMap::GetHookMap()
{
    static CSubclassWndMap map;
    return map;
}

void CSubclassWndMap::Add(HWND hwnd, CSubclassWnd* pSubclassWnd) { SetAt(hwnd, pSubclassWnd); }

CSubclassWnd* CSubclassWndMap::Lookup(HWND hwnd) const
{
    void* value = nullptr;
    return CMapPtrToPtr::Lookup(hwnd, value) ? static_cast<CSubclassWnd*>(value) : nullptr;
}

void CSubclassWndMap::Remove(CSubclassWnd* pSubclassWnd)
{
    if (pSubclassWnd->m_pWndHooked == nullptr)
        return;
    const HWND hwnd = pSubclassWnd->m_pWndHooked->m_hWnd;
    CSubclassWnd* first = Lookup(hwnd);
    if (first == nullptr)
        return;
    if (first == pSubclassWnd) {
        if (first->m_pNext != nullptr) {
            SetAt(hwnd, first->m_pNext);
        } else {
            RemoveKey(hwnd);
            SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pSubclassWnd->m_pOldWndProc));
        }
        return;
    }
    CSubclassWnd* previous = first;
    while (previous->m_pNext != nullptr && previous->m_pNext != pSubclassWnd)
        previous = previous->m_pNext;
    if (previous->m_pNext == pSubclassWnd)
        previous->m_pNext = pSubclassWnd->m_pNext;
}

void CSubclassWndMap::RemoveAll(HWND hwnd)
{
    while (CSubclassWnd* first = Lookup(hwnd))
        first->HookWindow(nullptr);
}
