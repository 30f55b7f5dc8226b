#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "imaging/LDicomDS.h"
#include "platform/MessageBox.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WinMessages.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::MakeGrey;

namespace {

// A view of 1280 x 900 in a hidden frame, with files made for each test.
class WorkspaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::FreshDir(std::string("workspace_") + testing::UnitTest::GetInstance()->current_test_info()->name());
        SetMessageBoxSinkForTest([this](const char* text, UINT) {
            messages.emplace_back(text);
            return IDOK;
        });
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 900, nullptr, nullptr));
        view = new CViewStitchDicom;  // deletes itself with its window
        ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 1280, 900), &frame, 500));
    }
    void TearDown() override
    {
        frame.DestroyWindow();
        SetMessageBoxSinkForTest(nullptr);
    }
    fs::path Write(const testfiles::SyntheticImage& image, const std::string& name)
    {
        const fs::path path = dir / name;
        EXPECT_EQ(testfiles::WriteSynthetic(image, path), "");
        return path;
    }
    void Load(const std::vector<fs::path>& paths)
    {
        CStringArray files;
        for (const auto& p : paths)
            files.Add(p.c_str());
        ASSERT_TRUE(view->LoadFiles(files));
    }
    // 8-bit image: rows before `top` and from `bottom` are uniform, the rows between vary.
    testfiles::SyntheticImage Banded(int rows, int columns, int top, int bottom)
    {
        return MakeGrey(rows, columns, 8, [=](int r, int c) { return (r < top || r >= bottom) ? 200 : (c * 7 + r) % 97; });
    }
    fs::path dir;
    std::vector<std::string> messages;
    CWnd frame;
    CViewStitchDicom* view = nullptr;
};

}  // namespace

