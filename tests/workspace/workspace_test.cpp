#include "tests/workspace/WorkspaceFixture.h"

#include "app/SampleStudy.h"
#include "imaging/LDicomDS.h"
#include "platform/ScrollView.h"
#include "tests/support/DicomValidation.h"

using testfiles::MakeGrey;
using workspacetest::WorkspaceTest;
namespace fs = std::filesystem;

TEST_F(WorkspaceTest, LayoutStacksFittedImagesAtTheMargin)
{
    Load({Write(Banded(300, 200, 0, 300), "a.dcm"), Write(Banded(100, 200, 0, 100), "b.dcm")});
    const int available = 1280 - 4 - GetSystemMetrics(SM_CXVSCROLL) - 8;
    ASSERT_EQ(view->GetImageCount(), 2);
    EXPECT_EQ(view->Model().GetRect(0), CRect(0, 0, 200, 300));
    EXPECT_EQ(view->Model().GetRect(1), CRect(0, 0, 200, 100));
    const CBaseImageData* first = view->m_listDisplay.GetAt(0);
    const CBaseImageData* second = view->m_listDisplay.GetAt(1);
    EXPECT_EQ(first->m_nDstX, 8);
    EXPECT_EQ(first->m_nDstY, 0);
    EXPECT_EQ(first->m_nDstWidth, available);
    EXPECT_EQ(second->m_nDstY, first->m_nDstHeight);
    EXPECT_EQ(view->GetTotalSize(), CSize(available + 8, first->m_nDstHeight + second->m_nDstHeight + 1));
    EXPECT_EQ(view->m_rcCrop, CRect(8, 0, available + 8, first->m_nDstHeight + second->m_nDstHeight));

    view->ToggleRealSize();
    EXPECT_EQ(first->m_nDstWidth, 200);
    EXPECT_EQ(second->m_nDstY, 300);
    EXPECT_EQ(view->GetTotalSize(), CSize(208, 401));
    view->ToggleRealSize();
    EXPECT_EQ(first->m_nDstWidth, available);
}

