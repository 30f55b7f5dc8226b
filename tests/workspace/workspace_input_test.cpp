// The workspace's keyboard and mouse handling: selection, arrow keys, the context menu,
// and the crop handles (hit-testing, clamped drags, the XOR frame, cursors).
#include "tests/workspace/WorkspaceFixture.h"

#include "platform/Menu.h"
#include "platform/WinApi.h"

#include <functional>

using workspacetest::WorkspaceTest;
namespace fs = std::filesystem;

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class WorkspaceInputTest : public WorkspaceTest {
protected:
    void TearDown() override
    {
        SetPopupMenuHookForTest(nullptr);
        SetKeyStateForTest(VK_SHIFT, FALSE);
        WorkspaceTest::TearDown();
    }
    void Key(int vk, BOOL shift = FALSE)
    {
        SetKeyStateForTest(VK_SHIFT, shift);
        view->SendMessage(WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
        SetKeyStateForTest(VK_SHIFT, FALSE);
    }
    void Click(int x, int y) { view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }
    void Drag(CPoint from, const std::vector<CPoint>& path)
    {
        view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(from.x, from.y));
        for (const CPoint& p : path)
            view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(p.x, p.y));
        const CPoint end = path.empty() ? from : path.back();
        view->SendMessage(WM_LBUTTONUP, 0, At(end.x, end.y));
    }
    std::string FileOf(int i) const { return fs::path(static_cast<const char*>(view->Model().GetImage(i)->m_strFileName)).filename(); }
};

}  // namespace

TEST_F(WorkspaceInputTest, TabAndShiftTabWrapFromEveryStart)
{
    Key(VK_TAB);  // no image at all
    EXPECT_EQ(view->GetSelected(), 0);
    view->Model().Select(-1);
    Key(VK_TAB, TRUE);
    EXPECT_EQ(view->GetSelected(), -1);
    EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));

    LoadThreeRamps(100);  // 1251 rows each, the column is taller than the window
    const int next[] = {0, 1, 2, 0};      // from -1, 0, 1, 2
    const int previous[] = {2, 2, 0, 1};  // -2 wraps to the last image
    for (int start = -1; start < 3; ++start) {
        view->Model().Select(start);
        Key(VK_TAB);
        EXPECT_EQ(view->GetSelected(), next[start + 1]) << start;
        EXPECT_EQ(view->GetScrollPosition(), CPoint(0, Display(view->GetSelected()).m_nDstY)) << start;
        view->Model().Select(start);
        Key(VK_TAB, TRUE);
        EXPECT_EQ(view->GetSelected(), previous[start + 1]) << start;
    }
}

TEST_F(WorkspaceInputTest, ArrowKeysAdjustByTheParentsStep)
{
    Load({Write(Banded(200, 100, 0, 200), "a.dcm")});
    frame.m_nStep = 10;
    Key(VK_LEFT);  // no selection: nothing changes
    EXPECT_EQ(view->Model().GetRect(0), CRect(0, 0, 100, 200));
    view->Model().Select(0);
    Key(VK_LEFT);
    Key(VK_UP);
    EXPECT_EQ(view->Model().GetRect(0), CRect(10, 10, 100, 200));
    Key(VK_UP, TRUE);  // capped at the height
    EXPECT_EQ(view->Model().GetRect(0).bottom, 200);
    Key(VK_DOWN, TRUE);
    Key(VK_DOWN, TRUE);
    EXPECT_EQ(view->Model().GetRect(0).bottom, 180);
    Key(VK_UP, TRUE);
    Key(VK_RIGHT, TRUE);
    Key(VK_DOWN);
    EXPECT_EQ(view->Model().GetRect(0), CRect(0, 0, 100, 190));
    EXPECT_EQ(Display(0).GetHeight(), 190);
}

TEST_F(WorkspaceInputTest, KeysStepByOneWithoutAStepSourceAndNotAtAllWithoutAParent)
{
    const fs::path a = Write(Banded(50, 40, 0, 50), "a.dcm");
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    auto* child = new CViewStitchDicom;  // deletes itself with its window
    ASSERT_TRUE(child->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &plain, 500));
    auto* orphan = new CViewStitchDicom;
    ASSERT_TRUE(orphan->CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    for (CViewStitchDicom* v : {child, orphan}) {
        CStringArray files;
        files.Add(a.c_str());
        ASSERT_TRUE(v->LoadFiles(files));
        v->Model().Select(0);
        v->SendMessage(WM_KEYDOWN, VK_LEFT, 1);
    }
    EXPECT_EQ(child->Model().GetRect(0).left, 1);
    EXPECT_EQ(orphan->Model().GetRect(0).left, 0);
    orphan->DestroyWindow();
    plain.DestroyWindow();
}

