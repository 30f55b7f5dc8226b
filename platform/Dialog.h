// CDialog: a window built from a dialog template resource and run modally (DoModal, a
// nested message loop with idle processing) or modelessly (Create).
#pragma once

#include "platform/Wnd.h"

#include <memory>

struct DialogTemplate;
class CFont;

// Data exchange between a dialog's members and its controls (UpdateData).
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template, runs it until EndDialog and destroys it.
    // Returns the EndDialog result, or -1 when the window could not be created.
    virtual INT_PTR DoModal();
    // Modeless creation from a template; the window stays until DestroyWindow.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    // WM_KICKIDLE from the modal loop (wParam MSGF_DIALOGBOX, lParam the idle count):
    // nonzero asks for more idle calls before the next message. Must be cheap.
    virtual LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam);
    virtual void OnOK();
    virtual void OnCancel();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);
    // Converts dialog units to pixels with the template font.
    void MapDialogRect(LPRECT lpRect) const;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    // Esc cancels, Enter gives OK, Tab moves the focus among the tab-stop controls.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    // The nested loop of DoModal: dispatches messages, sends WM_KICKIDLE to the dialog
    // whenever the queue runs dry, and returns when EndDialog was called.
    int RunModalLoop();
    BOOL CreateFromTemplate(const DialogTemplate& tmpl, CWnd* pParentWnd);

private:
    void CreateControls(const DialogTemplate& tmpl);
    void MoveFocus(bool bForward);

    int m_nModalResult = -1;
    bool m_bContinueModal = false;
    void* m_pLoop = nullptr;  // the running QEventLoop of DoModal, if any
    CSize m_sizeBaseUnits{8, 16};
    std::unique_ptr<CFont> m_pFont;
};

// The dialog base units (average character width, character height) of a font.
CSize GetDialogBaseUnits(const char* fontName, int pointSize);
