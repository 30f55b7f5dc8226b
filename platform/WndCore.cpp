// Window handles, creation, destruction and window procedures.
#include "platform/WndInternal.h"

#include <QTimer>

#include <algorithm>
#include <unordered_map>

namespace {

std::unordered_map<HWND, std::unique_ptr<WindowRecord>>& Registry()
{
    static std::unordered_map<HWND, std::unique_ptr<WindowRecord>> records;
    return records;
}

// Handles are never reused, so a stale handle never reaches a newer window.
HWND NewHandle()
{
    static std::uintptr_t next = 0x10000;
    next += 4;
    return reinterpret_cast<HWND>(next);
}

std::map<std::string, wnd::WindowClass>& Classes()
{
    static std::map<std::string, wnd::WindowClass> classes;
    return classes;
}

std::string UpperCase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

void CreateWidget(WindowRecord& rec)
{
    const bool topLevel = wnd::IsTopLevel(rec);
    QWidget* parentWidget = nullptr;
    if (!topLevel)
        if (WindowRecord* parent = wnd::Find(rec.parent))
            parentWidget = parent->widget;
    rec.widget = new WndWidget(rec.hwnd, parentWidget, topLevel);  // owned: deleted in Destroy
    rec.surface = std::make_unique<CSurface>(rec.rcWindow.Width(), rec.rcWindow.Height());
    const HWND hwnd = rec.hwnd;
    rec.surface->SetChangeHandler([hwnd](const CRect& rc) {
        if (WindowRecord* r = wnd::Find(hwnd))
            wnd::PresentSurface(*r, rc);
    });
    wnd::SyncWidgetGeometry(rec);
}

void DestroyWidget(WindowRecord& rec)
{
    if (rec.widget == nullptr)
        return;
    WndWidget* widget = rec.widget;
    widget->Detach();  // from now on it ignores events and paints nothing
    widget->hide();
    // Deleted once control is back in an event loop: the window may be destroyed from
    // inside one of its own widgets' event handlers or signals.
    widget->deleteLater();
}

}  // namespace

namespace wnd {

WindowRecord* Find(HWND hwnd)
{
    if (hwnd == nullptr)
        return nullptr;
    auto it = Registry().find(hwnd);
    return it == Registry().end() ? nullptr : it->second.get();
}

WindowRecord& Get(HWND hwnd) { return *Find(hwnd); }

bool IsTopLevel(const WindowRecord& rec) { return (rec.style & WS_CHILD) == 0; }

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    for (const auto& [hwnd, rec] : Registry())
        if (IsTopLevel(*rec))
            windows.push_back(hwnd);
    std::sort(windows.begin(), windows.end());
    return windows;
}

const WindowClass& LookupClass(const std::string& name)
{
    auto& classes = Classes();
    auto it = classes.find(UpperCase(name.empty() ? "AfxWnd" : name));
    if (it != classes.end())
        return it->second;
    return classes.at("AFXWND");
}

void RegisterClass(const std::string& name, const WindowClass& cls) { Classes()[UpperCase(name)] = cls; }

}  // namespace wnd

// Creates the window for pWnd (may be null for windows without a framework object).
HWND CreateWindowInternal(CWnd* pWnd, DWORD exStyle, LPCTSTR lpszClass, LPCTSTR lpszName,
                          DWORD style, int x, int y, int cx, int cy, HWND hwndParent, UINT nID,
                          LPVOID lpParam)
{
    const std::string className = lpszClass != nullptr ? lpszClass : "";
    const wnd::WindowClass& cls = wnd::LookupClass(className);
    if ((style & WS_CHILD) != 0 && wnd::Find(hwndParent) == nullptr)
        return nullptr;

    auto owned = std::make_unique<WindowRecord>();
    WindowRecord& rec = *owned;
    rec.hwnd = NewHandle();
    rec.className = className;
    rec.classProc = cls.proc;
    rec.proc = pWnd != nullptr ? AfxWndProc : cls.proc;
    rec.parent = wnd::Find(hwndParent) != nullptr ? hwndParent : nullptr;
    rec.style = style & ~WS_VISIBLE;
    rec.exStyle = exStyle;
    rec.id = (style & WS_CHILD) != 0 ? nID : 0;
    rec.rcWindow = CRect(x, y, x + std::max(cx, 0), y + std::max(cy, 0));
    rec.pWnd = pWnd;
    const HWND hwnd = rec.hwnd;
    Registry().emplace(hwnd, std::move(owned));
    if (rec.parent != nullptr && (style & WS_CHILD) != 0)
        wnd::Get(rec.parent).children.push_back(hwnd);
    if (pWnd != nullptr) {
        pWnd->m_hWnd = hwnd;
    }
    CreateWidget(rec);
    if (cls.createNative != nullptr)
        cls.createNative(rec);

    CREATESTRUCT cs{lpParam, nullptr, nullptr, hwndParent, cy, cx, y, x, static_cast<LONG>(style),
                    lpszName, lpszClass, exStyle};
    if (SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0 ||
        SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd))
        return nullptr;
    const CRect client = wnd::ClientRectInWindow(wnd::Get(hwnd));
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (IsWindow(hwnd) && (style & WS_VISIBLE) != 0)
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL IsWindow(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hWnd)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || rec->destroying)
        return FALSE;
    rec->destroying = true;
    if (rec->widget != nullptr)
        rec->widget->hide();
    rec->style &= ~WS_VISIBLE;

    // Owned top-level windows go first, as with the system.
    std::vector<HWND> owned;
    for (auto& [h, r] : Registry())
        if (r->parent == hWnd && wnd::IsTopLevel(*r))
            owned.push_back(h);
    for (HWND h : owned)
        DestroyWindow(h);

    SendMessage(hWnd, WM_DESTROY, 0, 0);
    const std::vector<HWND> children = wnd::Get(hWnd).children;
    for (HWND child : children)
        DestroyWindow(child);

    rec = &wnd::Get(hWnd);
    wnd::KillAllTimers(*rec);
    wnd::ClearCaptureIfDestroyed(hWnd);
    wnd::RemoveQueuedMessages(hWnd);
    SendMessage(hWnd, WM_NCDESTROY, 0, 0);

    rec = &wnd::Get(hWnd);
    if (rec->pWnd != nullptr)  // the object did not detach itself in OnNcDestroy
        rec->pWnd->m_hWnd = nullptr;
    if (rec->pTempWnd != nullptr)
        rec->pTempWnd->m_hWnd = nullptr;
    if (WindowRecord* parent = wnd::Find(rec->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hWnd), siblings.end());
    }
    DestroyWidget(*rec);
    auto node = Registry().extract(hWnd);  // the record dies after the map is consistent
    return TRUE;
}

