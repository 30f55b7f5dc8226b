// CMenu: menus loaded from menu resources; popups run modally by TrackPopupMenu.
#pragma once

#include "platform/Wnd.h"

#include <functional>
#include <string>
#include <vector>

class CMenu {
public:
    HMENU m_hMenu = nullptr;

    CMenu() = default;
    ~CMenu();  // destroys a menu this object loaded or created
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL LoadMenu(UINT nIDResource);
    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    static CMenu* FromHandle(HMENU hMenu);
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    // The popup at a position (owned by this menu), or null.
    CMenu* GetSubMenu(int nPos) const;
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;  // 0 for a separator, -1 for a popup
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);  // returns the previous state
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    UINT GetMenuState(UINT nID, UINT nFlags) const;  // MF_GRAYED, MF_CHECKED, ...

    // Shows the popup at (x, y) (screen) and runs it modally. Before it opens the owner
    // gets WM_INITMENUPOPUP, whose default processing updates every item through the
    // owner's command-state handlers. The chosen command is posted to the owner as
    // WM_COMMAND, or returned with TPM_RETURNCMD. Returns FALSE when nothing was chosen.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
};

// The item list a popup shows, as the test hook sees it.
struct PopupMenuItem {
    UINT id = 0;
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
};

// While set, TrackPopupMenu shows nothing: the hook gets the items (after the update)
// and returns the command to choose, 0 to dismiss. A greyed item cannot be chosen.
void SetPopupMenuHookForTest(std::function<UINT(const std::vector<PopupMenuItem>&)> hook);
