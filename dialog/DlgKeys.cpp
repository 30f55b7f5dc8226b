// Keys, the wheel and the moving step. The view receives every key-down first, whatever
// window has the focus, so the arrow keys move the selected image even while the combo
// box is being edited; Ctrl+1... choose a moving step; Alt+S saves, so the whole run can be
// done from the keyboard.
#include "dialog/CDlgStitchDicom.h"
#include "dialog/PixelChoices.h"

#include "resources/ResourceIds.h"

#include "workspace/CViewStitchDicom.h"

#include <climits>

namespace {
constexpr WPARAM kFirstChoiceKey = 0x31;  // the key 1
constexpr WPARAM kSaveKey = 'S';          // with Alt, as the Save button's label begins
// Ctrl+L aligns (no other command uses L), Ctrl+Z and Ctrl+Y step through the layout history.
constexpr WPARAM kAlignKey = 'L';
constexpr WPARAM kUndoKey = 'Z';
constexpr WPARAM kRedoKey = 'Y';
bool IsCtrlDown() { return GetKeyState(VK_CONTROL) < 0; }
bool IsAltDown() { return GetKeyState(VK_MENU) < 0; }
}  // namespace

int CDlgStitchDicom::GetMovingPixelCount()
{
    if (m_cbPixel.m_hWnd == nullptr)
        return 1;
    CString text;
    m_cbPixel.GetWindowText(text);
    if (text.IsEmpty()) {
        const int nSel = m_cbPixel.GetCurSel();
        m_cbPixel.GetLBText(nSel >= 0 ? nSel : 0, text);
    }
    int nStep = ParseChoiceValue(text);
    if (nStep < 0)
        nStep = 1;
    if (IsCtrlDown())
        nStep = nStep > INT_MAX / 2 ? INT_MAX : nStep * 2;
    return nStep > 0 ? nStep : 1;
}

BOOL CDlgStitchDicom::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN)
        return HandleKeyDown(*pMsg);
    if (pMsg->message == WM_MOUSEWHEEL) {
        if (m_pView != nullptr)
            m_pView->SendMessage(WM_MOUSEWHEEL, pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CDlgStitchDicom::HandleKeyDown(const MSG& msg)
{
    const bool bForView = m_pView != nullptr && (msg.hwnd == m_pView->m_hWnd || ::IsChild(m_pView->m_hWnd, msg.hwnd));
    if (m_pView != nullptr)
        m_pView->SendMessage(WM_KEYDOWN, msg.wParam, msg.lParam);
    if (msg.wParam == kSaveKey && IsAltDown() && !IsCtrlDown()) {
        SendMessage(WM_COMMAND, ID_SAVE);
        return TRUE;
    }
    if (IsCtrlDown()) {
        if (msg.wParam == kAlignKey)
            OnAlign();
        else if (msg.wParam == kUndoKey)
            OnUndo();
        else if (msg.wParam == kRedoKey)
            OnRedo();
        else if (msg.wParam >= kFirstChoiceKey && m_cbPixel.m_hWnd != nullptr &&
            msg.wParam - kFirstChoiceKey < static_cast<WPARAM>(m_cbPixel.GetCount()))
            m_cbPixel.SetCurSel(static_cast<int>(msg.wParam - kFirstChoiceKey));
        return TRUE;
    }
    if (msg.wParam == VK_RETURN)
        return TRUE;  // no OK button: Enter ends nothing
    MSG copy = msg;
    if (CDialog::PreTranslateMessage(&copy))
        return TRUE;  // Esc, Tab
    // A key aimed at the view has reached it already; dispatching it again would apply it twice.
    return bForView;
}

void CDlgStitchDicom::OnOK() {}