TEST_F(WorkspaceInputTest, ClicksOnRightAndBottomEdgesBelongToTheNextImage)
{
    LoadThreeRamps(20);  // 250 rows each
    const int right = 8 + Display(0).m_nDstWidth;
    const struct {
        int x, y, selected;
    } cases[] = {{600, 249, 0}, {600, 250, 1}, {8, 0, 0}, {right - 1, 10, 0}, {right, 10, -1},
                 {7, 10, -1},   {600, 749, 2}, {600, 750, -1}};
    for (const auto& c : cases) {
        view->Model().Select(1);
        Click(c.x, c.y);
        view->SendMessage(WM_LBUTTONUP, 0, At(c.x, c.y));
        EXPECT_EQ(view->GetSelected(), c.selected) << c.x << "," << c.y;
    }
    EXPECT_TRUE(view->SelectAt(CPoint(600, 500)));
    EXPECT_FALSE(view->SelectAt(CPoint(600, 5000)));
    EXPECT_EQ(view->GetSelected(), -1);
}

TEST_F(WorkspaceInputTest, ClicksCountFromTheScrollPosition)
{
    LoadThreeRamps(100);  // 1251 rows each
    view->ScrollToPosition(CPoint(0, 1200));
    Click(600, 60);  // workspace row 1260: the second image
    EXPECT_EQ(view->GetSelected(), 1);
    // The wheel scrolls through the base class; clicks follow.
    view->SendMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-120 * 20)) << 16, At(600, 400));
    const int top = view->GetScrollPosition().y;
    ASSERT_GT(top, 1251 * 2 - 60);
    Click(600, 1251 * 2 - top + 10);
    EXPECT_EQ(view->GetSelected(), 2);
}

TEST_F(WorkspaceInputTest, ContextMenuReordersThroughTheParentAndResetsAdjustments)
{
    Load({Write(Banded(40, 300, 0, 40), "a.dcm"), Write(Banded(50, 300, 0, 50), "b.dcm"),
          Write(Banded(60, 300, 0, 60), "c.dcm")});  // 625 rows on screen in all
    std::vector<std::vector<PopupMenuItem>> shown;
    UINT answer = ID_MOVE_UP_SEQ;
    SetPopupMenuHookForTest([&](const std::vector<PopupMenuItem>& items) {
        shown.push_back(items);
        EXPECT_EQ(GetCapture(), view->GetSafeHwnd());  // the view holds the mouse while it is open
        return answer;
    });
    view->Model().Select(1);
    view->MoveLeft(3);
    const int y = Display(1).m_nDstY + 10;

    view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(600, y));
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].size(), 2u);
    EXPECT_EQ(shown[0][0].id, ID_MOVE_UP_SEQ);
    EXPECT_EQ(shown[0][0].text, "Move Up Sequence");
    EXPECT_EQ(shown[0][1].id, ID_MOVE_DN_SEQ);
    EXPECT_EQ(shown[0][1].text, "Move Down Sequence");
    EXPECT_TRUE(view->m_bRightTracking);
    EXPECT_EQ(GetCapture(), nullptr);  // handed back when the menu closed
    PumpWaitingMessages();             // the chosen command reaches the parent
    EXPECT_EQ(frame.m_commands, std::vector<UINT>{ID_MOVE_UP_SEQ});
    EXPECT_EQ(FileOf(0) + FileOf(1) + FileOf(2), "b.dcma.dcmc.dcm");
    EXPECT_EQ(view->GetSelected(), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(view->Model().GetRect(i), CRect(0, 0, 300, view->Model().GetImage(i)->GetHeight())) << i;
    view->SendMessage(WM_RBUTTONUP, 0, At(600, y));
    EXPECT_FALSE(view->m_bRightTracking);

    answer = ID_MOVE_DN_SEQ;
    view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(600, Display(1).m_nDstY + 1));
    PumpWaitingMessages();
    EXPECT_EQ(FileOf(0) + FileOf(1) + FileOf(2), "b.dcmc.dcma.dcm");
    EXPECT_EQ(view->GetSelected(), 1);

    // Below the column: no menu, and the selection is gone.
    view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(600, 880));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(view->GetSelected(), -1);
}

