// Dialogs: template creation, the modal loop (posted cancel, Esc, EndDialog, idle
// messages), failures to create, message boxes.
#include "MessageRecorder.h"

#include "platform/Dialog.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/SystemMetrics.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kTemplate = 7100;
constexpr UINT kBadTemplate = 7199;
constexpr int kWatchdogResult = -99;

void RegisterTestTemplate()
{
    DialogTemplate tmpl;
    tmpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    tmpl.cx = 200;
    tmpl.cy = 100;
    tmpl.title = "Test Dialog";
    tmpl.fontName = "Arial";
    tmpl.pointSize = 9;
    tmpl.items.push_back(DialogItemTemplate{"STATIC", 9000, SS_LEFT, WS_EX_STATICEDGE, 0, 86, 200, 14, ""});
    tmpl.items.push_back(DialogItemTemplate{"STATIC", 9001, WS_VISIBLE | WS_TABSTOP, 0, 4, 4, 60, 10, "Label"});
    RegisterDialogTemplate(kTemplate, tmpl);
}

// A dialog that records its messages and ends itself after a watchdog period.
class CTestDialog : public CDialog {
public:
    explicit CTestDialog(MessageLog* log) : CDialog(kTemplate), m_pLog(log) { RegisterTestTemplate(); }
    std::function<void(CTestDialog&)> m_onInit;
    std::function<LRESULT(CTestDialog&, long)> m_onKickIdle;
    int m_nCreateResult = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_pLog != nullptr)
            m_pLog->push_back(RecordedMessage{m_hWnd, message, wParam, lParam});
        if (message == WM_KICKIDLE)
            return m_onKickIdle ? m_onKickIdle(*this, static_cast<long>(lParam)) : 0;
        return CDialog::WindowProc(message, wParam, lParam);
    }

protected:
    int OnCreate(LPCREATESTRUCT cs) override
    {
        if (m_nCreateResult != 0)
            return m_nCreateResult;
        return CDialog::OnCreate(cs);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, 99, 3000, &Watchdog);
        if (m_onInit)
            m_onInit(*this);
        return TRUE;
    }

private:
    static void Watchdog(HWND hwnd, UINT, UINT_PTR, DWORD)
    {
        if (auto* dlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd)))
            dlg->EndDialog(kWatchdogResult);
    }
    MessageLog* m_pLog;
};

}  // namespace

