// Commands and their states. The toolbar's and the context menu's commands reach the
// dialog's handlers through OnCmdMsg; each handler calls the view itself, and does
// nothing without a view. At idle the toolbar asks the update handlers for its states.
#include "dialog/CDlgStitchDicom.h"

#include "platform/CmdUI.h"
#include "resources/ResourceIds.h"
#include "workspace/CViewStitchDicom.h"

namespace {

struct CommandEntry {
    UINT nID;
    void (CDlgStitchDicom::*pfnCommand)();
    void (CDlgStitchDicom::*pfnUpdate)(CCmdUI*);
};

constexpr CommandEntry kCommands[] = {
    {ID_AUTO_STITCH, &CDlgStitchDicom::OnAutoStitch, &CDlgStitchDicom::OnUpdateAutoStitch},
    {ID_ALIGN, &CDlgStitchDicom::OnAlign, &CDlgStitchDicom::OnUpdateAlign},
    {ID_UNDO, &CDlgStitchDicom::OnUndo, &CDlgStitchDicom::OnUpdateUndo},
    {ID_REDO, &CDlgStitchDicom::OnRedo, &CDlgStitchDicom::OnUpdateRedo},
    {ID_RESET, &CDlgStitchDicom::OnReset, &CDlgStitchDicom::OnUpdateReset},
    {ID_MOVE_UP, &CDlgStitchDicom::OnMoveUp, &CDlgStitchDicom::OnUpdateMoveUp},
    {ID_MOVE_DOWN, &CDlgStitchDicom::OnMoveDown, &CDlgStitchDicom::OnUpdateMoveDown},
    {ID_MOVE_LEFT, &CDlgStitchDicom::OnMoveLeft, &CDlgStitchDicom::OnUpdateMoveLeft},
    {ID_MOVE_RIGHT, &CDlgStitchDicom::OnMoveRight, &CDlgStitchDicom::OnUpdateMoveRight},
    {ID_SIZE_INC, &CDlgStitchDicom::OnSizeInc, &CDlgStitchDicom::OnUpdateSizeInc},
    {ID_SIZE_DEC, &CDlgStitchDicom::OnSizeDec, &CDlgStitchDicom::OnUpdateSizeDec},
    {ID_CROP_IMAGE, &CDlgStitchDicom::OnCropImage, &CDlgStitchDicom::OnUpdateCropImage},
    {ID_REAL_SIZE, &CDlgStitchDicom::OnRealSize, &CDlgStitchDicom::OnUpdateRealSize},
    {ID_SAVE, &CDlgStitchDicom::OnSave, &CDlgStitchDicom::OnUpdateSave},
    {IDCANCEL, &CDlgStitchDicom::OnCancel, &CDlgStitchDicom::OnUpdateCancel},
    {ID_MOVE_UP_SEQ, &CDlgStitchDicom::OnMoveUpSeq, &CDlgStitchDicom::OnUpdateMoveUpSeq},
    {ID_MOVE_DN_SEQ, &CDlgStitchDicom::OnMoveDnSeq, &CDlgStitchDicom::OnUpdateMoveDnSeq},
};

}  // namespace

BOOL CDlgStitchDicom::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    for (const CommandEntry& entry : kCommands) {
        if (entry.nID != nID)
            continue;
        if (nCode == CN_COMMAND) {
            (this->*entry.pfnCommand)();
            return TRUE;
        }
        if (nCode == CN_UPDATE_COMMAND_UI && pExtra != nullptr) {
            (this->*entry.pfnUpdate)(static_cast<CCmdUI*>(pExtra));
            return TRUE;
        }
    }
    return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

LRESULT CDlgStitchDicom::OnKickIdle(WPARAM, LPARAM)
{
    if (m_wndToolBar.m_hWnd != nullptr)
        m_wndToolBar.OnUpdateCmdUI(this, FALSE);
    return 0;
}

BOOL CDlgStitchDicom::HasSelectedImage() const
{
    return m_pView != nullptr && m_pView->GetSelected() >= 0 && m_pView->GetSelected() < m_pView->GetImageCount();
}

void CDlgStitchDicom::OnAutoStitch()
{
    if (m_pView == nullptr)
        return;
    if (!m_pView->AutoStitch())
        m_strError = "Auto Stitching failed !!!";
    m_pView->Invalidate(TRUE);
}

