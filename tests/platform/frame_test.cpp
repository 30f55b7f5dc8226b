// The default frame of top-level windows: caption painting, hit testing, moving, sizing,
// maximising, closing, and a window procedure that takes the caption over.
#include "MessageRecorder.h"

#include "platform/GdiObjects.h"
#include "platform/Resources.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kGreenIcon = 7400;
constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr COLORREF kGreen = RGB(0, 200, 0);

int Frame() { return GetSystemMetrics(SM_CXFRAME); }
int CaptionHeight() { return GetSystemMetrics(SM_CYCAPTION); }
int ButtonWidth() { return GetSystemMetrics(SM_CXSIZE); }

class FrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterIcon(kGreenIcon, {IconImage{16, 16, std::vector<DWORD>(256, 0xFF00C800u)}});
        m_wnd = std::make_unique<CRecorderWnd>(&m_log);
        ASSERT_TRUE(m_wnd->CreateEx(0, nullptr, "Stitch Images", kFrameStyle, 100, 80, 400, 300, nullptr, nullptr));
        m_wnd->SetIcon(static_cast<HICON>(LoadImage(AfxGetInstanceHandle(), MAKEINTRESOURCE(kGreenIcon), IMAGE_ICON, 16, 16, 0)), FALSE);
        m_wnd->ShowWindow(SW_SHOW);
        PumpWaitingMessages();
    }
    void TearDown() override
    {
        if (m_wnd->m_hWnd != nullptr)
            m_wnd->DestroyWindow();
    }
    CSurface& Surface() { return *m_wnd->GetSurfaceForTest(); }
    // Window coordinates of a caption point to screen coordinates.
    POINT Screen(int x, int y)
    {
        CRect rc;
        m_wnd->GetWindowRect(&rc);
        return POINT{rc.left + x, rc.top + y};
    }
    CPoint CloseCenter() { return CPoint(400 - Frame() - ButtonWidth() / 2 - 1, Frame() + ButtonWidth() / 2); }
    CPoint MaxCenter() { return CPoint(400 - Frame() - ButtonWidth() - ButtonWidth() / 2 - 1, Frame() + ButtonWidth() / 2); }
    void Click(POINT p)
    {
        SimulateMouseForTest(TestMouse::Press, p, VK_LBUTTON);
        PumpWaitingMessages();
        SimulateMouseForTest(TestMouse::Release, p, VK_LBUTTON);
        PumpWaitingMessages();
    }
    int CountPixels(const CRect& area, COLORREF color)
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += Surface().GetPixel(x, y) == color ? 1 : 0;
        return count;
    }

    MessageLog m_log;
    std::unique_ptr<CRecorderWnd> m_wnd;
};

}  // namespace

TEST_F(FrameTest, DefaultCaptionShowsIconTitleAndButtons)
{
    const int top = Frame();
    // Background in the active caption colour; the icon at the caption's left.
    EXPECT_EQ(Surface().GetPixel(200, top + 2), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(Surface().GetPixel(Frame() + 2 + 8, top + (CaptionHeight() - 1 - 16) / 2 + 8), kGreen);
    // Title text in the caption text colour, between the icon and the buttons.
    const CRect textArea(Frame() + ButtonWidth(), top, 200, top + CaptionHeight() - 1);
    EXPECT_GT(CountPixels(textArea, GetSysColor(COLOR_CAPTIONTEXT)), 20);
    // Close and maximise buttons: face colour with a dark glyph; no minimise button.
    const CRect close(400 - Frame() - ButtonWidth(), top + 2, 400 - Frame() - 2, top + ButtonWidth() - 2);
    EXPECT_GT(CountPixels(close, GetSysColor(COLOR_3DFACE)), 40);
    EXPECT_GT(CountPixels(close, GetSysColor(COLOR_BTNTEXT)), 8);
    CRect maxButton(close);
    maxButton.OffsetRect(-ButtonWidth(), 0);
    EXPECT_GT(CountPixels(maxButton, GetSysColor(COLOR_BTNTEXT)), 8);
    CRect minButton(maxButton);
    minButton.OffsetRect(-ButtonWidth() + 2, 0);
    EXPECT_EQ(CountPixels(minButton, GetSysColor(COLOR_3DFACE)), 0);

    m_wnd->SendMessage(WM_NCACTIVATE, FALSE);
    EXPECT_EQ(Surface().GetPixel(200, top + 2), GetSysColor(COLOR_INACTIVECAPTION));
}

TEST_F(FrameTest, HitTestFindsCaptionButtonsBordersAndClient)
{
    auto hit = [&](int x, int y) { return m_wnd->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(Screen(x, y).x, Screen(x, y).y)); };
    EXPECT_EQ(hit(200, Frame() + 5), HTCAPTION);
    EXPECT_EQ(hit(Frame() + 5, Frame() + 5), HTSYSMENU);
    EXPECT_EQ(hit(CloseCenter().x, CloseCenter().y), HTCLOSE);
    EXPECT_EQ(hit(MaxCenter().x, MaxCenter().y), HTMAXBUTTON);
    EXPECT_EQ(hit(200, 150), HTCLIENT);
    EXPECT_EQ(hit(1, 150), HTLEFT);
    EXPECT_EQ(hit(398, 150), HTRIGHT);
    EXPECT_EQ(hit(200, 298), HTBOTTOM);
    EXPECT_EQ(hit(398, 298), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(1, 1), HTTOPLEFT);
    EXPECT_EQ(hit(500, 150), HTNOWHERE);
}

