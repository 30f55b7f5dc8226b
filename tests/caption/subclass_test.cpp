// The subclassing hook: installing and removing hooks in a chain, destruction of the
// hooked window, and the current-message record seen through Default.
#include "caption/CSubclassWnd.h"
#include "platform/GdiObjects.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"
#include "tests/platform/MessageRecorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct HookEvent {
    std::string who;
    UINT message;
    WPARAM wParam;
    friend bool operator==(const HookEvent&, const HookEvent&) = default;
};

class CRecordingHook : public CSubclassWnd {
public:
    CRecordingHook(std::string name, std::vector<HookEvent>* events) : m_name(std::move(name)), m_pEvents(events) {}
    std::function<bool(CRecordingHook&, UINT, LRESULT*)> m_handler;

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        m_pEvents->push_back(HookEvent{m_name, msg, wp});
        LRESULT result = 0;
        if (m_handler && m_handler(*this, msg, &result))
            return result;
        return CSubclassWnd::WindowProc(msg, wp, lp);
    }

private:
    std::string m_name;
    std::vector<HookEvent>* m_pEvents;
};

// A window whose own procedure records what reaches it, as the hooks' last link.
class HookedWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_wnd = std::make_unique<CRecorderWnd>(&m_log);
        ASSERT_TRUE(m_wnd->CreateEx(0, nullptr, "Hooked", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        m_wnd->m_handler = [this](UINT msg, WPARAM wp, LPARAM, LRESULT*) {
            if (msg >= WM_USER)
                m_events.push_back(HookEvent{"window", msg, wp});
            return false;
        };
    }
    WNDPROC CurrentProc() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtr(m_hwnd(), GWLP_WNDPROC)); }
    HWND m_hwnd() const { return m_wnd->m_hWnd; }

    MessageLog m_log;
    std::vector<HookEvent> m_events;
    std::unique_ptr<CRecorderWnd> m_wnd;
};

}  // namespace

TEST_F(HookedWindowTest, OneHookInstalledAndRemoved)
{
    CRecordingHook hook("A", &m_events);
    EXPECT_TRUE(hook.HookWindow(m_wnd.get()));
    EXPECT_EQ(CurrentProc(), &HookWndProc);
    EXPECT_EQ(hook.m_pOldWndProc, &AfxWndProc);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_hwnd()), &hook);
    m_wnd->SendMessage(WM_USER, 1, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"A", WM_USER, 1}, {"window", WM_USER, 1}}));

    EXPECT_TRUE(hook.HookWindow(nullptr));
    EXPECT_EQ(CurrentProc(), &AfxWndProc);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_hwnd()), nullptr);
    EXPECT_EQ(hook.m_pWndHooked, nullptr);
    EXPECT_EQ(hook.m_pOldWndProc, nullptr);
    EXPECT_TRUE(hook.HookWindow(nullptr));  // removing a hook that is not installed changes nothing
}

TEST_F(HookedWindowTest, TwoHooksChainNewestFirstAndRemoveInAnyOrder)
{
    CRecordingHook a("A", &m_events);
    CRecordingHook b("B", &m_events);
    a.HookWindow(m_wnd.get());
    b.HookWindow(m_wnd.get());
    EXPECT_EQ(b.m_pNext, &a);
    EXPECT_EQ(b.m_pOldWndProc, a.m_pOldWndProc);
    m_wnd->SendMessage(WM_USER, 2, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"B", WM_USER, 2}, {"A", WM_USER, 2}, {"window", WM_USER, 2}}));

    m_events.clear();
    a.HookWindow(nullptr);  // not the first: B now leads straight to the saved procedure
    EXPECT_EQ(b.m_pNext, nullptr);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_hwnd()), &b);
    EXPECT_EQ(CurrentProc(), &HookWndProc);
    m_wnd->SendMessage(WM_USER, 3, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"B", WM_USER, 3}, {"window", WM_USER, 3}}));

    b.HookWindow(nullptr);
    EXPECT_EQ(CurrentProc(), &AfxWndProc);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_hwnd()), nullptr);
}

TEST_F(HookedWindowTest, RemovingTheFirstOfTwoKeepsTheOther)
{
    CRecordingHook a("A", &m_events);
    CRecordingHook b("B", &m_events);
    a.HookWindow(m_wnd.get());
    b.HookWindow(m_wnd.get());
    b.HookWindow(nullptr);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_hwnd()), &a);
    EXPECT_EQ(CurrentProc(), &HookWndProc);
    m_wnd->SendMessage(WM_USER, 4, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"A", WM_USER, 4}, {"window", WM_USER, 4}}));
    a.HookWindow(nullptr);
    EXPECT_EQ(CurrentProc(), &AfxWndProc);
}

TEST_F(HookedWindowTest, HookingAnInstalledHookAgainDoesNotLoop)
{
    CRecordingHook a("A", &m_events);
    CRecordingHook b("B", &m_events);
    a.HookWindow(m_wnd.get());
    b.HookWindow(m_wnd.get());
    a.HookWindow(m_wnd.get());  // moves A to the front instead of linking it to itself
    m_wnd->SendMessage(WM_USER, 5, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"A", WM_USER, 5}, {"B", WM_USER, 5}, {"window", WM_USER, 5}}));
    a.HookWindow(nullptr);
    b.HookWindow(nullptr);
    EXPECT_EQ(CurrentProc(), &AfxWndProc);
}

