// Dialogs: template creation, the modal loop (posted cancel, Esc, EndDialog, idle
// messages), failures to create, message boxes.
#include "MessageRecorder.h"

#include "platform/Dialog.h"
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
    all.insert(all.end(), {WM_SHOWWINDOW, WM_DESTROY, WM_NCDESTROY});
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
