// Controls: combo box, key filtering of its edit field, context menus, toolbar buttons
// and their idle update, scroll views; and a demonstration dialog with all of them.
#include "MessageRecorder.h"
#include "tests/support/TestFiles.h"

#include "platform/CmdUI.h"
#include "platform/ComboBox.h"
#include "platform/Dialog.h"
#include "platform/Menu.h"
#include "platform/Resources.h"
#include "platform/ScrollView.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/ToolBar.h"
#include "platform/WndDC.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kDialog = 7300;
constexpr UINT kToolBar = 7301;
constexpr UINT kMenu = 7303;
constexpr UINT kCombo = 33787;
constexpr UINT kCmdMoveUp = 33773;
constexpr UINT kCmdCrop = 33785;
constexpr UINT kCmdUpSeq = 33783;
constexpr UINT kCmdDownSeq = 33784;

void RegisterResources()
{
    DialogTemplate tmpl;
    tmpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    tmpl.cx = 300;
    tmpl.cy = 200;
    tmpl.title = "Controls";
    tmpl.fontName = "Arial";
    tmpl.pointSize = 9;
    RegisterDialogTemplate(kDialog, tmpl);
    ToolBarTemplate bar;
    bar.cxButton = 60;
    bar.cyButton = 15;
    bar.commands = {33771, 0, kCmdMoveUp, kCombo, 0, kCmdCrop, IDCANCEL};
    bar.labels = {"Auto", "Move Up", "", "Crop", "Close"};
    RegisterToolBar(kToolBar, bar);
    RegisterMenu(kMenu, {MenuItemTemplate{"Stitching Menu", 0, MF_POPUP,
                                          {MenuItemTemplate{"Move Up Sequence", kCmdUpSeq, 0, {}},
                                           MenuItemTemplate{"Move Down Sequence", kCmdDownSeq, 0, {}}}}});
}

// Draws a red band at logical rows 300..309 and a blue one at 0..9.
class CBandView : public CScrollView {
public:
    void OnDraw(CDC* pDC) override
    {
        CRect client;
        GetClientRect(&client);
        const CPoint pos = GetScrollPosition();
        client.OffsetRect(pos.x, pos.y);
        pDC->FillSolidRect(&client, RGB(255, 255, 255));
        pDC->FillSolidRect(0, 0, 400, 10, RGB(0, 0, 255));
        pDC->FillSolidRect(0, 300, 400, 10, RGB(255, 0, 0));
    }
};

// A dialog with a toolbar, a combo box on the toolbar and a scroll view below.
class CControlsDialog : public CDialog {
public:
    CControlsDialog() : CDialog(kDialog) { RegisterResources(); }
    CToolBar m_wndToolBar;
    CComboBox m_cbPixel;
    CBandView* m_pView = nullptr;
    bool m_bCropOn = true;
    bool m_bFontInCreate = false;
    std::vector<UINT> m_commands;
    std::vector<MSG> m_filtered;  // key-downs seen by PreTranslateMessage
    std::function<bool(const MSG&)> m_consume;
    std::function<void(CControlsDialog&, long)> m_onIdle;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pInfo) override
    {
        if (nCode == CN_UPDATE_COMMAND_UI) {
            auto* ui = static_cast<CCmdUI*>(pExtra);
            if (nID == kCmdMoveUp || nID == kCmdUpSeq) {
                ui->Enable(FALSE);
                return TRUE;
            }
            if (nID == kCmdCrop) {
                ui->Enable(TRUE);
                ui->SetCheck(m_bCropOn ? 1 : 0);
                return TRUE;
            }
            return FALSE;
        }
        if (nCode == CN_COMMAND && nID != IDOK && nID != IDCANCEL) {
            m_commands.push_back(nID);
            return TRUE;
        }
        return CDialog::OnCmdMsg(nID, nCode, pExtra, pInfo);
    }

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN) {
            m_filtered.push_back(*pMsg);
            if (m_consume && m_consume(*pMsg))
                return TRUE;
        }
        return CDialog::PreTranslateMessage(pMsg);
    }

    LRESULT OnKickIdle(WPARAM, LPARAM lParam) override
    {
        m_wndToolBar.OnUpdateCmdUI(this, FALSE);
        if (m_onIdle)
            m_onIdle(*this, static_cast<long>(lParam));
        return 0;
    }