TEST_F(HookedWindowTest, DestroyingTheWindowRemovesEveryHookAtNcDestroy)
{
    CRecordingHook a("A", &m_events);
    CRecordingHook b("B", &m_events);
    a.HookWindow(m_wnd.get());
    b.HookWindow(m_wnd.get());
    const HWND hwnd = m_hwnd();
    m_log.clear();
    m_wnd->DestroyWindow();
    EXPECT_EQ(a.m_pWndHooked, nullptr);
    EXPECT_EQ(b.m_pWndHooked, nullptr);
    EXPECT_EQ(a.m_pOldWndProc, nullptr);
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(hwnd), nullptr);
    // The hooks saw WM_DESTROY; WM_NCDESTROY went straight to the saved procedure.
    EXPECT_EQ(std::count(m_events.begin(), m_events.end(), HookEvent{"B", WM_DESTROY, 0}), 1);
    EXPECT_EQ(std::count_if(m_events.begin(), m_events.end(), [](const HookEvent& e) { return e.message == WM_NCDESTROY; }), 0);
    EXPECT_EQ(Sequence(m_log), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_TRUE(m_wnd->m_bPostNcDestroyCalled);
}

TEST_F(HookedWindowTest, ChangedWParamReachesTheSavedProcedureAndIsRestoredAfterwards)
{
    CRecordingHook hook("A", &m_events);
    hook.m_handler = [](CRecordingHook& self, UINT msg, LRESULT* result) {
        if (msg != WM_USER + 1)
            return false;
        MSG* current = AfxGetCurrentMessage();
        const WPARAM previous = current->wParam;
        current->wParam = 42;
        *result = self.Default();
        current->wParam = previous;
        return true;
    };
    hook.HookWindow(m_wnd.get());
    MSG outerAfterNested{};
    m_wnd->m_handler = [&](UINT msg, WPARAM wp, LPARAM, LRESULT*) {
        if (msg >= WM_USER)
            m_events.push_back(HookEvent{"window", msg, wp});
        if (msg == WM_USER + 2) {
            m_wnd->SendMessage(WM_USER + 1, 7, 0);  // nested, through the hook
            outerAfterNested = *AfxGetCurrentMessage();
        }
        return false;
    };
    m_wnd->SendMessage(WM_USER + 2, 9, 0);
    EXPECT_EQ(m_events, (std::vector<HookEvent>{{"A", WM_USER + 2, 9}, {"window", WM_USER + 2, 9},
                                                 {"A", WM_USER + 1, 7}, {"window", WM_USER + 1, 42}}));
    EXPECT_EQ(outerAfterNested.message, WM_USER + 2);
    EXPECT_EQ(outerAfterNested.wParam, 9u);
    hook.HookWindow(nullptr);
}

namespace {
// A hook that takes the caption over: the system paints the rest of the frame.
class CCaptionHook : public CSubclassWnd {
public:
    static constexpr COLORREF kCaption = RGB(0, 128, 128);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg != WM_NCPAINT)
            return CSubclassWnd::WindowProc(msg, wp, lp);
        CRect rc;
        m_pWndHooked->GetWindowRect(&rc);
        const int top = rc.top + GetSystemMetrics(SM_CYFRAME);
        CRgn rest, caption;
        rest.CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);
        caption.CreateRectRgn(rc.left, top, rc.right, top + GetSystemMetrics(SM_CYCAPTION));
        rest.CombineRgn(&rest, &caption, RGN_DIFF);
        MSG* current = AfxGetCurrentMessage();
        const WPARAM previous = current->wParam;
        current->wParam = reinterpret_cast<WPARAM>(static_cast<HRGN>(rest));
        Default();
        current->wParam = previous;
        CWindowDC dc(m_pWndHooked);
        dc.FillSolidRect(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
                         rc.Width() - 2 * GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYCAPTION), kCaption);
        return 0;
    }
};
}  // namespace

TEST(CaptionHook, PaintsTheCaptionWhileTheSystemPaintsTheRestOfTheFrame)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "Stitch Images", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 300, 200,
                             nullptr, nullptr));
    CCaptionHook hook;
    hook.HookWindow(&wnd);
    wnd.ShowWindow(SW_SHOW);
    PumpWaitingMessages();
    CSurface* surface = wnd.GetSurfaceForTest();
    ASSERT_NE(surface, nullptr);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    for (int x : {frame, 150, 300 - frame - 1})
        EXPECT_EQ(surface->GetPixel(x, frame + 3), CCaptionHook::kCaption);
    EXPECT_EQ(surface->GetPixel(1, 100), GetSysColor(COLOR_3DHIGHLIGHT));  // the raised frame edge
    wnd.DestroyWindow();
    EXPECT_FALSE(hook.IsHooked());
}