TEST_F(FrameTest, MaximiseButtonMaximisesAndRestores)
{
    Click(Screen(MaxCenter().x, MaxCenter().y));
    EXPECT_TRUE(m_wnd->IsZoomed());
    CRect rc;
    m_wnd->GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(-Frame(), -Frame(), GetSystemMetrics(SM_CXSCREEN) + Frame(), GetSystemMetrics(SM_CYSCREEN) + Frame()));
    const auto sizes = std::count_if(m_log.begin(), m_log.end(), [](const RecordedMessage& m) {
        return m.message == WM_SIZE && m.wParam == SIZE_MAXIMIZED;
    });
    EXPECT_EQ(sizes, 1);
    // The same button now restores.
    const int width = rc.Width();
    Click(Screen(width - Frame() - ButtonWidth() - ButtonWidth() / 2 - 1, Frame() + ButtonWidth() / 2));
    EXPECT_FALSE(m_wnd->IsZoomed());
    m_wnd->GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(100, 80, 500, 380));
}

TEST_F(FrameTest, DraggingTheCaptionMovesAndTheBorderResizesWithinTheMinimum)
{
    m_wnd->m_handler = [](UINT message, WPARAM, LPARAM lParam, LRESULT*) {
        if (message == WM_GETMINMAXINFO)
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.x = 300;
        return false;
    };
    POINT p = Screen(200, Frame() + 5);
    SimulateMouseForTest(TestMouse::Press, p, VK_LBUTTON);
    PumpWaitingMessages();
    SimulateMouseForTest(TestMouse::Move, POINT{p.x + 30, p.y + 20}, 0);
    SimulateMouseForTest(TestMouse::Release, POINT{p.x + 30, p.y + 20}, VK_LBUTTON);
    PumpWaitingMessages();
    CRect rc;
    m_wnd->GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(130, 100, 530, 400));

    p = Screen(398, 150);
    SimulateMouseForTest(TestMouse::Press, p, VK_LBUTTON);
    PumpWaitingMessages();
    SimulateMouseForTest(TestMouse::Move, POINT{p.x + 50, p.y}, 0);
    m_wnd->GetWindowRect(&rc);
    EXPECT_EQ(rc.Width(), 450);
    SimulateMouseForTest(TestMouse::Release, POINT{p.x - 200, p.y}, VK_LBUTTON);
    PumpWaitingMessages();
    m_wnd->GetWindowRect(&rc);
    EXPECT_EQ(rc.Width(), 300);  // stopped at the minimum tracking width
    EXPECT_FALSE(Filter(m_log, {WM_SIZE}).empty());
}

TEST_F(FrameTest, DoubleClickOnTheCaptionMaximisesAndRestores)
{
    SimulateMouseForTest(TestMouse::DoubleClick, Screen(200, Frame() + 5), VK_LBUTTON);
    SimulateMouseForTest(TestMouse::Release, Screen(200, Frame() + 5), VK_LBUTTON);
    PumpWaitingMessages();
    EXPECT_TRUE(m_wnd->IsZoomed());
    SimulateMouseForTest(TestMouse::DoubleClick, Screen(200, Frame() + 5), VK_LBUTTON);
    SimulateMouseForTest(TestMouse::Release, Screen(200, Frame() + 5), VK_LBUTTON);
    PumpWaitingMessages();
    EXPECT_FALSE(m_wnd->IsZoomed());
}