// The commands' clamping is the model's; the view rebuilds the selected display image
// from the piece's rectangle: moved left, the kept rows from column `left`; moved right,
// black columns at its left and its own width kept.
TEST_F(WorkspaceTest, DisplayImagesFollowTheRectangles)
{
    // Value = column + 1, so that black (0) is never a source pixel.
    Load({Write(MakeGrey(60, 100, 8, [](int, int c) { return c + 1; }), "a.dcm")});
    EXPECT_FALSE(view->MoveLeft(5));  // nothing selected
    view->Model().Select(0);
    const auto rowStart = [this]() {
        std::vector<BYTE> row(4);
        view->m_listDisplay.GetAt(0)->GetRows(row.data(), 0, 0, 4, 1);
        return row;
    };
    using Row = std::vector<BYTE>;
    using Command = std::function<BOOL(CViewStitchDicom&, int)>;
    const struct {
        Command command;
        int n;
        int height;
        Row first;
    } steps[] = {
        {&CViewStitchDicom::MoveLeft, 15, 60, Row{16, 17, 18, 19}},
        {&CViewStitchDicom::MoveUp, 20, 40, Row{16, 17, 18, 19}},
        {&CViewStitchDicom::MoveRight, 17, 40, Row{0, 0, 1, 2}},  // left -2
        {&CViewStitchDicom::SizeDecrease, 45, 40, Row{0, 0, 1, 2}},  // keeps its size, black below
        {&CViewStitchDicom::MoveLeft, 2, 1, Row{1, 2, 3, 4}},       // rows 20..20: bottom is 21
        {&CViewStitchDicom::MoveDown, 30, 21, Row{1, 2, 3, 4}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        ASSERT_TRUE(steps[i].command(*view, steps[i].n)) << i;
        EXPECT_EQ(Display(0).GetHeight(), steps[i].height) << i;
        EXPECT_EQ(rowStart(), steps[i].first) << i;
    }
    EXPECT_EQ(Display(0).m_nDstY, 0);
    EXPECT_TRUE(messages.texts.empty());
    ASSERT_TRUE(view->ResetLayout());
    EXPECT_EQ(Display(0).GetHeight(), 60);
    EXPECT_EQ(rowStart(), (Row{1, 2, 3, 4}));
}

// The pass itself is the model's; the view shows each piece as its plain band of kept rows.
TEST_F(WorkspaceTest, AutomaticPassShowsTheKeptBands)
{
    Load({Write(Banded(1000, 64, 50, 900), "tall.dcm"), Write(Banded(120, 64, 20, 100), "short.dcm")});
    view->Model().Select(0);
    view->MoveLeft(7);
    ASSERT_TRUE(view->AutoStitch());
    EXPECT_EQ(view->Model().GetRect(0), CRect(0, 50, 64, 898));
    EXPECT_EQ(view->m_listDisplay.GetAt(0)->GetHeight(), 848);
    EXPECT_EQ(view->m_listDisplay.GetAt(1)->GetHeight(), 78);
    EXPECT_EQ(Display(1).m_nDstY, Display(0).m_nDstHeight);
}

TEST_F(WorkspaceTest, SaveComposesKeptRowsAndLeavesOutUnreadableImages)
{
    const fs::path a = Write(Banded(40, 30, 0, 40), "a.dcm");
    const fs::path b = Write(Banded(50, 30, 0, 50), "b.dcm");
    const fs::path c = Write(Banded(40, 30, 0, 40), "c.dcm");
    Load({a, b, c});
    view->Model().Select(1);
    view->SizeDecrease(20);  // b keeps rows 0..29
    fs::remove(a);           // images 0 and 2 cannot be read again
    fs::remove(c);
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(view->SaveStitchedFile(b.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, b));
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Fail to stitching image: 0", "Fail to stitching image: 2"}));
    EXPECT_EQ(view->GetLastSave().LeftOutCount(), 2);
    EXPECT_EQ(view->GetLastSave().pieces[2].failure, EPieceFailure::Unreadable);
    EXPECT_EQ(view->GetLastSave().rows, 30);
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    const short* rows = ds.GetShortValue(ds.FindFirstElement(nullptr, 0x00280010, FALSE), 0, 1);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(*rows, 30);
}

// A frame on the column's edges is the whole image, whatever the rounding of each piece's
// shown height; an edge on a piece boundary is that boundary's image row.
TEST_F(WorkspaceTest, CropFrameOnTheColumnsEdgesIsExactlyTheImage)
{
    const std::vector<int> heights = {700, 731, 650, 613};  // 2694 rows in all
    std::vector<fs::path> files;
    for (size_t i = 0; i < heights.size(); ++i)
        files.push_back(Write(Banded(heights[i], 1000, 0, heights[i]), "piece" + std::to_string(i) + ".dcm"));
    Load(files);
    const CRect column = view->m_rcCrop;
    EXPECT_EQ(view->GetPixelCropRect(), CRect(0, 0, 1000, 2694));
    view->m_rcCrop = CRect(column.left, Display(1).m_nDstY, column.right, Display(3).m_nDstY);
    EXPECT_EQ(view->GetPixelCropRect(), CRect(0, 700, 1000, 2081));

    // Crop mode on and saved without a drag: the image as it is, no column lost, no row added.
    view->m_rcCrop = column;
    view->ToggleCropMode();
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(view->SaveStitchedFile("", out.c_str()));
    EXPECT_EQ(view->GetLastSave().columns, 1000);
    EXPECT_EQ(view->GetLastSave().rows, 2694);
}

namespace {
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBar = RGB(128, 128, 128);
constexpr COLORREF kSelectedBar = RGB(224, 224, 224);
}  // namespace

TEST_F(WorkspaceTest, PaintsMarkerBarsAsHighAsTheirImagesAndBlackAroundTheColumn)
{
    LoadThreeRamps(20);
    view->Model().Select(1);
    CSurface* surface = Repaint();
    ASSERT_NE(surface, nullptr);
    surface->SavePng((testfiles::OutputDir() / "workspace-bars.png").c_str());
    const int h = Display(0).m_nDstHeight;  // 1251 x 20 / 100, rounded
    ASSERT_EQ(h, 250);
    // Each bar's outline closes on its image's first and last row.
    EXPECT_EQ(surface->GetPixel(3, h - 2), kBar);
    EXPECT_EQ(surface->GetPixel(3, h - 1), kBlack);
    EXPECT_EQ(surface->GetPixel(3, h), kBlack);
    EXPECT_EQ(surface->GetPixel(3, h + 1), kSelectedBar);
    EXPECT_EQ(surface->GetPixel(0, h + 10), kBlack);
    EXPECT_EQ(surface->GetPixel(7, h + 10), kBlack);
    EXPECT_EQ(surface->GetPixel(3, 2 * h - 2), kSelectedBar);
    EXPECT_EQ(surface->GetPixel(3, 2 * h + 1), kBar);
    EXPECT_EQ(surface->GetPixel(3, 3 * h - 2), kBar);
    EXPECT_EQ(surface->GetPixel(8 + 50 * 1251 / 100, 10), RGB(50, 50, 50));  // the ramp itself

    // Black: below the column from its last row's end, the scroll-bar strip, and the gap
    // between the column and the strip.
    const int columnRight = 8 + Display(0).m_nDstWidth;
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_NE(surface->GetPixel(columnRight - 1, 100), kBlack);
    for (int x : {columnRight, columnRight + 3, 1280 - bar, 1279})
        EXPECT_EQ(surface->GetPixel(x, 100), kBlack) << x;
    for (int y : {3 * h, 3 * h + 1, 899})
        EXPECT_EQ(surface->GetPixel(600, y), kBlack) << y;

    view->Model().Select(-1);
    surface = Repaint();
    EXPECT_EQ(surface->GetPixel(3, h + 1), kBar);
}

TEST_F(WorkspaceTest, RealSizeLeavesBlackRightOfAndBelowTheContent)
{
    LoadThreeRamps(20);
    view->ToggleRealSize();
    CSurface* surface = Repaint();
    EXPECT_EQ(surface->GetPixel(8, 0), RGB(0, 0, 0));     // the ramp's first column, value 0
    EXPECT_EQ(surface->GetPixel(58, 0), RGB(50, 50, 50));  // natural size, top row visible
    EXPECT_EQ(surface->GetPixel(107, 59), RGB(99, 99, 99));
    EXPECT_EQ(surface->GetPixel(108, 10), kBlack);
    EXPECT_EQ(surface->GetPixel(600, 10), kBlack);
    EXPECT_EQ(surface->GetPixel(50, 60), kBlack);
    EXPECT_EQ(surface->GetPixel(3, 61), kBlack);
}

TEST_F(WorkspaceTest, CropFrameAndHandlesGrowOnWideScreens)
{
    LoadThreeRamps(20);
    view->ToggleCropMode();
    CSurface* surface = Repaint();
    const CRect crop = view->m_rcCrop;
    const int mx = (crop.left + crop.right) / 2;
    ASSERT_EQ(crop.bottom, 750);
    // One-pixel frame inside the rectangle's exclusive edges.
    EXPECT_EQ(surface->GetPixel(300, crop.bottom - 1), kRed);
    EXPECT_NE(surface->GetPixel(300, crop.bottom - 2), kRed);
    EXPECT_EQ(surface->GetPixel(crop.right - 1, 100), kRed);
    EXPECT_NE(surface->GetPixel(crop.right - 2, 100), kRed);
    // 9 x 9 handles, whole also where they reach into the black areas.
    EXPECT_EQ(surface->GetPixel(mx - 4, crop.bottom + 2), kRed);
    EXPECT_EQ(surface->GetPixel(mx + 4, crop.bottom + 2), kRed);
    EXPECT_EQ(surface->GetPixel(mx - 5, crop.bottom + 2), kBlack);
    EXPECT_EQ(surface->GetPixel(mx + 5, crop.bottom + 2), kBlack);
    EXPECT_EQ(surface->GetPixel(mx, crop.bottom + 4), kRed);
    EXPECT_EQ(surface->GetPixel(mx, crop.bottom + 5), kBlack);
    EXPECT_EQ(surface->GetPixel(crop.right + 4, crop.bottom), kRed);
    EXPECT_EQ(surface->GetPixel(crop.right + 5, crop.bottom), kBlack);

    SetSystemMetricOverride(SM_CXSCREEN, 2560);
    surface = Repaint();
    EXPECT_EQ(surface->GetPixel(300, crop.bottom - 1), kRed);
    EXPECT_EQ(surface->GetPixel(300, crop.bottom - 2), kRed);
    EXPECT_NE(surface->GetPixel(300, crop.bottom - 3), kRed);
    EXPECT_EQ(surface->GetPixel(mx - 8, crop.bottom + 2), kRed);
    EXPECT_EQ(surface->GetPixel(mx + 8, crop.bottom + 2), kRed);
    EXPECT_EQ(surface->GetPixel(mx + 9, crop.bottom + 2), kBlack);
    EXPECT_EQ(surface->GetPixel(mx, crop.bottom + 8), kRed);
    EXPECT_EQ(surface->GetPixel(mx, crop.bottom + 9), kBlack);

    view->ToggleCropMode();
    surface = Repaint();
    EXPECT_EQ(surface->GetPixel(300, crop.bottom - 1), surface->GetPixel(300, crop.bottom - 3));
    EXPECT_EQ(view->m_rcCrop, crop);
}

TEST_F(WorkspaceTest, NoticeIsCentredRedOnYellowUntilTheNextRepaint)
{
    LoadThreeRamps(20);
    Repaint();
    const auto noticeBox = [this]() {
        CSurface* surface = view->GetSurfaceForTest();
        CRect box(10000, 10000, -1, -1);
        int red = 0;
        for (int y = 0; y < 900; ++y)
            for (int x = 0; x < 1280; ++x) {
                const COLORREF c = surface->GetPixel(x, y);
                if (c == RGB(255, 255, 0) || c == kRed) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                    red += c == kRed;
                }
            }
        return std::make_pair(box, red);
    };
    EXPECT_FALSE(view->MoveLeft(5));  // no selection: the notice is painted all the same
    PumpWaitingMessages();
    const auto [box, red] = noticeBox();
    ASSERT_GT(box.Width(), 20);
    EXPECT_GT(red, 20);
    EXPECT_LE(std::abs((box.left + box.right) - 1280), 2);
    EXPECT_LE(std::abs((box.top + box.bottom) - 900), 2);
    // Nothing moved, so nothing repaints it: the view's notice timer does, when it
    // elapses (sent here rather than waited for).
    view->SendMessage(WM_TIMER, CViewStitchDicom::NOTICE_TIMER, 0);
    PumpWaitingMessages();
    EXPECT_EQ(noticeBox().first.right, -1);

    view->Model().Select(0);
    EXPECT_TRUE(view->MoveLeft(5));
    PumpWaitingMessages();
    EXPECT_EQ(noticeBox().first.right, -1);
}

