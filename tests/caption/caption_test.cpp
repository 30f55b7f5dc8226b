// The custom caption painter, read back from the window's pixels: colours per activation
// state, icon, buttons, text placement, caching, and that the system never paints its own
// caption while the painter is installed.
#include "caption/Caption.h"
#include "caption/SystemFont.h"
#include "platform/FrameDraw.h"
#include "platform/Resources.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// System caption colours that the painter must never show while custom colours are set.
constexpr COLORREF kSysActive = RGB(255, 0, 255);
constexpr COLORREF kSysInactive = RGB(0, 255, 255);
constexpr COLORREF kSysText = RGB(255, 128, 0);
constexpr COLORREF kSysInactiveText = RGB(128, 0, 255);
// The configured colours.
constexpr COLORREF kActiveBack = RGB(30, 60, 90);
constexpr COLORREF kInactiveBack = RGB(90, 90, 90);
constexpr COLORREF kActiveText = RGB(250, 250, 210);
constexpr COLORREF kIconColor = RGB(0, 200, 50);
constexpr UINT kTestIconId = 61001;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;

// Sits below the caption in the window's chain: it sees what the caption passes on to
// the system, and checks right after the system's processing whether the system colour
// reached the caption strip.
class CProbeHook : public CSubclassWnd {
public:
    int m_nNcPaint = 0;
    int m_nNcActivate = 0;
    int m_nSystemColorSeen = 0;
    WPARAM m_lastNcPaintRegion = 0;
    CRect m_rcStrip;  // window coordinates

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_NCPAINT) {
            ++m_nNcPaint;
            m_lastNcPaintRegion = wp;
        }
        if (msg == WM_NCACTIVATE)
            ++m_nNcActivate;
        const LRESULT result = CSubclassWnd::WindowProc(msg, wp, lp);
        if (msg == WM_NCPAINT || msg == WM_NCACTIVATE || msg == WM_SETTEXT)
            m_nSystemColorSeen += CountSystemColor();
        return result;
    }

    int CountSystemColor() const
    {
        const CSurface* surface = m_pWndHooked->GetSurfaceForTest();
        int count = 0;
        for (int y = m_rcStrip.top; y < m_rcStrip.bottom; ++y)
            for (int x = m_rcStrip.left; x < m_rcStrip.right; ++x) {
                const COLORREF c = surface->GetPixel(x, y);
                count += (c == kSysActive || c == kSysInactive) ? 1 : 0;
            }
        return count;
    }
};

class CCountingCaption : public CSingleLineCaption {
public:
    int m_nDrawn = 0;
    void DrawCaption(CDC* pDC) override
    {
        ++m_nDrawn;
        CSingleLineCaption::DrawCaption(pDC);
    }
};

HICON TestIcon()
{
    static const bool registered = [] {
        RegisterIcon(kTestIconId, {IconImage{16, 16, std::vector<DWORD>(256, 0xFF00C832u)}});
        return true;
    }();
    (void)registered;
    return LoadIcon(AfxGetInstanceHandle(), MAKEINTRESOURCE(kTestIconId));
}

class CaptionTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetSysColorOverride(COLOR_ACTIVECAPTION, kSysActive);
        SetSysColorOverride(COLOR_INACTIVECAPTION, kSysInactive);
        SetSysColorOverride(COLOR_CAPTIONTEXT, kSysText);
        SetSysColorOverride(COLOR_INACTIVECAPTIONTEXT, kSysInactiveText);
    }
    void TearDown() override
    {
        m_caption.reset();
        m_wnd.DestroyWindow();
        ClearSystemOverrides();
    }

    // Creates the window with the probe and the painter in custom colours, as the stitch
    // dialog attaches it, then shows and activates it.
    void Open(DWORD style = kDialogStyle, int width = 300, int height = 200, bool show = true)
    {
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "Stitch Images", style, 40, 40, width, height, nullptr, nullptr));
        m_probe.HookWindow(&m_wnd);
        m_caption = std::make_unique<CCountingCaption>();
        m_caption->HookWindow(&m_wnd);
        m_caption->GetTextAttr()->SetActiveTextColor(kActiveText);
        m_caption->GetBackground()->SetActiveColor(kActiveBack);
        m_caption->GetBackground()->SetInactiveColor(kInactiveBack);
        m_caption->Refresh();
        m_probe.m_rcStrip = m_caption->GetCaptionRect();
        if (show) {
            m_wnd.ShowWindow(SW_SHOW);
            PumpWaitingMessages();
        }
    }

    // A pixel of the caption strip, (0, 0) its top-left corner.
    COLORREF At(int x, int y) const
    {
        const CRect strip = m_caption->GetCaptionRect();
        return m_wnd.GetSurfaceForTest()->GetPixel(strip.left + x, strip.top + y);
    }
    int StripWidth() const { return m_caption->GetCaptionRect().Width(); }
    int Count(COLORREF color, int left, int right) const
    {
        int count = 0;
        for (int y = 0; y < GetSystemMetrics(SM_CYCAPTION); ++y)
            for (int x = left; x < right; ++x)
                count += At(x, y) == color ? 1 : 0;
        return count;
    }
    // The leftmost column of the strip holding a pixel of the colour; -1 when none.
    int FirstColumnOf(COLORREF color) const
    {
        for (int x = 0; x < StripWidth(); ++x)
            for (int y = 0; y < GetSystemMetrics(SM_CYCAPTION); ++y)
                if (At(x, y) == color)
                    return x;
        return -1;
    }
    // Whether the strip shows, at rc (strip coordinates), exactly the caption button that
    // the platform draws for state.
    bool ShowsButton(const CRect& rc, UINT state) const
    {
        CWindowDC windowDC(const_cast<CWnd*>(&m_wnd));
        CDC memory;
        memory.CreateCompatibleDC(&windowDC);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&windowDC, rc.Width(), rc.Height());
        CBitmap* old = memory.SelectObject(&bitmap);
        CRect local(0, 0, rc.Width(), rc.Height());
        DrawFrameControl(memory, &local, DFC_CAPTION, state);
        bool same = true;
        for (int y = 0; y < rc.Height(); ++y)
            for (int x = 0; x < rc.Width(); ++x)
                same = same && memory.GetPixel(x, y) == At(rc.left + x, rc.top + y);
        memory.SelectObject(old);
        return same;
    }
    CRect ButtonRect(int index) const  // 0 close, 1 maximise, 2 minimise
    {
        const int bw = GetSystemMetrics(SM_CXSIZE), bh = GetSystemMetrics(SM_CYSIZE);
        const int w = StripWidth();
        if (index == 0)
            return CRect(w - bw, 2, w - 2, bh - 2);
        if (index == 1)
            return CRect(w - 2 * bw, 2, w - bw - 2, bh - 2);
        return CRect(w - 3 * bw + 2, 2, w - 2 * bw, bh - 2);
    }

    CWnd m_wnd;
    CProbeHook m_probe;
    std::unique_ptr<CCountingCaption> m_caption;
};

}  // namespace

TEST_F(CaptionTest, ShowsTheConfiguredColoursInBothStatesAndNeverTheSystemCaption)
{
    Open();
    ASSERT_TRUE(m_caption->IsActive());
    EXPECT_EQ(At(200, 10), kActiveBack);
    EXPECT_EQ(At(0, 0), kActiveBack);
    EXPECT_GT(Count(kActiveText, 0, 200), 30);
    // The bottom edge is one row of the 3D face colour.
    EXPECT_EQ(At(200, GetSystemMetrics(SM_CYCAPTION) - 1), GetSysColor(COLOR_3DFACE));
    // The system still paints the frame around it.
    EXPECT_EQ(m_wnd.GetSurfaceForTest()->GetPixel(1, 100), GetSysColor(COLOR_3DHIGHLIGHT));

    // Another window takes the activation: the inactive picture, with the system's
    // inactive text colour.
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "Other", WS_POPUP | WS_CAPTION, 400, 400, 100, 80, nullptr, nullptr));
    other.ShowWindow(SW_SHOW);
    PumpWaitingMessages();
    EXPECT_FALSE(m_caption->IsActive());
    EXPECT_EQ(At(200, 10), kInactiveBack);
    EXPECT_EQ(Count(kActiveText, 0, 200), 0);
    EXPECT_GT(Count(kSysInactiveText, 0, 200), 30);

    m_wnd.SetActiveWindow();
    PumpWaitingMessages();
    EXPECT_EQ(At(200, 10), kActiveBack);
    EXPECT_EQ(m_probe.m_nSystemColorSeen, 0);
    EXPECT_EQ(m_probe.CountSystemColor(), 0);

    m_caption->SetIcon(LoadIcon(AfxGetInstanceHandle(), MAKEINTRESOURCE(208)));  // the module's icon
    m_caption->Refresh();
    const std::filesystem::path png = testfiles::OutputDir() / "caption-custom.png";
    EXPECT_TRUE(m_wnd.GetSurfaceForTest()->SavePng(png.string()));
}