TEST(AutoStitchMath, RowDeviationAndEdgeSearch)
{
    const int values[] = {2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_DOUBLE_EQ(CViewStitchDicom::RowDeviation(values, 8), 2.0);

    std::vector<unsigned char> band(400 * 10, 50);  // rows 0..49 uniform, then one varying pattern
    for (int r = 50; r < 400; ++r)
        for (int c = 0; c < 10; ++c)
            band[static_cast<size_t>(r * 10 + c)] = static_cast<unsigned char>(c * 10);
    EXPECT_EQ(CViewStitchDicom::FindContentEdge(band.data(), 10, 400, 8, 0), 50);
    EXPECT_EQ(CViewStitchDicom::FindContentEdge(band.data(), 10, 400, 8, 1), 2);  // found 399: 400 - 399 + 1
    std::vector<unsigned char> uniform(400 * 10, 9);
    EXPECT_EQ(CViewStitchDicom::FindContentEdge(uniform.data(), 10, 400, 8, 0), -1);
    EXPECT_EQ(CViewStitchDicom::FindContentEdge(band.data(), 10, 100, 32, 0), -1);  // other depths count as 0

    const unsigned char pixel24[] = {10, 20, 31, 10, 20, 31};
    EXPECT_EQ(CViewStitchDicom::FindContentEdge(pixel24, 2, 1, 24, 0), -1);  // one uniform row of sample 20
}

TEST_F(WorkspaceTest, LayoutStacksFittedImagesAtTheMargin)
{
    Load({Write(Banded(300, 200, 0, 300), "a.dcm"), Write(Banded(100, 200, 0, 100), "b.dcm")});
    const int available = 1280 - 4 - GetSystemMetrics(SM_CXVSCROLL) - 8;
    ASSERT_EQ(view->GetImageCount(), 2);
    EXPECT_EQ(view->m_arrAdjust[0], CRect(0, 0, 200, 300));
    EXPECT_EQ(view->m_arrAdjust[1], CRect(0, 0, 200, 100));
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

TEST_F(WorkspaceTest, AdjustmentsKeepANonEmptyBandInsideTheImage)
{
    Load({Write(Banded(60, 100, 0, 60), "a.dcm")});
    EXPECT_FALSE(view->MoveLeft(5));  // nothing selected
    view->m_nSelected = 0;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(view->MoveLeft(5));
    EXPECT_EQ(view->m_arrAdjust[0].left, 15);
    ASSERT_TRUE(view->MoveRight(500));
    EXPECT_EQ(view->m_arrAdjust[0].left, 2 - 100);
    ASSERT_TRUE(view->MoveRight(-98));
    ASSERT_TRUE(view->MoveDown(5));
    EXPECT_EQ(view->m_arrAdjust[0].top, 0);
    ASSERT_TRUE(view->SizeIncrease(10));
    EXPECT_EQ(view->m_arrAdjust[0].bottom, 60);
    ASSERT_TRUE(view->SizeDecrease(100));
    EXPECT_EQ(view->m_arrAdjust[0].bottom, 10);
    ASSERT_TRUE(view->MoveUp(500));
    EXPECT_EQ(view->m_arrAdjust[0], CRect(0, 9, 100, 10));
    ASSERT_TRUE(view->SizeDecrease(5));
    EXPECT_EQ(view->m_arrAdjust[0].bottom, 10);  // never at or above top
    EXPECT_EQ(view->m_listDisplay.GetAt(0)->GetHeight(), 1);
    EXPECT_TRUE(messages.empty());

    ASSERT_TRUE(view->ResetLayout());
    EXPECT_EQ(view->m_arrAdjust[0], CRect(0, 0, 100, 60));
    EXPECT_EQ(view->m_listDisplay.GetAt(0)->GetHeight(), 60);
}

TEST_F(WorkspaceTest, AutomaticPassCutsTheFeaturelessBands)
{
    Load({Write(Banded(1000, 64, 50, 900), "tall.dcm"), Write(Banded(120, 64, 20, 100), "short.dcm"),
          Write(Banded(500, 64, 0, 500), "flat.dcm")});
    view->m_nSelected = 0;
    view->MoveLeft(7);
    ASSERT_TRUE(view->AutoStitch());
    EXPECT_EQ(view->m_arrAdjust[0], CRect(0, 50, 64, 898));  // last detailed row 899: two rows cut
    EXPECT_EQ(view->m_arrAdjust[1], CRect(0, 20, 64, 98));   // examined over its 120 rows
    EXPECT_EQ(view->m_arrAdjust[2].left, 0);
    EXPECT_EQ(view->m_listDisplay.GetAt(0)->GetHeight(), 848);
    const CRect once = view->m_arrAdjust[0];
    ASSERT_TRUE(view->AutoStitch());
    EXPECT_EQ(view->m_arrAdjust[0], once);
}

TEST_F(WorkspaceTest, SequenceCommandsSwapNeighboursAndResetAdjustments)
{
    const fs::path a = Write(Banded(40, 30, 0, 40), "a.dcm");
    const fs::path b = Write(Banded(50, 30, 0, 50), "b.dcm");
    const fs::path c = Write(Banded(60, 30, 0, 60), "c.dcm");
    Load({a, b, c});
    view->m_nSelected = 1;
    view->MoveLeft(3);
    view->MoveUpSequence();
    EXPECT_EQ(view->m_nSelected, 1);
    EXPECT_EQ(std::string(view->m_listSource.GetAt(0)->m_strFileName), b.string());
    EXPECT_EQ(std::string(view->m_listSource.GetAt(1)->m_strFileName), a.string());
    EXPECT_EQ(view->m_arrAdjust[0], CRect(0, 0, 30, 50));
    view->MoveDownSequence();
    EXPECT_EQ(std::string(view->m_listSource.GetAt(2)->m_strFileName), a.string());
    EXPECT_EQ(std::string(view->m_listSource.GetAt(1)->m_strFileName), c.string());
}

TEST_F(WorkspaceTest, SaveComposesKeptRowsAndLeavesOutUnreadableImages)
{
    const fs::path a = Write(Banded(40, 30, 0, 40), "a.dcm");
    const fs::path b = Write(Banded(50, 30, 0, 50), "b.dcm");
    Load({a, b, a});
    view->m_nSelected = 1;
    view->SizeDecrease(20);  // b keeps rows 0..29
    fs::remove(a);           // images 0 and 2 cannot be read again
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(view->SaveStitchedFile(b.c_str(), out.c_str()));
    EXPECT_EQ(messages, (std::vector<std::string>{"Fail to stitching image: 0", "Fail to stitching image: 2"}));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    const short* rows = ds.GetShortValue(ds.FindFirstElement(nullptr, 0x00280010, FALSE), 0, 1);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(*rows, 30);
}

TEST_F(WorkspaceTest, CropRectangleConvertsThroughTheFirstImageScale)
{
    Load({Write(Banded(40, 30, 0, 40), "a.dcm")});
    view->m_listDisplay.GetAt(0)->m_scale.SetFactor(4.0f);
    view->m_rcCrop = CRect(8, 0, 508, 750);
    EXPECT_EQ(view->GetPixelCropRect(), CRect(0, 0, 2000, 3000));
}

TEST_F(WorkspaceTest, PaintsMarkerBarsAndBlackAreasOutsideTheColumn)
{
    const testfiles::SyntheticImage grey = MakeGrey(20, 100, 8, [](int, int c) { return c; });
    Load({Write(grey, "a.dcm"), Write(grey, "b.dcm"), Write(grey, "c.dcm")});
    view->m_nSelected = 1;
    view->Invalidate(FALSE);
    view->UpdateWindow();
    CSurface* surface = view->GetSurfaceForTest();
    ASSERT_NE(surface, nullptr);
    surface->SavePng((testfiles::OutputDir() / "workspace-bars.png").c_str());
    const int height = view->m_listDisplay.GetAt(0)->m_nDstHeight;  // 1251 x 20 / 100, rounded
    EXPECT_EQ(height, 250);
    EXPECT_EQ(surface->GetPixel(3, 10), RGB(128, 128, 128));
    EXPECT_EQ(surface->GetPixel(3, height + 10), RGB(224, 224, 224));
    EXPECT_EQ(surface->GetPixel(0, height + 10), RGB(0, 0, 0));  // outline of the selected bar
    EXPECT_EQ(surface->GetPixel(3, 2 * height + 10), RGB(128, 128, 128));
    EXPECT_EQ(surface->GetPixel(3, 3 * height - 2), RGB(128, 128, 128));
    EXPECT_EQ(surface->GetPixel(600, 3 * height + 20), RGB(0, 0, 0));  // below the column
    EXPECT_EQ(surface->GetPixel(1270, 100), RGB(0, 0, 0));             // the scroll-bar strip
    EXPECT_NE(surface->GetPixel(600, 10), surface->GetPixel(20, 10));   // the image itself
}
