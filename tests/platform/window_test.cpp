// Windows and messages: creation and destruction order, dispatch and the current-message
// record, the queue, window procedures, capture, key state, painting into surfaces.
#include "MessageRecorder.h"

#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr DWORD kPopupStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

std::unique_ptr<CRecorderWnd> MakeTopLevel(MessageLog* log, DWORD style = kPopupStyle, CRect rc = CRect(100, 100, 400, 300))
{
    auto wnd = std::make_unique<CRecorderWnd>(log);
    EXPECT_TRUE(wnd->CreateEx(0, nullptr, "Top", style, rc.left, rc.top, rc.Width(), rc.Height(), nullptr, nullptr));
    return wnd;
}

std::unique_ptr<CRecorderWnd> MakeChild(MessageLog* log, CWnd* parent, UINT id, CRect rc, DWORD exStyle = 0)
{
    auto wnd = std::make_unique<CRecorderWnd>(log);
    EXPECT_TRUE(wnd->CreateEx(exStyle, nullptr, nullptr, WS_CHILD | WS_VISIBLE, rc, parent, id));
    return wnd;
}

}  // namespace

TEST(WindowLifecycle, CreationSendsCreateSizeMoveAndShowsWhenVisible)
{
    MessageLog log;
    auto top = MakeTopLevel(&log, kPopupStyle | WS_VISIBLE);
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                                                 WM_NCACTIVATE, WM_ACTIVATE}));
    EXPECT_TRUE(top->IsWindowVisible());
    EXPECT_EQ(CWnd::FromHandlePermanent(top->m_hWnd), top.get());
    // WM_SIZE carries the client size: the window less its frame and caption.
    CRect client;
    top->GetClientRect(&client);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(client.Width(), 300 - 2 * frame);
    EXPECT_EQ(client.Height(), 200 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION));
}

TEST(WindowLifecycle, CreateFailsWhenOnCreateRefuses)
{
    MessageLog log;
    CRecorderWnd wnd(&log);
    wnd.m_handler = [](UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_CREATE)
            return false;
        *result = -1;
        return true;
    };
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST(WindowLifecycle, DestroyOrderIsParentDestroyChildrenThenNcDestroyUpwards)
{
    MessageLog log;
    auto top = MakeTopLevel(&log);
    auto child = MakeChild(&log, top.get(), 7, CRect(0, 0, 20, 20));
    const HWND hTop = top->m_hWnd;
    const HWND hChild = child->m_hWnd;
    log.clear();
    EXPECT_TRUE(top->DestroyWindow());
    std::vector<RecordedMessage> order;
    for (const auto& m : log)
        if (m.message == WM_DESTROY || m.message == WM_NCDESTROY)
            order.push_back(m);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0].hwnd, hTop);
    EXPECT_EQ(order[0].message, WM_DESTROY);
    EXPECT_EQ(order[1].hwnd, hChild);
    EXPECT_EQ(order[1].message, WM_DESTROY);
    EXPECT_EQ(order[2].hwnd, hChild);
    EXPECT_EQ(order[2].message, WM_NCDESTROY);
    EXPECT_EQ(order[3].hwnd, hTop);
    EXPECT_EQ(order[3].message, WM_NCDESTROY);
    EXPECT_TRUE(top->m_bPostNcDestroyCalled);
    EXPECT_TRUE(child->m_bPostNcDestroyCalled);
    EXPECT_EQ(top->m_hWnd, nullptr);
    EXPECT_EQ(child->m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(hTop));
    EXPECT_FALSE(IsWindow(hChild));
    EXPECT_EQ(CWnd::FromHandle(hChild), nullptr);
}