void CDlgStitchDicom::OnAlign()
{
    if (m_pView != nullptr)
        m_pView->AlignImages();
}

void CDlgStitchDicom::OnUndo()
{
    if (m_pView != nullptr)
        m_pView->UndoLayout();
}

void CDlgStitchDicom::OnRedo()
{
    if (m_pView != nullptr)
        m_pView->RedoLayout();
}

void CDlgStitchDicom::OnReset()
{
    if (m_pView != nullptr)
        m_pView->ResetLayout();
}

void CDlgStitchDicom::OnMoveUp()
{
    if (m_pView != nullptr)
        m_pView->MoveUp(GetMovingPixelCount());
}

void CDlgStitchDicom::OnMoveDown()
{
    if (m_pView != nullptr)
        m_pView->MoveDown(GetMovingPixelCount());
}

void CDlgStitchDicom::OnMoveLeft()
{
    if (m_pView != nullptr)
        m_pView->MoveLeft(GetMovingPixelCount());
}

void CDlgStitchDicom::OnMoveRight()
{
    if (m_pView != nullptr)
        m_pView->MoveRight(GetMovingPixelCount());
}

void CDlgStitchDicom::OnSizeInc()
{
    if (m_pView != nullptr)
        m_pView->SizeIncrease(GetMovingPixelCount());
}

void CDlgStitchDicom::OnSizeDec()
{
    if (m_pView != nullptr)
        m_pView->SizeDecrease(GetMovingPixelCount());
}

void CDlgStitchDicom::OnCropImage()
{
    if (m_pView != nullptr)
        m_pView->ToggleCropMode();
}

void CDlgStitchDicom::OnRealSize()
{
    if (m_pView != nullptr)
        m_pView->ToggleRealSize();
}

// Success ends the dialog with the framework's OK handling; on failure it stays open
// (the view has told the user why).
void CDlgStitchDicom::OnSave()
{
    if (m_pView != nullptr && m_pView->SaveStitchedFile(m_strRefPath, m_strSavePath))
        CDialog::OnOK();
}

void CDlgStitchDicom::OnCancel() { CDialog::OnCancel(); }

void CDlgStitchDicom::OnMoveUpSeq()
{
    if (m_pView != nullptr && m_pView->GetSelected() > 0)
        m_pView->MoveUpSequence();
}

void CDlgStitchDicom::OnMoveDnSeq()
{
    if (m_pView != nullptr && m_pView->GetSelected() < m_pView->GetImageCount() - 1)
        m_pView->MoveDownSequence();
}

void CDlgStitchDicom::OnUpdateAutoStitch(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }
void CDlgStitchDicom::OnUpdateAlign(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pView != nullptr && m_pView->GetImageCount() > 1); }
void CDlgStitchDicom::OnUpdateUndo(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pView != nullptr && m_pView->Model().CanUndo()); }
void CDlgStitchDicom::OnUpdateRedo(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pView != nullptr && m_pView->Model().CanRedo()); }
void CDlgStitchDicom::OnUpdateReset(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }
void CDlgStitchDicom::OnUpdateMoveUp(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }
void CDlgStitchDicom::OnUpdateMoveDown(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }
void CDlgStitchDicom::OnUpdateMoveLeft(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }
void CDlgStitchDicom::OnUpdateMoveRight(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }
void CDlgStitchDicom::OnUpdateSizeInc(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }
void CDlgStitchDicom::OnUpdateSizeDec(CCmdUI* pCmdUI) { pCmdUI->Enable(HasSelectedImage()); }

void CDlgStitchDicom::OnUpdateCropImage(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pView != nullptr);
    pCmdUI->SetCheck(m_pView != nullptr && m_pView->m_bCropMode ? 1 : 0);
}

void CDlgStitchDicom::OnUpdateRealSize(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pView != nullptr);
    pCmdUI->SetCheck(m_pView != nullptr && m_pView->m_bRealSize ? 1 : 0);
}

void CDlgStitchDicom::OnUpdateSave(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }
void CDlgStitchDicom::OnUpdateCancel(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }

void CDlgStitchDicom::OnUpdateMoveUpSeq(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pView != nullptr && m_pView->GetSelected() > 0);
}

void CDlgStitchDicom::OnUpdateMoveDnSeq(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pView != nullptr && m_pView->GetSelected() < m_pView->GetImageCount() - 1);
}