TEST_F(CaptionTest, UnsetColoursFollowTheSystemAndItsChanges)
{
    ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "System", kDialogStyle, 40, 40, 300, 200, nullptr, nullptr));
    CSingleLineCaption caption;
    caption.HookWindow(&m_wnd);
    m_wnd.ShowWindow(SW_SHOW);
    PumpWaitingMessages();
    const CRect strip = caption.GetCaptionRect();
    EXPECT_EQ(m_wnd.GetSurfaceForTest()->GetPixel(strip.left + 200, strip.top + 10), kSysActive);

    SetSysColorOverride(COLOR_ACTIVECAPTION, RGB(0, 0, 200));
    m_wnd.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(m_wnd.GetSurfaceForTest()->GetPixel(strip.left + 200, strip.top + 10), RGB(0, 0, 200));
    caption.HookWindow(nullptr);
}

TEST_F(CaptionTest, IconBoxAndTextPlacement)
{
    Open();
    m_wnd.SetIcon(TestIcon(), FALSE);  // the class small icon
    m_caption->Refresh();
    const int icon = GetSystemMetrics(SM_CXSIZE) - 2;
    EXPECT_EQ(At(2, 1), kIconColor);
    EXPECT_EQ(At(2 + icon - 1, 1 + icon - 1), kIconColor);
    EXPECT_EQ(At(1, 1), kActiveBack);
    EXPECT_EQ(At(2, 0), kActiveBack);
    EXPECT_EQ(At(2 + icon, 1), kActiveBack);
    EXPECT_EQ(At(2, 1 + icon), kActiveBack);
    // The text starts after the frame width and the icon box (window coordinates used as
    // they stand in the picture).
    const int textLeft = GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CXSIZE);
    const int first = FirstColumnOf(kActiveText);
    EXPECT_GE(first, textLeft);
    EXPECT_LE(first, textLeft + 2);

    // The painter's own icon wins over the class icon and shows at the next paint.
    m_wnd.SetIcon(nullptr, FALSE);
    m_caption->SetIcon(TestIcon());
    m_wnd.SendMessage(WM_NCPAINT, 1, 0);
    EXPECT_EQ(At(2, 1), kIconColor);
}

TEST_F(CaptionTest, WithoutASystemMenuThereIsNoIconAndTheTextStartsOneFrameIn)
{
    Open(kDialogStyle & ~WS_SYSMENU);
    m_caption->SetIcon(TestIcon());
    m_caption->Refresh();
    EXPECT_EQ(Count(kIconColor, 0, StripWidth()), 0);
    const int first = FirstColumnOf(kActiveText);
    EXPECT_GE(first, GetSystemMetrics(SM_CXFRAME));
    EXPECT_LE(first, GetSystemMetrics(SM_CXFRAME) + 2);
}

TEST_F(CaptionTest, CloseAndMaximiseOnlyThenRestoreWhenMaximised)
{
    Open();
    EXPECT_TRUE(ShowsButton(ButtonRect(0), DFCS_CAPTIONCLOSE));
    EXPECT_TRUE(ShowsButton(ButtonRect(1), DFCS_CAPTIONMAX));
    EXPECT_FALSE(ShowsButton(ButtonRect(1), DFCS_CAPTIONRESTORE));
    // No minimise box: only background above the bottom edge where it would be.
    EXPECT_EQ(Count(kActiveBack, ButtonRect(2).left, ButtonRect(2).right),
              ButtonRect(2).Width() * (GetSystemMetrics(SM_CYCAPTION) - 1));

    m_wnd.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpWaitingMessages();
    ASSERT_TRUE(m_wnd.IsZoomed());
    m_caption->Refresh();
    EXPECT_TRUE(ShowsButton(ButtonRect(0), DFCS_CAPTIONCLOSE));
    EXPECT_TRUE(ShowsButton(ButtonRect(1), DFCS_CAPTIONRESTORE));
    EXPECT_EQ(m_probe.m_nSystemColorSeen, 0);
}