TEST(WindowFamily, DialogItemsIdsAndCoordinates)
{
    auto top = MakeTopLevel(nullptr);
    auto child = MakeChild(nullptr, top.get(), 42, CRect(10, 20, 60, 50), WS_EX_CLIENTEDGE);
    EXPECT_EQ(top->GetDlgItem(42), child.get());
    EXPECT_EQ(top->GetDlgItem(43), nullptr);
    EXPECT_EQ(child->GetDlgCtrlID(), 42);
    EXPECT_EQ(child->GetParent(), top.get());
    EXPECT_TRUE(top->IsChild(child.get()));

    CRect rcChild;
    child->GetWindowRect(&rcChild);
    CPoint topClient(0, 0);
    top->ClientToScreen(&topClient);
    EXPECT_EQ(rcChild, CRect(topClient.x + 10, topClient.y + 20, topClient.x + 60, topClient.y + 50));
    CPoint p(0, 0);
    child->ClientToScreen(&p);  // inside the 2-pixel client edge
    EXPECT_EQ(p, CPoint(rcChild.left + 2, rcChild.top + 2));
    child->ScreenToClient(&p);
    EXPECT_EQ(p, CPoint(0, 0));

    child->MoveWindow(5, 6, 30, 40);
    CRect client;
    child->GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 26, 36));
}

TEST(WindowMessages, CurrentMessageRecordSurvivesNestedSendMessage)
{
    MessageLog log;
    auto top = MakeTopLevel(&log);
    std::vector<UINT> seenAfterNested;
    top->m_handler = [&](UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
        if (message == WM_USER + 1) {
            top->SendMessage(WM_USER + 2, wParam + 1, 0);
            seenAfterNested.push_back(AfxGetCurrentMessage()->message);
            seenAfterNested.push_back(static_cast<UINT>(AfxGetCurrentMessage()->wParam));
            *result = 11;
            return true;
        }
        if (message == WM_USER + 2) {
            seenAfterNested.push_back(AfxGetCurrentMessage()->message);
            *result = 22;
            return true;
        }
        return false;
    };
    const MSG before = *AfxGetCurrentMessage();
    log.clear();
    EXPECT_EQ(top->SendMessage(WM_USER + 1, 5, 0), 11);
    EXPECT_EQ(seenAfterNested, (std::vector<UINT>{WM_USER + 2, WM_USER + 1, 5}));
    EXPECT_EQ(AfxGetCurrentMessage()->message, before.message);
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

namespace {
class CDefaultProbeWnd : public CWnd {
public:
    WPARAM m_wParamAtDefault = 0;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 3)
            m_wParamAtDefault = wParam;
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 3) {
            AfxGetCurrentMessage()->wParam = 99;  // a handler changing the record
            return Default();
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};
}  // namespace

TEST(WindowMessages, DefaultPassesTheChangedRecord)
{
    CDefaultProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    wnd.SendMessage(WM_USER + 3, 1, 0);
    EXPECT_EQ(wnd.m_wParamAtDefault, 99u);
}

TEST(WindowMessages, PostedMessagesArriveInOrderAndDieWithTheirWindow)
{
    MessageLog log;
    auto a = MakeTopLevel(&log);
    auto b = MakeTopLevel(&log);
    log.clear();
    EXPECT_TRUE(a->PostMessage(WM_USER + 1));
    EXPECT_TRUE(b->PostMessage(WM_USER + 2));
    EXPECT_TRUE(a->PostMessage(WM_USER + 3));
    EXPECT_TRUE(b->PostMessage(WM_USER + 4));
    EXPECT_TRUE(log.empty());  // nothing is dispatched before the loop runs
    const HWND hb = b->m_hWnd;
    b->DestroyWindow();
    PumpWaitingMessages();
    // b's posts died with it; a's arrive after b's destruction, in order.
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY, WM_USER + 1, WM_USER + 3}));
    EXPECT_EQ(Sequence(log, hb), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(PostMessage(hb, WM_USER, 0, 0));
}

namespace {
WNDPROC g_savedProc = nullptr;
std::vector<UINT> g_subclassSeen;
LRESULT SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_subclassSeen.push_back(message);
    if (message == WM_USER + 7)
        return 70;
    return CallWindowProc(g_savedProc, hWnd, message, wParam, lParam);
}
}  // namespace