protected:
    int OnCreate(LPCREATESTRUCT cs) override
    {
        if (CDialog::OnCreate(cs) == -1)
            return -1;
        if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP) ||
            !m_wndToolBar.LoadToolBar(kToolBar))
            return -1;
        m_bFontInCreate = GetFont() != nullptr;  // the template font exists from the start
        m_cbPixel.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL, CRect(0, 0, 64, 200), &m_wndToolBar, kCombo);
        for (const char* text : {"1", "10", "20"})
            m_cbPixel.AddString(text);
        CRect item;
        m_wndToolBar.GetItemRect(m_wndToolBar.CommandToIndex(kCombo), &item);
        m_cbPixel.MoveWindow(item.left, item.top, item.Width(), item.Height());
        m_cbPixel.SetFont(GetFont());
        m_cbPixel.SetCurSel(0);
        m_pView = new CBandView;  // deletes itself with its window
        m_pView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), this, 500);
        m_pView->ModifyStyleEx(0, WS_EX_CLIENTEDGE);
        return 0;
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, 99, 4000, [](HWND h, UINT, UINT_PTR, DWORD) {
            static_cast<CDialog*>(CWnd::FromHandlePermanent(h))->EndDialog(-99);
        });
        return TRUE;
    }
    void OnSize(UINT nType, int cx, int cy) override
    {
        CDialog::OnSize(nType, cx, cy);
        if (m_wndToolBar.m_hWnd != nullptr)
            m_wndToolBar.SetWindowPos(nullptr, 0, 0, cx, 23, SWP_NOZORDER);
        if (m_pView != nullptr && m_pView->m_hWnd != nullptr)
            m_pView->SetWindowPos(nullptr, 0, 24, cx, cy - 26, SWP_NOZORDER);
    }
};

}  // namespace