TEST_F(WorkspaceInputTest, HandleHitTestingReachesFourOrEightPixelsAndPrefersTheLowerIndex)
{
    view->m_rcCrop = CRect(8, 0, 508, 750);
    CArray<CPoint, CPoint> handles;
    view->GetCropHandles(handles);
    ASSERT_EQ(handles.GetSize(), 8);
    const CPoint expected[] = {{8, 0}, {258, 0}, {508, 0}, {508, 375}, {508, 750}, {258, 750}, {8, 750}, {8, 375}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(handles[i], expected[i]) << i;
        EXPECT_EQ(view->HitTestCropHandle(expected[i]), i);
    }
    EXPECT_EQ(view->HitTestCropHandle(CPoint(12, 4)), 0);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(4, -4)), 0);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(13, 0)), -1);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(258, 380)), -1);
    SetSystemMetricOverride(SM_CXSCREEN, 2560);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(16, 8)), 0);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(17, 0)), -1);
    ClearSystemOverrides();

    view->m_rcCrop = CRect(8, 0, 509, 751);
    view->GetCropHandles(handles);
    EXPECT_EQ(handles[1], CPoint(258, 0));
    EXPECT_EQ(handles[3], CPoint(509, 375));
    view->m_rcCrop = CRect(8, 0, 12, 4);  // every hit area overlaps its neighbours
    EXPECT_EQ(view->HitTestCropHandle(CPoint(10, 0)), 0);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(16, 4)), 2);  // also within handle 3
    view->m_rcCrop = CRect(8, 0, 8, 750);
    view->GetCropHandles(handles);
    EXPECT_EQ(handles.GetSize(), 0);
    EXPECT_EQ(view->HitTestCropHandle(CPoint(8, 0)), -1);
}

TEST_F(WorkspaceInputTest, HandleDragsAreClampedToTheImages)
{
    LoadThreeRamps(20);  // column (8, 0) .. (8 + width, 750)
    const CRect content = view->GetContentRect();
    view->ToggleCropMode();
    const int mx = (content.left + content.right) / 2;
    Drag(CPoint(mx, 750), {CPoint(mx, 800), CPoint(mx, 5000)});
    EXPECT_EQ(view->m_nCropHandle, 5);
    EXPECT_EQ(view->m_rcCrop, content);
    EXPECT_EQ(GetCapture(), nullptr);

    Drag(CPoint(10, 373), {CPoint(-20, 375)});
    EXPECT_EQ(view->m_rcCrop, content);
    Drag(CPoint(mx + 3, 2), {CPoint(mx, 100), CPoint(mx, 120)});
    EXPECT_EQ(view->m_rcCrop, CRect(content.left, 120, content.right, 750));
    Drag(CPoint(content.right, 120), {CPoint(300, 5)});  // handle 2: right and top
    EXPECT_EQ(view->m_rcCrop, CRect(content.left, 5, 300, 750));

    // A press beside every handle starts nothing; its release moves nothing.
    Drag(CPoint(600, 300), {CPoint(700, 400)});
    EXPECT_EQ(view->m_nCropHandle, -1);
    EXPECT_EQ(view->m_rcCrop, CRect(content.left, 5, 300, 750));
    // Nor does a release that comes without a press in the view.
    view->m_nCropHandle = 5;
    view->SendMessage(WM_LBUTTONUP, 0, At(600, 200));
    EXPECT_EQ(view->m_rcCrop.bottom, 750);

    // Crop mode off: the handles do not answer.
    view->ToggleCropMode();
    Drag(CPoint(300, 5), {CPoint(200, 5)});
    EXPECT_EQ(view->m_rcCrop, CRect(content.left, 5, 300, 750));
    // Any adjustment lays the column out again: the crop is the whole column.
    view->Model().Select(0);
    view->MoveLeft(1);
    EXPECT_EQ(view->m_rcCrop, content);
}

TEST_F(WorkspaceInputTest, RectangleEmptiedByADragIsDrawnAsTheContent)
{
    LoadThreeRamps(20);
    const CRect content = view->GetContentRect();
    view->ToggleCropMode();
    Drag(CPoint(content.right, 375), {CPoint(400, 375), CPoint(-50, 375)});  // right edge onto the left
    EXPECT_EQ(view->m_rcCrop, CRect(content.left, 0, content.left, 750));
    CSurface* surface = Repaint();
    EXPECT_EQ(view->m_rcCrop, content);
    EXPECT_EQ(surface->GetPixel(content.right - 1, 100), RGB(255, 0, 0));
}