TEST_F(FrameTest, CloseButtonClosesTheWindow)
{
    m_log.clear();
    Click(Screen(CloseCenter().x, CloseCenter().y));
    EXPECT_EQ(m_wnd->m_hWnd, nullptr);
    EXPECT_EQ(Sequence(m_log), (std::vector<UINT>{WM_NCHITTEST, WM_MOUSEACTIVATE, WM_SETCURSOR, WM_NCLBUTTONDOWN,
                                                   WM_SYSCOMMAND, WM_CLOSE,
                                    WM_NCACTIVATE, WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY}));
}

namespace {
// A procedure that paints the caption itself: the default painting gets the rest of the
// window as its region, and the caption text change is stored without painting.
WNDPROC g_framePrevious = nullptr;
constexpr COLORREF kMagenta = RGB(255, 0, 255);

void PaintOwnCaption(HWND hwnd)
{
    CWindowDC dc(CWnd::FromHandle(hwnd));
    CRect rc;
    GetWindowRect(hwnd, &rc);
    dc.FillSolidRect(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME), rc.Width() - 2 * GetSystemMetrics(SM_CXFRAME),
                     GetSystemMetrics(SM_CYCAPTION), kMagenta);
}

LRESULT OwnCaptionProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCPAINT) {
        CRect rc;
        GetWindowRect(hwnd, &rc);
        CRgn rest, caption;
        rest.CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);
        caption.CreateRectRgn(rc.left, rc.top + GetSystemMetrics(SM_CYFRAME), rc.right,
                              rc.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
        rest.CombineRgn(&rest, &caption, RGN_DIFF);
        CallWindowProc(g_framePrevious, hwnd, message, reinterpret_cast<WPARAM>(static_cast<HRGN>(rest)), lParam);
        PaintOwnCaption(hwnd);
        return 0;
    }
    if (message == WM_SETTEXT || message == WM_NCACTIVATE) {
        const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
        SetWindowLongPtr(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
        const LRESULT result = CallWindowProc(g_framePrevious, hwnd, message, wParam, lParam);
        SetWindowLongPtr(hwnd, GWL_STYLE, style);
        PaintOwnCaption(hwnd);
        return result;
    }
    return CallWindowProc(g_framePrevious, hwnd, message, wParam, lParam);
}
}  // namespace

TEST_F(FrameTest, AProcedureThatPaintsTheCaptionReplacesTheDefaultOne)
{
    g_framePrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtr(m_wnd->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnCaptionProc)));
    Surface().Fill(RGB(1, 2, 3));
    RedrawWindow(m_wnd->m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    const CRect caption(Frame(), Frame(), 400 - Frame(), Frame() + CaptionHeight());
    EXPECT_EQ(CountPixels(caption, kMagenta), caption.Width() * caption.Height());
    EXPECT_NE(Surface().GetPixel(1, 150), RGB(1, 2, 3));  // the border is still the system's

    m_wnd->SetWindowText("New title");
    CString text;
    m_wnd->GetWindowText(text);
    EXPECT_EQ(text, CString("New title"));
    EXPECT_EQ(CountPixels(caption, kMagenta), caption.Width() * caption.Height());
    m_wnd->SendMessage(WM_NCACTIVATE, FALSE);
    EXPECT_EQ(CountPixels(caption, kMagenta), caption.Width() * caption.Height());
    SetWindowLongPtr(m_wnd->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_framePrevious));
}

TEST_F(FrameTest, ColourChangesRepaintTheCaptionThroughTheWindowProcedure)
{
    SetSysColorOverride(COLOR_ACTIVECAPTION, RGB(200, 0, 0));
    m_wnd->SendMessage(WM_NCACTIVATE, TRUE);
    m_log.clear();
    NotifySysColorChange();
    PumpWaitingMessages();
    // The repaint's BeginPaint sends the frame's WM_NCPAINT, then the erase.
    EXPECT_EQ(Sequence(m_log), (std::vector<UINT>{WM_SYSCOLORCHANGE, WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
    EXPECT_EQ(Surface().GetPixel(200, Frame() + 2), RGB(200, 0, 0));
    ClearSystemOverrides();
}