TEST(WindowMessages, ReplacedWindowProcedureSeesMessagesFirstAndChainsOn)
{
    MessageLog log;
    auto top = MakeTopLevel(&log);
    g_subclassSeen.clear();
    g_savedProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(top->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    ASSERT_EQ(g_savedProc, &AfxWndProc);
    log.clear();
    EXPECT_EQ(top->SendMessage(WM_USER + 7), 70);
    top->SendMessage(WM_USER + 8);
    EXPECT_EQ(g_subclassSeen, (std::vector<UINT>{WM_USER + 7, WM_USER + 8}));
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_USER + 8}));
    SetWindowLongPtr(top->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_savedProc));
}

TEST(WindowInput, CaptureKeepsMouseMovesOnTheCapturingWindow)
{
    MessageLog log;
    auto top = MakeTopLevel(&log, kPopupStyle | WS_VISIBLE);
    auto a = MakeChild(&log, top.get(), 1, CRect(0, 0, 50, 50));
    auto b = MakeChild(&log, top.get(), 2, CRect(100, 0, 150, 50));
    CRect rcA, rcB;
    a->GetWindowRect(&rcA);
    b->GetWindowRect(&rcB);
    PumpWaitingMessages();
    log.clear();

    a->SetCapture();
    EXPECT_EQ(CWnd::GetCapture(), a.get());
    SimulateMouseForTest(TestMouse::Move, POINT{rcB.left + 5, rcB.top + 5}, 0);
    PumpWaitingMessages();
    ASSERT_EQ(Sequence(log), (std::vector<UINT>{WM_MOUSEMOVE}));
    const auto& move = *std::find_if(log.begin(), log.end(), [](const auto& m) { return m.message == WM_MOUSEMOVE; });
    EXPECT_EQ(move.hwnd, a->m_hWnd);
    EXPECT_EQ(GET_X_LPARAM(move.lParam), rcB.left + 5 - rcA.left);  // client coordinates of a

    log.clear();
    ReleaseCapture();
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_CAPTURECHANGED}));
    log.clear();
    SimulateMouseForTest(TestMouse::Move, POINT{rcB.left + 6, rcB.top + 5}, 0);
    PumpWaitingMessages();
    EXPECT_EQ(Sequence(log, b->m_hWnd), (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}));
    EXPECT_EQ(Sequence(log, a->m_hWnd), (std::vector<UINT>{}));
}

TEST(WindowInput, KeyStateFollowsMessagesTakenFromTheQueue)
{
    MessageLog log;
    auto top = MakeTopLevel(&log, kPopupStyle | WS_VISIBLE);
    top->SetFocus();
    SHORT stateWhileHandling = 0;
    top->m_handler = [&](UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_KEYDOWN)
            stateWhileHandling = GetKeyState(VK_LEFT);
        return false;
    };
    SimulateKeyForTest(VK_LEFT, TRUE);
    EXPECT_GE(GetKeyState(VK_LEFT), 0);  // still queued
    PumpWaitingMessages();
    EXPECT_LT(stateWhileHandling, 0);
    SimulateKeyForTest(VK_LEFT, FALSE);
    PumpWaitingMessages();
    EXPECT_GE(GetKeyState(VK_LEFT), 0);
    SimulateKeyForTest(VK_DOWN, TRUE, MK_CONTROL);
    PumpWaitingMessages();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    SimulateKeyForTest(VK_DOWN, FALSE, 0);
    PumpWaitingMessages();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
}

TEST(WindowInput, PrintableKeysAlsoGiveCharactersUnlessTheKeyDownWasFiltered)
{
    MessageLog log;
    auto top = MakeTopLevel(&log, kPopupStyle | WS_VISIBLE);
    top->SetFocus();
    top->m_preTranslate = [](MSG* msg) { return msg->message == WM_KEYDOWN && msg->wParam == 'B'; };
    PumpWaitingMessages();
    log.clear();
    SimulateKeyForTest('A', TRUE);
    SimulateKeyForTest('B', TRUE);
    SimulateKeyForTest('C', TRUE, MK_SHIFT);
    SimulateKeyForTest(VK_LEFT, TRUE);
    PumpWaitingMessages();
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const auto& m : log)
        if (m.message == WM_KEYDOWN || m.message == WM_CHAR)
            keys.emplace_back(m.message, m.wParam);
    EXPECT_EQ(keys, (std::vector<std::pair<UINT, WPARAM>>{
                        {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYDOWN, 'C'}, {WM_CHAR, 'C'}, {WM_KEYDOWN, VK_LEFT}}));
}