TEST_F(CaptionTest, PressingACaptionButtonRepaintsOnlyThatButton)
{
    Open();
    CRect window;
    m_wnd.GetWindowRect(&window);
    const CRect strip = m_caption->GetCaptionRect();
    const CPoint onMax(window.left + strip.left + ButtonRect(1).CenterPoint().x,
                       window.top + strip.top + ButtonRect(1).CenterPoint().y);
    SimulateMouseForTest(TestMouse::Move, onMax, 0);
    SimulateMouseForTest(TestMouse::Press, onMax, VK_LBUTTON);
    PumpWaitingMessages();
    EXPECT_TRUE(ShowsButton(ButtonRect(1), DFCS_CAPTIONMAX | DFCS_PUSHED));
    EXPECT_EQ(m_probe.CountSystemColor(), 0);
    EXPECT_EQ(At(200, 10), kActiveBack);

    // Released away from the button: nothing happens, the button comes back up.
    const CPoint away(window.left + 150, window.top + 100);
    SimulateMouseForTest(TestMouse::Move, away, 0);
    SimulateMouseForTest(TestMouse::Release, away, VK_LBUTTON);
    PumpWaitingMessages();
    EXPECT_FALSE(m_wnd.IsZoomed());
    EXPECT_TRUE(ShowsButton(ButtonRect(1), DFCS_CAPTIONMAX));
    EXPECT_EQ(m_probe.CountSystemColor(), 0);
}