TEST_F(WorkspaceInputTest, XorDragLeavesNoTraceOfTheFramesItPassed)
{
    LoadThreeRamps(20);
    CSurface* surface = Repaint();
    const CRect content = view->GetContentRect();
    const int mx = (content.left + content.right) / 2;
    std::vector<COLORREF> before;  // column x = 600 and the top row, as painted without crop
    for (int y = 0; y < 900; ++y)
        before.push_back(surface->GetPixel(600, y));
    const COLORREF topHandle = surface->GetPixel(mx - 4, 2);

    view->ToggleCropMode();
    Repaint();
    view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(mx, 750));
    for (int y : {700, 600, 500, 400})
        view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(mx, y));
    for (int y : {749, 699, 599, 499})
        EXPECT_EQ(surface->GetPixel(600, y), before[static_cast<size_t>(y)]) << y;
    const COLORREF under = before[399];
    EXPECT_EQ(surface->GetPixel(600, 399), RGB(GetRValue(under) ^ 0xFF, GetGValue(under), GetBValue(under)));
    EXPECT_EQ(surface->GetPixel(mx - 4, 2), topHandle);  // no handles while dragging

    // A repaint during the drag keeps the XOR frame, so the next step still rubs it out.
    Repaint();
    view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(mx, 300));
    EXPECT_EQ(surface->GetPixel(600, 399), under);
    view->SendMessage(WM_LBUTTONUP, 0, At(mx, 300));
    surface = Repaint();
    EXPECT_EQ(view->m_rcCrop.bottom, 300);
    EXPECT_EQ(surface->GetPixel(600, 299), RGB(255, 0, 0));
    EXPECT_EQ(surface->GetPixel(mx - 4, 2), RGB(255, 0, 0));
}

TEST_F(WorkspaceInputTest, SizingCursorsOverTheHandlesOnlyInCropMode)
{
    LoadThreeRamps(20);
    const CRect crop = view->m_rcCrop;
    const auto cursorAt = [this](CPoint pt) {
        view->ClientToScreen(&pt);
        SetCursorPos(pt.x, pt.y);
        SetCursor(nullptr);
        view->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(view->GetSafeHwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    const CPoint handle6(crop.left, crop.bottom);
    const CPoint handle3(crop.right, (crop.top + crop.bottom) / 2);
    EXPECT_EQ(cursorAt(handle6), LoadCursor(nullptr, IDC_ARROW));
    view->ToggleCropMode();
    EXPECT_EQ(cursorAt(handle6), LoadCursor(nullptr, IDC_SIZENESW));
    EXPECT_EQ(cursorAt(handle3), LoadCursor(nullptr, IDC_SIZEWE));
    EXPECT_EQ(cursorAt(CPoint(crop.left + 3, crop.top + 3)), LoadCursor(nullptr, IDC_SIZENWSE));
    EXPECT_EQ(cursorAt(CPoint((crop.left + crop.right) / 2, crop.bottom)), LoadCursor(nullptr, IDC_SIZENS));
    EXPECT_EQ(cursorAt(CPoint(600, 300)), LoadCursor(nullptr, IDC_ARROW));
}

// Every way of clearing or moving the selection repaints its markers at the next paint;
// a right click below the column used to leave the old light marker on screen.
TEST_F(WorkspaceInputTest, ChangingTheSelectionRepaintsItsMarkers)
{
    Load({Write(Banded(40, 300, 0, 40), "a.dcm"), Write(Banded(50, 300, 0, 50), "b.dcm")});
    SetPopupMenuHookForTest([](const std::vector<PopupMenuItem>&) { return 0u; });
    CSurface* surface = view->GetSurfaceForTest();
    const int y = Display(0).m_nDstY + Display(0).m_nDstHeight / 2;
    const COLORREF kSelected = RGB(224, 224, 224), kUnselected = RGB(128, 128, 128);
    struct Step {
        const char* name;
        std::function<void()> act;
        COLORREF expected;  // the first image's marker afterwards
    };
    const Step steps[] = {
        {"left click on the image", [&] { Click(600, y); }, kSelected},
        {"right click below the column", [&] { view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(600, 880)); }, kUnselected},
        {"right click on the image", [&] { view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(600, y)); }, kSelected},
        {"left click below the column", [&] { Click(600, 880); }, kUnselected},
        {"Tab", [&] { Key(VK_TAB); }, kSelected},
    };
    for (const Step& step : steps) {
        step.act();
        PumpWaitingMessages();
        EXPECT_EQ(surface->GetPixel(3, y), step.expected) << step.name;
    }
}