TEST(ComboBox, ItemsSelectionAndEditText)
{
    CControlsDialog dlg;
    dlg.m_onIdle = [](CControlsDialog& d, long) {
        CComboBox& cb = d.m_cbPixel;
        EXPECT_TRUE(d.m_bFontInCreate);
        // WS_VSCROLL is the list's scroll bar: the combo box window has none of its own.
        CRect client, window;
        cb.GetClientRect(&client);
        cb.GetWindowRect(&window);
        EXPECT_EQ(client.Width(), window.Width());
        EXPECT_EQ(cb.GetFont(), d.GetFont());
        EXPECT_EQ(cb.GetCount(), 3);
        EXPECT_EQ(cb.GetCurSel(), 0);
        CString text;
        cb.GetWindowText(text);
        EXPECT_EQ(text, CString("1"));
        EXPECT_EQ(cb.SetCurSel(2), 2);
        cb.GetLBText(1, text);
        EXPECT_EQ(text, CString("10"));
        cb.GetWindowText(text);
        EXPECT_EQ(text, CString("20"));
        // The wheel steps the selection of a combo box that has the focus.
        ::SetFocus(::GetDlgItem(cb.m_hWnd, IDC_COMBO_EDIT));
        cb.SendMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(WHEEL_DELTA)) << 16, 0);
        EXPECT_EQ(cb.GetCurSel(), 1);
        cb.SetCurSel(2);
        EXPECT_EQ(cb.SetCurSel(3), CB_ERR);
        EXPECT_EQ(cb.GetCurSel(), -1);
        cb.SetWindowText("12");
        cb.GetWindowText(text);
        EXPECT_EQ(text, CString("12"));
        // The combo box is reachable as a plain window of its parent too.
        EXPECT_EQ(d.m_wndToolBar.GetDlgItem(kCombo), &cb);
        cb.ResetContent();
        EXPECT_EQ(cb.GetCount(), 0);
        CString missing("x");
        cb.GetLBText(0, missing);
        EXPECT_EQ(missing, CString(""));
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(ComboBox, DialogFiltersKeysTypedIntoTheEditFieldFirst)
{
    CControlsDialog dlg;
    CString textWhenFiltered("unset");
    dlg.m_consume = [&](const MSG& msg) {
        if (msg.wParam == '7') {
            dlg.m_cbPixel.GetWindowText(textWhenFiltered);
            return false;
        }
        return msg.wParam == '9';  // the dialog takes this key for itself
    };
    dlg.m_onIdle = [](CControlsDialog& d, long) {
        static int step = 0;
        if (step == 0) {
            d.m_cbPixel.SetWindowText("");
            ::SetFocus(::GetDlgItem(d.m_cbPixel.m_hWnd, IDC_COMBO_EDIT));
            SimulateKeyForTest('7', TRUE);
            SimulateKeyForTest('9', TRUE);
        } else {
            d.EndDialog(IDOK);
        }
        ++step;
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(dlg.m_filtered.size(), 2u);
    EXPECT_EQ(dlg.m_filtered[0].wParam, static_cast<WPARAM>('7'));
    EXPECT_EQ(textWhenFiltered, CString(""));  // the edit field had not seen the key yet
}

TEST(ComboBox, EditFieldGetsTheKeyAfterTheFilter)
{
    CControlsDialog dlg;
    CString finalText;
    dlg.m_consume = [](const MSG& msg) { return msg.wParam == '9'; };
    dlg.m_onIdle = [&](CControlsDialog& d, long) {
        static int step = 0;
        if (step++ == 0) {
            d.m_cbPixel.SetWindowText("");
            ::SetFocus(::GetDlgItem(d.m_cbPixel.m_hWnd, IDC_COMBO_EDIT));
            SimulateKeyForTest('7', TRUE);
            SimulateKeyForTest('9', TRUE);
            SimulateKeyForTest('5', TRUE);
        } else {
            d.m_cbPixel.GetWindowText(finalText);
            d.EndDialog(IDOK);
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(finalText, CString("75"));
}

TEST(ToolBar, LayoutClicksAndIdleUpdate)
{
    CControlsDialog dlg;
    UINT moveUpStyle = 0, cropStyle = 0, autoStyle = 0;
    CRect rcAuto, rcSep, rcMoveUp;
    dlg.m_onIdle = [&](CControlsDialog& d, long) {
        static int step = 0;
        CToolBar& bar = d.m_wndToolBar;
        if (step++ == 0) {
            bar.GetItemRect(0, &rcAuto);
            bar.GetItemRect(1, &rcSep);
            bar.GetItemRect(2, &rcMoveUp);
            moveUpStyle = bar.GetButtonStyle(2);
            cropStyle = bar.GetButtonStyle(bar.CommandToIndex(kCmdCrop));
            autoStyle = bar.GetButtonStyle(0);
            // Click Auto, then the disabled Move Up.
            CPoint p = rcAuto.CenterPoint();
            bar.ClientToScreen(&p);
            SimulateMouseForTest(TestMouse::Press, p, VK_LBUTTON);
            SimulateMouseForTest(TestMouse::Release, p, VK_LBUTTON);
            p = rcMoveUp.CenterPoint();
            bar.ClientToScreen(&p);
            SimulateMouseForTest(TestMouse::Press, p, VK_LBUTTON);
            SimulateMouseForTest(TestMouse::Release, p, VK_LBUTTON);
        } else {
            d.EndDialog(IDOK);
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(rcAuto, CRect(0, 0, 67, 22));
    EXPECT_EQ(rcSep, CRect(67, 0, 75, 22));
    EXPECT_EQ(rcMoveUp, CRect(75, 0, 142, 22));
    EXPECT_TRUE(moveUpStyle & TBBS_DISABLED);
    EXPECT_TRUE(cropStyle & TBBS_CHECKED);
    EXPECT_FALSE(cropStyle & TBBS_DISABLED);
    EXPECT_FALSE(autoStyle & TBBS_DISABLED);  // no update handler: left enabled
    EXPECT_EQ(dlg.m_commands, (std::vector<UINT>{33771}));
}

TEST(ContextMenu, CommandReachesTheOwnerAndGreyedItemsCannotBeChosen)
{
    CControlsDialog dlg;
    std::vector<PopupMenuItem> shown;
    UINT returned = 1;
    dlg.m_onIdle = [&](CControlsDialog& d, long) {
        static int step = 0;
        if (step++ != 0) {
            d.EndDialog(IDOK);
            return;
        }
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(kMenu));
        CMenu* popup = menu.GetSubMenu(0);
        ASSERT_NE(popup, nullptr);
        SetPopupMenuHookForTest([&](const std::vector<PopupMenuItem>& items) {
            shown = items;
            return kCmdDownSeq;
        });
        popup->TrackPopupMenu(0, 10, 10, &d);
        SetPopupMenuHookForTest([](const std::vector<PopupMenuItem>&) { return kCmdUpSeq; });
        returned = static_cast<UINT>(popup->TrackPopupMenu(TPM_RETURNCMD, 10, 10, &d));
        SetPopupMenuHookForTest({});
        menu.DestroyMenu();
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_FALSE(shown[0].enabled);  // its update handler greys it
    EXPECT_TRUE(shown[1].enabled);
    EXPECT_EQ(shown[1].text, "Move Down Sequence");
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(dlg.m_commands, (std::vector<UINT>{kCmdDownSeq}));
}

TEST(ScrollView, DrawsAtLogicalCoordinatesWhenScrolled)
{
    CWnd frame;
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 250, nullptr, nullptr));
    auto* view = new CBandView;  // deletes itself with its window
    ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 150, 200), &frame, 500));
    view->SetScrollSizes(MM_TEXT, CSize(100, 1000));
    EXPECT_TRUE(view->GetStyle() & WS_VSCROLL);
    EXPECT_FALSE(view->GetStyle() & WS_HSCROLL);
    EXPECT_EQ(view->GetTotalSize(), CSize(100, 1000));
    view->ScrollToPosition(CPoint(0, 280));
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 280));
    view->UpdateWindow();
    CSurface* surface = view->GetSurfaceForTest();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->GetPixel(5, 19), RGB(255, 255, 255));
    EXPECT_EQ(surface->GetPixel(5, 20), RGB(255, 0, 0));
    EXPECT_EQ(surface->GetPixel(5, 29), RGB(255, 0, 0));
    EXPECT_EQ(surface->GetPixel(5, 30), RGB(255, 255, 255));

    view->ScrollToPosition(CPoint(0, 5000));  // clamped to the last page
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 800));
    view->ScrollToPosition(CPoint(0, 0));
    view->SendMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-WHEEL_DELTA)) << 16, 0);
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 3 * 10));  // three lines of a tenth of a page
    view->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 130));

    view->SetScrollSizes(MM_TEXT, CSize(100, 150));
    EXPECT_FALSE(view->GetStyle() & WS_VSCROLL);
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));
    frame.DestroyWindow();
}

TEST(DemoDialog, ScreenshotOfToolbarComboAndView)
{
    CControlsDialog dlg;
    const std::string path = (testfiles::OutputDir() / "demo-dialog.png").string();
    BOOL saved = FALSE;
    dlg.m_onIdle = [&](CControlsDialog& d, long) {
        static int step = 0;
        if (step++ == 0) {
            d.m_pView->SetScrollSizes(MM_TEXT, CSize(400, 1000));
            d.m_pView->ScrollToPosition(CPoint(0, 250));
            d.PostMessage(WM_USER + 9);  // one more round: idle returns after it
            return;
        }
        saved = SaveWindowImageForTest(d.m_hWnd, path.c_str());
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(saved);
}
