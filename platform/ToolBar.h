// CToolBar: a row of flat buttons labelled with text, loaded from a toolbar resource.
// A click sends WM_COMMAND with the button's command to the owner; the button states
// follow the owner's command-state handlers (OnUpdateCmdUI).
#pragma once

#include "platform/Wnd.h"

#include <string>
#include <vector>

// Button styles and states (GetButtonStyle).
constexpr UINT TBBS_BUTTON = 0x0000;
constexpr UINT TBBS_SEPARATOR = 0x0001;
constexpr UINT TBBS_CHECKBOX = 0x0002;
constexpr UINT TBBS_CHECKED = 0x00010000;
constexpr UINT TBBS_PRESSED = 0x00020000;
constexpr UINT TBBS_DISABLED = 0x00040000;

class CToolBar : public CWnd {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar();
    ~CToolBar() override;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT nID = AFX_IDW_TOOLBAR);
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                  UINT nID = AFX_IDW_TOOLBAR);
    // Buttons from a toolbar resource: commands, separators, labels. FALSE when the
    // resource does not exist.
    BOOL LoadToolBar(UINT nIDResource);
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    // The tooltip of the button at `index` ("" for none or a separator).
    std::string GetButtonTip(int index) const
    {
        return index >= 0 && index < static_cast<int>(m_buttons.size()) ? m_buttons[static_cast<std::size_t>(index)].tip : std::string();
    }
    void SetSizes(SIZE sizeButton, SIZE sizeImage);

    int GetCount() const;
    UINT GetItemID(int nIndex) const;
    int CommandToIndex(UINT nIDFind) const;
    // Toolbar client coordinates of an item (buttons and separators count).
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    UINT GetButtonStyle(int nIndex) const;
    void SetButtonStyle(int nIndex, UINT nStyle);
    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);

    // Sets every button's state through pTarget's command-state handlers.
    virtual void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    struct Button {
        UINT id = 0;
        UINT style = TBBS_BUTTON;
        std::string label;
        std::string tip;
    };
    void Paint();
    void DrawButton(CDC& dc, int index);
    int HitTest(CPoint point) const;
    void SetState(int index, UINT mask, bool on);
    void OnButtonDown(CPoint point);
    void OnButtonUp(CPoint point);
    void OnHover(CPoint point);

    std::vector<Button> m_buttons;
    CSize m_sizeButton{23, 22};
    CSize m_sizeImage{16, 15};
    CRect m_rcBorders;
    DWORD m_dwCtrlStyle = 0;
    int m_nPressed = -1;  // button held down by the mouse
    int m_nHot = -1;      // button under the mouse (flat style)
};
