// A workspace view of 1280 x 900 in a visible frame that plays the dialog's part: it
// offers the moving step and carries out the context menu's sequence commands.
#pragma once

#include "image/CBaseImageData.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WinMessages.h"
#include "resources/ResourceIds.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/Fixtures.h"
#include "workspace/CViewStitchDicom.h"
#include "workspace/MovingStepSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace workspacetest {

namespace fs = std::filesystem;

class CStepParent : public CWnd, public CMovingStepSource {
public:
    int GetMovingPixelCount() override { return m_nStep; }
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override
    {
        if (nCode == CN_COMMAND && m_pView != nullptr && (nID == ID_MOVE_UP_SEQ || nID == ID_MOVE_DN_SEQ)) {
            m_commands.push_back(nID);
            nID == ID_MOVE_UP_SEQ ? m_pView->MoveUpSequence() : m_pView->MoveDownSequence();
            return TRUE;
        }
        return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    }
    int m_nStep = 1;
    CViewStitchDicom* m_pView = nullptr;
    std::vector<UINT> m_commands;
};

class WorkspaceTest : public testfiles::FolderTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 900, nullptr, nullptr));
        view = new CViewStitchDicom;  // deletes itself with its window
        ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 1280, 900), &frame, 500));
        frame.m_pView = view;
    }
    void TearDown() override
    {
        frame.DestroyWindow();
        ClearSystemOverrides();
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
        return testfiles::MakeGrey(rows, columns, 8,
                                   [=](int r, int c) { return (r < top || r >= bottom) ? 200 : (c * 7 + r) % 97; });
    }
    // Three images of `rows` x 100 whose value is their column (a left-to-right ramp).
    void LoadThreeRamps(int rows)
    {
        const testfiles::SyntheticImage ramp = testfiles::MakeGrey(rows, 100, 8, [](int, int c) { return c; });
        Load({Write(ramp, "a.dcm"), Write(ramp, "b.dcm"), Write(ramp, "c.dcm")});
    }
    CSurface* Repaint()
    {
        view->Invalidate(FALSE);
        view->UpdateWindow();
        return view->GetSurfaceForTest();
    }
    const CBaseImageData& Display(int i) const { return *view->m_listDisplay.GetAt(i); }

    CStepParent frame;
    CViewStitchDicom* view = nullptr;
};

}  // namespace workspacetest