// The screenshot a person looks at: the sample study, the middle exposure selected and
// scrolled to by Tab, crop on; the column is taller than the window.
TEST_F(WorkspaceTest, ScreenshotOfTheSampleStudyInCropMode)
{
    sample::SampleOptions options;
    options.rows = 700;
    ASSERT_EQ(sample::WriteSampleStudy(options, dir / "study"), "");
    Load({dir / "study" / "piece-1.dcm", dir / "study" / "piece-2.dcm", dir / "study" / "piece-3.dcm"});
    view->ToggleCropMode();
    view->Model().Select(0);
    view->SendMessage(WM_KEYDOWN, VK_TAB, 1);
    ASSERT_EQ(view->GetSelected(), 1);
    const int boundary = Display(1).m_nDstY;
    ASSERT_EQ(view->GetScrollPosition(), CPoint(0, boundary));
    view->ScrollToPosition(CPoint(0, boundary - 300));  // both marker bars in sight
    CSurface* surface = Repaint();
    ASSERT_TRUE(surface->SavePng((testfiles::OutputDir() / "workspace-crop.png").c_str()));

    EXPECT_EQ(surface->GetPixel(3, 300 - 10), kBar);
    EXPECT_EQ(surface->GetPixel(3, 300 + 10), kSelectedBar);
    const int my = view->m_rcCrop.bottom / 2 - (boundary - 300);
    EXPECT_EQ(surface->GetPixel(4, my), kRed);  // handle 7's square over the selected bar
    EXPECT_EQ(surface->GetPixel(8, 100), kRed);
    CRect client;
    view->GetClientRect(&client);
    ASSERT_LT(client.right, 1280);  // the vertical scroll bar takes its place
    for (LONG x = 8 + Display(0).m_nDstWidth; x < client.right; ++x)
        EXPECT_EQ(surface->GetPixel(x, 100), kBlack) << x;
}