TEST_F(CaptionTest, CachedPictureIsReusedUntilRefreshOrResize)
{
    Open();
    const int drawn = m_caption->m_nDrawn;
    m_wnd.ModifyStyle(0, WS_MINIMIZEBOX);
    m_wnd.SendMessage(WM_NCPAINT, 1, 0);
    EXPECT_EQ(m_caption->m_nDrawn, drawn);
    EXPECT_EQ(At(ButtonRect(2).left + 4, 8), kActiveBack);  // the old picture

    m_caption->Refresh();
    EXPECT_EQ(m_caption->m_nDrawn, drawn + 1);
    EXPECT_TRUE(ShowsButton(ButtonRect(2), DFCS_CAPTIONMIN));
    EXPECT_TRUE(ShowsButton(ButtonRect(1), DFCS_CAPTIONMAX));

    m_wnd.MoveWindow(40, 40, 360, 200);
    PumpWaitingMessages();
    EXPECT_EQ(m_caption->m_nDrawn, drawn + 2);
    EXPECT_EQ(StripWidth(), 360 - 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_TRUE(ShowsButton(ButtonRect(0), DFCS_CAPTIONCLOSE));
}

TEST_F(CaptionTest, TitleChangeShowsAtOnceWithoutTheSystemCaption)
{
    Open();
    const int before = Count(kActiveText, 0, StripWidth());
    m_probe.m_nSystemColorSeen = 0;
    m_wnd.SetWindowText("Stitch Images - a much longer title");
    CString text;
    m_wnd.GetWindowText(text);
    EXPECT_EQ(text, CString("Stitch Images - a much longer title"));
    EXPECT_EQ(m_probe.m_nSystemColorSeen, 0);
    EXPECT_GT(Count(kActiveText, 0, StripWidth()), before);
    EXPECT_TRUE(m_wnd.GetStyle() & WS_VISIBLE);

    // The probe itself sees a flash when nothing prevents one.
    m_caption->HookWindow(nullptr);
    m_wnd.SetWindowText("Plain");
    EXPECT_GT(m_probe.m_nSystemColorSeen, 0);
}

TEST_F(CaptionTest, RepeatedActivationDoesNothing)
{
    Open();
    ASSERT_TRUE(m_caption->IsActive());
    const int paints = m_probe.m_nNcPaint, activations = m_probe.m_nNcActivate, drawn = m_caption->m_nDrawn;
    EXPECT_EQ(m_wnd.SendMessage(WM_NCACTIVATE, TRUE, 0), TRUE);
    EXPECT_EQ(m_probe.m_nNcPaint, paints);
    EXPECT_EQ(m_probe.m_nNcActivate, activations);
    EXPECT_EQ(m_caption->m_nDrawn, drawn);

    // A real change reaches the system once and repaints once; each picture is drawn
    // once, so going back to active only copies.
    EXPECT_EQ(m_wnd.SendMessage(WM_NCACTIVATE, FALSE, 0), TRUE);
    EXPECT_EQ(m_probe.m_nNcActivate, activations + 1);
    EXPECT_EQ(m_probe.m_nNcPaint, paints + 1);
    EXPECT_EQ(At(200, 10), kInactiveBack);
    const int drawnInactive = m_caption->m_nDrawn;
    m_wnd.SendMessage(WM_NCACTIVATE, TRUE, 0);
    EXPECT_EQ(m_caption->m_nDrawn, drawnInactive);
    EXPECT_EQ(At(200, 10), kActiveBack);

    // Stay-active keeps it active; a disabled window shows inactive.
    m_wnd.m_nFlags |= WF_STAYACTIVE;
    m_wnd.SendMessage(WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(At(200, 10), kActiveBack);
    m_wnd.m_nFlags &= ~WF_STAYACTIVE;
    m_wnd.EnableWindow(FALSE);
    m_wnd.SendMessage(WM_NCACTIVATE, TRUE, 0);
    EXPECT_EQ(At(200, 10), kInactiveBack);
    EXPECT_EQ(m_probe.m_nSystemColorSeen, 0);
}

TEST_F(CaptionTest, NonClientPaintHandsTheSystemEverythingButTheStrip)
{
    Open();
    CRect window;
    m_wnd.GetWindowRect(&window);
    CRect strip = m_caption->GetCaptionRect();
    strip.OffsetRect(window.left, window.top);

    // A region away from the caption goes on unchanged.
    CRgn bottom;
    bottom.CreateRectRgn(window.left, window.bottom - 3, window.right, window.bottom);
    m_wnd.SendMessage(WM_NCPAINT, reinterpret_cast<WPARAM>(static_cast<HRGN>(bottom)), 0);
    EXPECT_EQ(m_probe.m_lastNcPaintRegion, reinterpret_cast<WPARAM>(static_cast<HRGN>(bottom)));

    // The whole window: the system gets the window minus the strip.
    m_wnd.SendMessage(WM_NCPAINT, 1, 0);
    const auto given = reinterpret_cast<HRGN>(m_probe.m_lastNcPaintRegion);
    EXPECT_NE(m_probe.m_lastNcPaintRegion, 1u);
    EXPECT_FALSE(m_probe.m_lastNcPaintRegion > 1 && ::PtInRegion(given, strip.left, strip.top));
    EXPECT_EQ(m_probe.m_nSystemColorSeen, 0);
    EXPECT_EQ(At(200, 10), kActiveBack);
}

TEST_F(CaptionTest, DestroyingAnInstalledPainterUnhooksIt)
{
    Open();
    m_caption.reset();
    EXPECT_EQ(CSubclassWndMap::GetHookMap().Lookup(m_wnd.m_hWnd), &m_probe);
    m_wnd.SetWindowText("Still works");  // no freed hook in the chain
    CString text;
    m_wnd.GetWindowText(text);
    EXPECT_EQ(text, CString("Still works"));
}

TEST(SystemFont, KindsComeFromTheNonClientMetrics)
{
    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    LOGFONT lf{};
    ASSERT_NE(g_fontSystemCaption.GetSafeHandle(), nullptr);
    g_fontSystemCaption.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, metrics.lfCaptionFont.lfHeight);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);

    CSystemFont menu(CSystemFont::kMenu, 0);
    menu.GetLogFont(&lf);
    EXPECT_EQ(lf.lfWeight, metrics.lfMenuFont.lfWeight);
    CSystemFont tall(CSystemFont::kCaption, 24);
    tall.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, 24);

    NONCLIENTMETRICS wrongSize{};
    wrongSize.cbSize = 12;
    EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 12, &wrongSize, 0));
}