TEST(DialogTemplate, SizeComesFromDialogUnitsOfTheTemplateFont)
{
    MessageLog log;
    CTestDialog dlg(&log);
    CRect client, rcWindow, rcLine;
    dlg.m_onInit = [&](CTestDialog& d) {
        d.GetClientRect(&client);
        d.GetWindowRect(&rcWindow);
        d.GetDlgItem(9000)->GetWindowRect(&rcLine);
        CString title;
        d.GetWindowText(title);
        EXPECT_EQ(title, CString("Test Dialog"));
        EXPECT_FALSE(d.GetDlgItem(9000)->IsWindowVisible());  // hidden in the template
        d.PostMessage(WM_COMMAND, IDCANCEL);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    const CSize units = GetDialogBaseUnits("Arial", 9);
    ASSERT_GT(units.cx, 0);
    EXPECT_EQ(client.Width(), MulDiv(200, units.cx, 4));
    EXPECT_EQ(client.Height(), MulDiv(100, units.cy, 8));
    EXPECT_EQ(rcWindow.Width(), client.Width() + 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(rcLine.Height(), MulDiv(100, units.cy, 8) - MulDiv(86, units.cy, 8));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

namespace {
// Everything a modal run of the test dialog receives: creation, initialisation, showing and
// activation, the given parts in order, then hiding and destruction.
std::vector<UINT> ModalRun(std::initializer_list<std::vector<UINT>> parts)
{
    std::vector<UINT> all{WM_NCCREATE, WM_CREATE,     WM_SIZE,       WM_MOVE,    WM_SETFONT,
                          WM_INITDIALOG, WM_SHOWWINDOW, WM_NCACTIVATE, WM_ACTIVATE};
    for (const std::vector<UINT>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    // Hiding the active dialog deactivates it before it is destroyed.
    all.insert(all.end(), {WM_SHOWWINDOW, WM_NCACTIVATE, WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY});
    return all;
}
const std::vector<UINT> kFirstPaint{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND};
}  // namespace

TEST(DialogModal, PostedCancelEndsTheLoopAfterInitialisation)
{
    MessageLog log;
    CTestDialog dlg(&log);
    dlg.m_onInit = [](CTestDialog& d) { d.PostMessage(WM_COMMAND, IDCANCEL); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(Sequence(log), ModalRun({{WM_COMMAND}, kFirstPaint}));
}

TEST(DialogModal, EscapeCancelsThroughPreTranslateMessage)
{
    MessageLog log;
    CTestDialog dlg(&log);
    dlg.m_onKickIdle = [](CTestDialog&, long count) {
        if (count == 0)
            SimulateKeyForTest(VK_ESCAPE, TRUE);
        return LRESULT{0};
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    // The dialog saw the cancel command but never the key itself: the filter consumed it.
    EXPECT_EQ(Sequence(log), ModalRun({kFirstPaint, {WM_KICKIDLE, WM_COMMAND}}));
}

TEST(DialogModal, KickIdleArrivesWhenTheQueueRunsDryAndEndDialogReturnsItsResult)
{
    MessageLog log;
    CTestDialog dlg(&log);
    dlg.m_onInit = [](CTestDialog& d) {
        d.PostMessage(WM_USER + 1);
        d.PostMessage(WM_USER + 2);
    };
    int idleCalls = 0;
    dlg.m_onKickIdle = [&](CTestDialog& d, long count) {
        ++idleCalls;
        if (count < 2)
            return LRESULT{1};  // asks for more idle time: sent again with a higher count
        d.EndDialog(7);
        return LRESULT{0};
    };
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_EQ(Sequence(log),
              ModalRun({{WM_USER + 1, WM_USER + 2}, kFirstPaint, {WM_KICKIDLE, WM_KICKIDLE, WM_KICKIDLE}}));
    EXPECT_EQ(idleCalls, 3);
}

TEST(DialogModal, IdleResumesAfterEachMessage)
{
    MessageLog log;
    CTestDialog dlg(&log);
    dlg.m_onKickIdle = [](CTestDialog& d, long) {
        static int round = 0;
        if (++round < 3)
            d.PostMessage(WM_USER + 5);
        else
            d.EndDialog(IDOK);
        return LRESULT{0};
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(Sequence(log),
              ModalRun({kFirstPaint, {WM_KICKIDLE, WM_USER + 5, WM_KICKIDLE, WM_USER + 5, WM_KICKIDLE}}));
}

TEST(DialogModal, FailureToCreateGivesMinusOne)
{
    CTestDialog refused(nullptr);
    refused.m_nCreateResult = -1;
    EXPECT_EQ(refused.DoModal(), -1);
    EXPECT_EQ(refused.m_hWnd, nullptr);

    CDialog missing(kBadTemplate);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(DialogModal, CloseFromTheCaptionCancels)
{
    CTestDialog dlg(nullptr);
    dlg.m_onInit = [](CTestDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(DialogModal, OwnerIsDisabledWhileTheDialogRuns)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
    CTestDialog dlg(nullptr);
    dlg.m_pParentWnd = &owner;
    BOOL ownerEnabledInside = TRUE;
    dlg.m_onInit = [&](CTestDialog& d) {
        ownerEnabledInside = owner.IsWindowEnabled();
        d.PostMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(MessageBoxSink, RecordsTextAndAnswers)
{
    std::vector<std::string> texts;
    SetMessageBoxSinkForTest([&](const char* text, UINT type) {
        texts.emplace_back(text);
        EXPECT_EQ(type, MB_OK | MB_ICONSTOP);
        return IDOK;
    });
    EXPECT_EQ(AfxMessageBox("Fail to get binary image data", MB_OK | MB_ICONSTOP), IDOK);
    RegisterString(33786, "View image real size.\nReal size");
    AfxMessageBox(33786, MB_OK | MB_ICONSTOP);
    SetMessageBoxSinkForTest({});
    EXPECT_EQ(texts, (std::vector<std::string>{"Fail to get binary image data", "View image real size.\nReal size"}));
}

namespace {

// How a test answers a real message box: a key to Qt's focus widget, or a click.
struct Answer {
    const char* name;
    UINT type;
    int key;              // 0: click the button below
    const char* button;   // the button clicked
    int expected;
};

constexpr UINT_PTR kAnswerTimer = 41;
constexpr UINT_PTR kBoxWatchdogTimer = 42;

// What the test saw while the box was up, filled in by the timers.
struct BoxRun {
    const Answer* answer = nullptr;
    ModalWindowState box;
    BOOL bOwnerEnabled = TRUE;
    HWND hActive = reinterpret_cast<HWND>(1);
    BOOL bAnswered = FALSE;
    bool bTimedOut = false;
};
BoxRun* g_pBoxRun = nullptr;

// Runs inside the box's own modal loop: records its state and answers it.
void AnswerBox(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(hwnd, id);
    BoxRun& run = *g_pBoxRun;
    run.box = GetModalWindowForTest();
    run.bOwnerEnabled = ::IsWindowEnabled(hwnd);
    run.hActive = ::GetActiveWindow();
    run.bAnswered = run.answer->key != 0 ? SendQtKeyForTest(run.answer->key) : ClickModalButtonForTest(run.answer->button);
}

// Fails the run instead of hanging it: a box that took no answer is closed from outside.
void BoxWatchdog(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(hwnd, id);
    if (EndModalWindowForTest())
        g_pBoxRun->bTimedOut = true;
}

}  // namespace

// The real message box (no sink) from inside a running modal dialog: it is enabled and
// has the focus, its owner is disabled and inactive meanwhile, each way of answering
// ends it with its result, and the dialog is enabled and active again afterwards.
TEST(MessageBoxInModalDialog, RealBoxAnswersByKeyAndClick)
{
    const Answer answers[] = {
        {"Enter", MB_OK | MB_ICONSTOP, VK_RETURN, nullptr, IDOK},
        {"Esc", MB_OK | MB_ICONSTOP, VK_ESCAPE, nullptr, IDOK},
        {"Space", MB_OK | MB_ICONSTOP, VK_SPACE, nullptr, IDOK},
        {"click OK", MB_OK | MB_ICONSTOP, 0, "OK", IDOK},
        {"Esc cancels", MB_OKCANCEL, VK_ESCAPE, nullptr, IDCANCEL},
        {"click Cancel", MB_OKCANCEL, 0, "Cancel", IDCANCEL},
    };
    for (const Answer& answer : answers) {
        SCOPED_TRACE(answer.name);
        BoxRun run;
        run.answer = &answer;
        g_pBoxRun = &run;
        int result = 0;
        BOOL bEnabledAfter = FALSE;
        HWND hActiveAfter = nullptr;
        int idleTurns = 0;
        CTestDialog dlg(nullptr);
        dlg.m_onKickIdle = [&](CTestDialog& d, long) {
            if (idleTurns++ > 0)
                return LRESULT{0};
            ::SetTimer(d.m_hWnd, kAnswerTimer, 1, &AnswerBox);
            ::SetTimer(d.m_hWnd, kBoxWatchdogTimer, 2000, &BoxWatchdog);
            result = MessageBox(d.m_hWnd, "Fail to stitching image: 1", "Stitch Images", answer.type);
            ::KillTimer(d.m_hWnd, kBoxWatchdogTimer);
            bEnabledAfter = d.IsWindowEnabled();
            hActiveAfter = ::GetActiveWindow();
            d.PostMessage(WM_COMMAND, IDCANCEL);
            return LRESULT{0};
        };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);  // the dialog's own loop ended after the box's
        g_pBoxRun = nullptr;
        EXPECT_FALSE(run.bTimedOut);
        EXPECT_TRUE(run.box.bShown);
        EXPECT_TRUE(run.box.bEnabled);
        EXPECT_TRUE(run.box.bHasFocus);
        EXPECT_EQ(run.box.strText, "Fail to stitching image: 1");
        EXPECT_EQ(run.box.strTitle, "Stitch Images");
        EXPECT_TRUE(run.bAnswered);
        EXPECT_FALSE(run.bOwnerEnabled);
        EXPECT_EQ(run.hActive, nullptr);  // the owner shows itself inactive under the box
        EXPECT_EQ(result, answer.expected);
        EXPECT_TRUE(bEnabledAfter);
        EXPECT_NE(hActiveAfter, nullptr);
        EXPECT_EQ(idleTurns, 1);  // no idle turn of the dialog while the box ran
    }
}

// A disabled top-level window refuses input but does not disable the windows it owns.
TEST(EnableWindow, DisabledOwnerRefusesInputButItsWindowsStayEnabled)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80, nullptr, nullptr));
    CWnd child;
    ASSERT_TRUE(child.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 40), &owner, 5));
    child.SetFocus();
    EXPECT_FALSE(owner.EnableWindow(FALSE));
    EXPECT_TRUE(child.IsWindowEnabled());  // its own state is unchanged, as on Windows
    SimulateKeyForTest('A', TRUE);
    SimulateMouseForTest(TestMouse::Press, POINT{10, 10}, VK_LBUTTON);
    SimulateMouseForTest(TestMouse::Release, POINT{10, 10}, VK_LBUTTON);
    EXPECT_EQ(PumpWaitingMessages(), 0);  // nothing was queued for a disabled window
    EXPECT_TRUE(owner.EnableWindow(TRUE));
    SimulateKeyForTest('A', TRUE);
    EXPECT_EQ(PumpWaitingMessages(), 2);  // WM_KEYDOWN, WM_CHAR
    owner.DestroyWindow();
}

namespace {
constexpr UINT_PTR kMenuKeysTimer = 43;
void ChooseSecondItem(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(hwnd, id);
    for (int key : {VK_DOWN, VK_DOWN, VK_RETURN})
        SendQtKeyForTest(key);
}
}  // namespace

// The real popup menu (no hook) inside a running modal dialog takes keys and reports the
// chosen command to its owner; the dialog has no idle turn while the menu is open.
TEST(PopupMenuInModalDialog, RealMenuChoosesByKeyAndReportsToTheOwner)
{
    MessageLog log;
    CTestDialog dlg(&log);
    int idleTurns = 0;
    BOOL bTracked = FALSE;
    dlg.m_onKickIdle = [&](CTestDialog& d, long) {
        if (idleTurns++ > 0)
            return LRESULT{0};
        CMenu menu;
        EXPECT_TRUE(menu.CreatePopupMenu());
        menu.AppendMenu(MF_STRING, 501, "Move Up Sequence");
        menu.AppendMenu(MF_STRING, 502, "Move Down Sequence");
        ::SetTimer(d.m_hWnd, kMenuKeysTimer, 1, &ChooseSecondItem);
        CRect rc;
        d.GetWindowRect(&rc);
        bTracked = menu.TrackPopupMenu(TPM_LEFTALIGN, rc.left + 20, rc.top + 40, &d);
        d.PostMessage(WM_COMMAND, IDCANCEL);
        return LRESULT{0};
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(bTracked);
    std::vector<WPARAM> commands;
    for (const RecordedMessage& m : log)
        if (m.message == WM_COMMAND)
            commands.push_back(m.wParam);
    EXPECT_EQ(commands, (std::vector<WPARAM>{502, IDCANCEL}));
    EXPECT_EQ(idleTurns, 1);
}