// Images shown reduced keep their stretched picture between paints; every change of
// pixels, window or size shows at the next paint all the same.
TEST_F(WorkspaceTest, RepaintsFollowChangesOfPixelsWindowAndSize)
{
    // 2502 columns shown 1251 wide: screen column i shows source column 2i + 1.
    const testfiles::SyntheticImage wide = MakeGrey(40, 2502, 8, [](int, int c) { return c / 25; });
    Load({Write(wide, "a.dcm"), Write(wide, "b.dcm"), Write(wide, "c.dcm")});
    ASSERT_EQ(Display(0).m_nDstWidth, 1251);
    ASSERT_EQ(Display(0).m_nDstHeight, 20);
    CSurface* surface = Repaint();
    EXPECT_EQ(surface->GetPixel(8 + 500, 5), RGB(40, 40, 40));  // source column 1001
    EXPECT_EQ(surface->GetPixel(8 + 500, 25), RGB(40, 40, 40));

    view->Model().Select(0);
    view->MoveLeft(250);
    view->m_listDisplay.GetAt(1)->SetWindowLevel(100, 50);  // ramps over 1 .. 100, the values present
    surface = Repaint();
    EXPECT_EQ(surface->GetPixel(8 + 500, 5), RGB(50, 50, 50));     // source column 1251
    EXPECT_EQ(surface->GetPixel(8 + 500, 25), RGB(100, 100, 100));  // 255 x 39 / 99
    EXPECT_EQ(surface->GetPixel(8 + 500, 45), RGB(40, 40, 40));

    view->MoveWindow(0, 0, 640, 900);
    const int width = Display(2).m_nDstWidth;
    ASSERT_EQ(width, 640 - 4 - GetSystemMetrics(SM_CXVSCROLL) - 8);
    surface = Repaint();
    const int shown = static_cast<int>((2 * 305 + 1) * 2502 / (2 * width));  // nearest source column
    EXPECT_EQ(surface->GetPixel(8 + 305, Display(2).m_nDstY + 2), RGB(shown / 25, shown / 25, shown / 25));
    EXPECT_EQ(surface->GetPixel(8 + width - 1, Display(2).m_nDstY + 2), RGB(99, 99, 99));  // column 2499
}
