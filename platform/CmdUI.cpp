// Command-state updates.
#include "platform/CmdUI.h"

void CCmdUI::Enable(BOOL bOn)
{
    if (m_pOther != nullptr)
        m_pOther->EnableWindow(bOn);
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int) {}

void CCmdUI::SetText(LPCTSTR lpszText)
{
    if (m_pOther != nullptr)
        m_pOther->SetWindowText(lpszText);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (pTarget == nullptr || m_nID == 0)
        return FALSE;
    m_bEnableChanged = FALSE;
    m_bContinueRouting = FALSE;
    const BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr) && !m_bContinueRouting;
    if (!handled && bDisableIfNoHndler && !m_bEnableChanged)
        Enable(FALSE);
    return handled;
}
