// CCmdUI: the state of one user-interface item (toolbar button, menu item) that a
// command-state handler sets (Enable, SetCheck) when the owner asks for updates.
#pragma once

#include "platform/Wnd.h"

class CMenu;
class CToolBar;

class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;
    CCmdUI(const CCmdUI&) = delete;
    CCmdUI& operator=(const CCmdUI&) = delete;

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    UINT m_nIndexMax = 0;
    CMenu* m_pMenu = nullptr;      // set for a menu item
    CWnd* m_pOther = nullptr;      // set for a control bar's button
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);  // 0 off, 1 on
    virtual void SetText(LPCTSTR lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks pTarget's update handler (OnCmdMsg with CN_UPDATE_COMMAND_UI). When no handler
    // answers and bDisableIfNoHndler is set, the item is disabled; otherwise it is left
    // as it is. Returns TRUE when a handler answered.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};
