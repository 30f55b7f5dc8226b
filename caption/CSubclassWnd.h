// CSubclassWnd: a hook that sits in front of a window's procedure and sees every message
// of that window first. Several hooks on one window form a chain (the newest first);
// each passes on what it does not consume, the last to the window's saved procedure.
// CSubclassWndMap leads from a window handle to the first hook of its chain.
#pragma once

#include "platform/Collections.h"
#include "platform/Wnd.h"

class CSubclassWnd : public CObject {
    DECLARE_DYNAMIC(CSubclassWnd)
public:
    CSubclassWnd();
    // Does not unhook: the owner destroys a hook after its window is gone or after
    // HookWindow(nullptr).
    ~CSubclassWnd() override;

    // With a window: installs this hook as the first of the window's chain. With null:
    // removes it from its chain. Always TRUE.
    BOOL HookWindow(CWnd* pWnd);
    BOOL IsHooked() const { return m_pWndHooked != nullptr; }

    // The base version passes the message to the next hook, or to the saved procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Passes the current message (as the per-thread record holds it now) to the rest of
    // the chain.
    LRESULT Default();

    CWnd* m_pWndHooked = nullptr;       // the hooked window, null when not installed
    WNDPROC m_pOldWndProc = nullptr;    // the procedure in place before the first hook
    CSubclassWnd* m_pNext = nullptr;    // the hook installed before this one on the window

    friend LRESULT HookWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// Window handle -> first hook of its chain. One per module, created on first use.
class CSubclassWndMap : private CMapPtrToPtr {
public:
    CSubclassWndMap();
    ~CSubclassWndMap() override;

    static CSubclassWndMap& GetHookMap();
    void Add(HWND hwnd, CSubclassWnd* pSubclassWnd);
    void Remove(CSubclassWnd* pSubclassWnd);
    void RemoveAll(HWND hwnd);
    CSubclassWnd* Lookup(HWND hwnd) const;
};

// The window procedure installed on every hooked window.
LRESULT HookWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