TEST(WindowInput, TimersPostWmTimerUntilKilled)
{
    MessageLog log;
    auto top = MakeTopLevel(&log);
    top->SetTimer(5, 5);
    EXPECT_TRUE(PumpUntil([&] { return !Filter(log, {WM_TIMER}).empty(); }));
    EXPECT_TRUE(top->KillTimer(5));
    EXPECT_FALSE(top->KillTimer(5));
}

TEST(WindowPainting, EraseIsSentFromBeginPaintOnlyWhenAsked)
{
    MessageLog log;
    auto top = MakeTopLevel(&log, kPopupStyle | WS_VISIBLE);
    PumpWaitingMessages();
    log.clear();
    top->Invalidate(TRUE);
    PumpWaitingMessages();
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    log.clear();
    top->Invalidate(FALSE);
    top->UpdateWindow();
    EXPECT_EQ(Sequence(log), (std::vector<UINT>{WM_PAINT}));
}

TEST(WindowPainting, PaintDcIsClippedToTheUpdateArea)
{
    auto top = MakeTopLevel(nullptr, WS_POPUP | WS_VISIBLE, CRect(0, 0, 100, 80));
    PumpWaitingMessages();
    top->m_handler = [&](UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message != WM_PAINT)
            return false;
        CPaintDC dc(top.get());
        dc.FillSolidRect(0, 0, 100, 80, RGB(255, 0, 0));
        return true;
    };
    CSurface* surface = top->GetSurfaceForTest();
    ASSERT_NE(surface, nullptr);
    surface->Fill(RGB(0, 0, 255));
    CRect area(10, 10, 20, 30);
    top->InvalidateRect(&area, FALSE);
    top->UpdateWindow();
    EXPECT_EQ(surface->GetPixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(surface->GetPixel(19, 29), RGB(255, 0, 0));
    EXPECT_EQ(surface->GetPixel(20, 29), RGB(0, 0, 255));
    EXPECT_EQ(surface->GetPixel(9, 10), RGB(0, 0, 255));
}

TEST(WindowPainting, XorFrameDrawnTwiceThroughClientDcRestoresTheSurface)
{
    auto top = MakeTopLevel(nullptr, WS_POPUP | WS_VISIBLE | WS_BORDER, CRect(0, 0, 120, 90));
    auto child = MakeChild(nullptr, top.get(), 3, CRect(5, 5, 105, 75), WS_EX_CLIENTEDGE);
    PumpWaitingMessages();
    CSurface* surface = child->GetSurfaceForTest();
    ASSERT_NE(surface, nullptr);
    {
        CClientDC dc(child.get());
        dc.FillSolidRect(0, 0, 50, 70, RGB(10, 200, 30));
    }
    std::vector<COLORREF> before;
    for (int y = 0; y < surface->Height(); ++y)
        for (int x = 0; x < surface->Width(); ++x)
            before.push_back(surface->GetPixel(x, y));
    auto drawFrame = [&] {
        CClientDC dc(child.get());
        dc.SetViewportOrg(-3, -4);  // as a scrolled view prepares its DC
        dc.SetROP2(R2_XORPEN);
        CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
        CPen* old = dc.SelectObject(&pen);
        dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(10, 10, 80, 60);
        dc.SelectObject(old);
    };
    drawFrame();
    // The frame lands in client coordinates: device = logical - scroll, inside the edge.
    EXPECT_NE(surface->GetPixel(2 + 10 - 3, 2 + 20 - 4), before[static_cast<std::size_t>((2 + 20 - 4) * surface->Width() + 2 + 10 - 3)]);
    drawFrame();
    std::vector<COLORREF> after;
    for (int y = 0; y < surface->Height(); ++y)
        for (int x = 0; x < surface->Width(); ++x)
            after.push_back(surface->GetPixel(x, y));
    EXPECT_EQ(before, after);
}