MSG* AfxGetCurrentMessage()
{
    thread_local MSG current{};
    return &current;
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || rec->proc == nullptr)
        return 0;
    return rec->proc(hWnd, message, wParam, lParam);
}

LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (lpPrevWndFunc == nullptr)
        return 0;
    return lpPrevWndFunc(hWnd, message, wParam, lParam);
}

LONG_PTR SetWindowLongPtr(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return 0;
    LONG_PTR previous = GetWindowLongPtr(hWnd, nIndex);
    switch (nIndex) {
    case GWLP_WNDPROC:
        rec->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        break;
    case GWL_STYLE:
        rec->style = static_cast<DWORD>(dwNewLong);
        if (rec->widget != nullptr && (rec->style & WS_VISIBLE) != 0 && !rec->widget->isVisible())
            rec->widget->show();
        break;
    case GWL_EXSTYLE:
        rec->exStyle = static_cast<DWORD>(dwNewLong);
        break;
    case GWLP_ID:
        rec->id = static_cast<UINT>(dwNewLong);
        break;
    default:
        rec->longs[nIndex] = dwNewLong;
        break;
    }
    return previous;
}

DWORD_PTR GetClassLongPtr(HWND hWnd, int nIndex)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return 0;
    if (nIndex == GCLP_HICONSM)
        return reinterpret_cast<DWORD_PTR>(rec->iconSmall != nullptr ? rec->iconSmall : rec->iconBig);
    if (nIndex == GCLP_HICON)
        return reinterpret_cast<DWORD_PTR>(rec->iconBig);
    return 0;
}

LONG_PTR GetWindowLongPtr(HWND hWnd, int nIndex)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return 0;
    switch (nIndex) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(rec->proc);
    case GWL_STYLE:
        return static_cast<LONG_PTR>(rec->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(rec->exStyle);
    case GWLP_ID:
        return static_cast<LONG_PTR>(rec->id);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(rec->parent);
    default: {
        auto it = rec->longs.find(nIndex);
        return it == rec->longs.end() ? 0 : it->second;
    }
    }
}

LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        return DefWindowProc(hWnd, message, wParam, lParam);
    MSG* current = AfxGetCurrentMessage();
    const MSG saved = *current;
    current->hwnd = hWnd;
    current->message = message;
    current->wParam = wParam;
    current->lParam = lParam;
    const LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    *current = saved;
    return result;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr ? rec->pWnd : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return nullptr;
    if (rec->pWnd != nullptr)
        return rec->pWnd;
    if (rec->pTempWnd == nullptr) {
        rec->pTempWnd = std::make_unique<CWnd>();
        rec->pTempWnd->m_hWnd = hWnd;
    }
    return rec->pTempWnd.get();
}

BOOL CWnd::Attach(HWND hWnd)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || rec->pWnd != nullptr || m_hWnd != nullptr)
        return FALSE;
    rec->pWnd = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (WindowRecord* rec = wnd::Find(hWnd); rec != nullptr && rec->pWnd == this)
        rec->pWnd = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    CREATESTRUCT cs{lpParam, nullptr, nIDorHMenu, hWndParent, nHeight, nWidth, y, x,
                    static_cast<LONG>(dwStyle), lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs))
        return FALSE;
    m_pfnSuper = wnd::LookupClass(cs.lpszClass != nullptr ? cs.lpszClass : "").proc;
    const UINT nID = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(cs.hMenu));
    HWND hwnd = CreateWindowInternal(this, cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                     static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                     cs.hwndParent, nID, cs.lpCreateParams);
    return hwnd != nullptr ? TRUE : FALSE;
}
