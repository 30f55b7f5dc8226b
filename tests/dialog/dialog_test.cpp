// The stitch dialog driven through its entry calls: whole modal runs scripted step by
// step at idle (each step runs once the queue is dry), with a watchdog around each run.
#include "app/SampleStudy.h"
#include "caption/Caption.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/TestFiles.h"

#include "config/CDisplayConfig.h"
#include "dialog/CDlgStitchDicom.h"
#include "imaging/LDicomDS.h"
#include "output/OutputSettings.h"
#include "platform/CmdUI.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/Surface.h"
#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "resources/ResourceIds.h"
#include "workspace/CViewStitchDicom.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

void PrintTo(const CRect& rc, std::ostream* os) { *os << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")"; }
void PrintTo(const CPoint& pt, std::ostream* os) { *os << "(" << pt.x << ", " << pt.y << ")"; }
void PrintTo(const CString& text, std::ostream* os) { *os << '"' << text.str() << '"'; }

namespace {

constexpr UINT_PTR kWatchdogTimer = 77;
constexpr int kWatchdogResult = -99;
constexpr UINT kNextStep = WM_USER + 77;

// A dialog whose run follows a script: one step per idle turn, then the watchdog.
class CScriptedDlg : public CDlgStitchDicom {
public:
    using Step = std::function<void(CScriptedDlg&)>;
    std::vector<Step> m_steps;
    size_t m_nNextStep = 0;
    bool m_bTimedOut = false;
    CRect m_rcAtFirstIdle;

    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = CDlgStitchDicom::OnKickIdle(wParam, lParam);
        if (m_nNextStep == 0)
            GetWindowRect(&m_rcAtFirstIdle);
        if (m_nNextStep < m_steps.size()) {
            const Step step = m_steps[m_nNextStep++];
            step(*this);
            if (IsWindow(m_hWnd))
                PostMessage(kNextStep);  // another idle turn for the next step
        }
        return result;
    }
    BOOL OnInitDialog() override
    {
        ::SetTimer(m_hWnd, kWatchdogTimer, 20000, &Watchdog);
        return CDlgStitchDicom::OnInitDialog();
    }
    CViewStitchDicom& View() { return *m_pView; }
    UINT ButtonStyle(UINT nID) { return m_wndToolBar.GetButtonStyle(m_wndToolBar.CommandToIndex(nID)); }
    bool Enabled(UINT nID) { return (ButtonStyle(nID) & TBBS_DISABLED) == 0; }
    bool Checked(UINT nID) { return (ButtonStyle(nID) & TBBS_CHECKED) != 0; }
    CString EditText()
    {
        CString text;
        m_cbPixel.GetWindowText(text);
        return text;
    }

private:
    static void Watchdog(HWND hwnd, UINT, UINT_PTR, DWORD)
    {
        if (auto* dlg = dynamic_cast<CScriptedDlg*>(CWnd::FromHandlePermanent(hwnd))) {
            dlg->m_bTimedOut = true;
            dlg->EndDialog(kWatchdogResult);
        }
    }
};

void Close(CScriptedDlg& dlg) { dlg.PostMessage(WM_COMMAND, IDCANCEL); }

class DialogRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testfiles::FreshDir(std::string("dialog_") +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        setenv("TESSOR_PROFILE_DIR", m_dir.c_str(), 1);
        m_app = std::make_unique<CWinApp>("dialog_test");
        SetMessageBoxSinkForTest([this](const char* text, UINT) {
            m_messages.push_back(text);
            return IDOK;
        });
        SetKeyStateForTest(VK_CONTROL, FALSE);
    }
    void TearDown() override
    {
        SetMessageBoxSinkForTest(nullptr);
        SetKeyStateForTest(VK_CONTROL, FALSE);
        m_app.reset();
        unsetenv("TESSOR_PROFILE_DIR");
    }

    // Small 16-bit images, 120 rows by 100 columns each.
    std::vector<std::string> Images(int count = 3)
    {
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            const fs::path path = m_dir / ("image-" + std::to_string(i) + ".dcm");
            EXPECT_EQ(testfiles::WriteSynthetic(
                          testfiles::MakeGrey(120, 100, 16, [i](int r, int c) { return (r * 3 + c + i * 50) % 4000; }),
                          path),
                      "");
            files.push_back(path.string());
        }
        return files;
    }
    int RunFiles(CScriptedDlg& dlg, const std::vector<std::string>& paths, CRect rcHost = CRect())
    {
        CStringArray files;
        for (const std::string& path : paths)
            files.Add(path.c_str());
        const std::string out = (m_dir / "out.dcm").string();
        return dlg.StitchDicom(files, out.c_str(), "1.2.3.4", "Maker", "Model", 7, rcHost);
    }
    void StorePlacement(const std::vector<std::int32_t>& values, UINT nBytes = 16)
    {
        std::vector<BYTE> bytes(std::max<size_t>(nBytes, values.size() * 4), 0);
        std::memcpy(bytes.data(), values.data(), values.size() * 4);
        ASSERT_TRUE(m_app->WriteProfileBinary("DIALOG", "POS", bytes.data(), nBytes));
    }
    std::string ProfileText(const char* name)
    {
        CString value;
        ReadPrivateProfileValue("PIXEL_SELECT", name, value, "tessor.ini");
        return value.str();
    }

    fs::path m_dir;
    std::unique_ptr<CWinApp> m_app;
    std::vector<std::string> m_messages;
};

std::string ElementText(const fs::path& file, DWORD tag)
{
    LDicomDS ds;
    if (ds.LoadDS(file.c_str(), 0) != 0)
        return "<unreadable>";
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, tag, FALSE);
    const char* value = element != nullptr ? ds.GetStringValue(element, 0, 1) : nullptr;
    return value != nullptr ? value : "<missing>";
}

// A step pressing Ctrl+key in the view, as the window system delivers it; Ctrl stays down
// until a later step releases it.
CScriptedDlg::Step CtrlKey(int key)
{
    return [key](CScriptedDlg& d) {
        d.View().SetFocus();
        SetKeyStateForTest(VK_CONTROL, TRUE);
        SimulateKeyForTest(key, TRUE, MK_CONTROL);
        SimulateKeyForTest(key, FALSE, MK_CONTROL);
    };
}

}  // namespace

TEST_F(DialogRun, OutcomesOfARun)
{
    {  // a file that cannot be read: the run is cancelled with the loading failure
        CScriptedDlg dlg;
        EXPECT_EQ(RunFiles(dlg, {(m_dir / "missing.dcm").string()}), 0);
        EXPECT_EQ(dlg.m_strError, CString("Fail to load dicom files"));
        EXPECT_FALSE(dlg.m_bTimedOut);
    }
    {  // Close
        CScriptedDlg dlg;
        dlg.m_steps = {Close};
        EXPECT_EQ(RunFiles(dlg, Images()), 0);
        EXPECT_TRUE(dlg.m_strError.IsEmpty());
        EXPECT_FALSE(fs::exists(m_dir / "out.dcm"));
    }
    {  // Save
        CScriptedDlg dlg;
        dlg.m_steps = {[](CScriptedDlg& d) { d.PostMessage(WM_COMMAND, ID_SAVE); }};
        const std::vector<std::string> images = Images();
        EXPECT_EQ(RunFiles(dlg, images), 1);
        EXPECT_FALSE(dlg.m_bTimedOut);
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(m_dir / "out.dcm", images[0]));
        EXPECT_EQ(dlg.m_pView, nullptr);  // gone with its window; handlers called later do nothing
        dlg.OnReset();
        dlg.OnSave();
    }
}

TEST_F(DialogRun, EnterDoesNotEndTheDialog)
{
    CScriptedDlg dlg;
    bool bStillOpen = false;
    dlg.m_steps = {[](CScriptedDlg& d) {
                       d.View().SetFocus();
                       SimulateKeyForTest(VK_RETURN, TRUE);
                       SimulateKeyForTest(VK_RETURN, FALSE);
                   },
                   [](CScriptedDlg& d) {
                       CWnd* pEdit = d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT);
                       pEdit->SetFocus();
                       pEdit->PostMessage(WM_KEYDOWN, VK_RETURN, 1);
                       d.PostMessage(WM_COMMAND, IDOK);
                   },
                   [&](CScriptedDlg& d) {
                       bStillOpen = IsWindow(d.m_hWnd) != FALSE;
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(1)), 0);
    EXPECT_TRUE(bStillOpen);
    EXPECT_FALSE(fs::exists(m_dir / "out.dcm"));
}

TEST_F(DialogRun, SourcesFilesWinAndEmptyOpensAnEmptyWorkspace)
{
    {  // neither files nor bitmaps
        CScriptedDlg dlg;
        int nImages = -1;
        dlg.m_steps = {[&](CScriptedDlg& d) {
            nImages = d.View().GetImageCount();
            Close(d);
        }};
        EXPECT_EQ(RunFiles(dlg, {}), 0);
        EXPECT_EQ(nImages, 0);
        EXPECT_TRUE(dlg.m_strError.IsEmpty());
        EXPECT_FALSE(dlg.m_bTimedOut);
    }
    // One object, the bitmap entry first (one bitmap), then the file entry (two files):
    // the files are shown, the bitmaps left aside.
    CScriptedDlg dlg;
    LBitmapList bitmaps;
    LBitmap bitmap;
    const std::vector<std::string> one = Images(1);
    ASSERT_EQ(bitmap.Load(one[0].c_str(), 0, ORDER_BGRORGRAY), SUCCESS);
    bitmaps.InsertItem(bitmap);
    CArray<CPoint, CPoint> windows;
    windows.Add(CPoint(4000, 2000));
    int nBitmapImages = -1, nFileImages = -1;
    BOOL bBitmapSource = FALSE, bFileSource = TRUE;
    dlg.m_steps = {[&](CScriptedDlg& d) {
        nBitmapImages = d.View().GetImageCount();
        bBitmapSource = d.View().Model().IsBitmapSource();
        Close(d);
    }};
    CRect rcHost;
    const std::string out = (m_dir / "out.dcm").string();
    EXPECT_EQ(dlg.StitchDicom(bitmaps, windows, one[0].c_str(), out.c_str(), "", "", "", 1, rcHost), 0);
    dlg.m_nNextStep = 0;
    dlg.m_steps = {[&](CScriptedDlg& d) {
        nFileImages = d.View().GetImageCount();
        bFileSource = d.View().Model().IsBitmapSource();
        Close(d);
    }};
    EXPECT_EQ(RunFiles(dlg, Images(2)), 0);
    EXPECT_EQ(nBitmapImages, 1);
    EXPECT_TRUE(bBitmapSource);
    EXPECT_EQ(nFileImages, 2);
    EXPECT_FALSE(bFileSource);
    EXPECT_TRUE(dlg.m_strRefPath.IsEmpty());  // the file entry's template is the first file
}

TEST_F(DialogRun, TwoEntryCallsInARowUseTheSecondCallsOutputSettings)
{
    CScriptedDlg dlg;
    CStringArray files;
    for (const std::string& path : Images(2))
        files.Add(path.c_str());
    const fs::path first = m_dir / "first.dcm", second = m_dir / "second.dcm";
    CRect rcHost;
    dlg.m_steps = {[](CScriptedDlg& d) { d.PostMessage(WM_COMMAND, ID_SAVE); }};
    EXPECT_EQ(dlg.StitchDicom(files, first.c_str(), "1.2.3.1", "First Maker", "First Model", 11, rcHost), 1);
    dlg.m_nNextStep = 0;
    EXPECT_EQ(dlg.StitchDicom(files, second.c_str(), "1.2.3.2", "Second Maker", "Second Model", 22, rcHost), 1);
    EXPECT_EQ(g_strManufacturer, CString("Second Maker"));
    EXPECT_EQ(g_nInstanceNumber, 22);
    EXPECT_EQ(ElementText(first, 0x00080070), "First Maker");
    EXPECT_EQ(ElementText(second, 0x00080070), "Second Maker");
    EXPECT_EQ(ElementText(second, 0x00081090), "Second Model");
    EXPECT_EQ(ElementText(second, 0x00080018), "1.2.3.2");
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(second, files[0].str()));
}

TEST_F(DialogRun, StoredPlacementIsAppliedOnlyWhenSixteenBytesAndAPlausibleWidth)
{
    struct Case {
        std::vector<std::int32_t> values;
        UINT nBytes;
        CRect rcApplied;  // empty: not applied
    };
    const Case cases[] = {
        {{30, 40, 30 + 199999, 40 + 60}, 16, CRect(30, 40, 30 + 199999, 40 + 60)},  // low: the surfaces stay small
        {{30, 40, 30 + 200000, 40 + 60}, 16, CRect()},
        {{30, 40, 30, 40 + 120}, 16, CRect()},
        {{30, 40, 30 + 800, 40 + 120}, 15, CRect()},
        {{30, 40, 30 + 800, 40 + 120, 0}, 17, CRect()},
        {{30, 40, 30 + 800, 40 + 120}, 16, CRect(30, 40, 830, 160)},
        // Below the minimum tracking size (720 wide): restored at the minimum.
        {{30, 40, 30 + 500, 40 + 120}, 16, CRect(30, 40, 750, 160)},
        {{30, 40, 30 + 719, 40 + 120}, 16, CRect(30, 40, 750, 160)},
    };
    for (const Case& c : cases) {
        StorePlacement(c.values, c.nBytes);
        CScriptedDlg dlg;
        dlg.m_steps = {Close};
        EXPECT_EQ(RunFiles(dlg, {}), 0);
        const CRect& rc = dlg.m_rcAtFirstIdle;
        if (!c.rcApplied.IsRectEmpty())
            EXPECT_EQ(rc, c.rcApplied) << c.values[2] - c.values[0];
        else
            EXPECT_NE(rc.Width(), c.values[2] - c.values[0]) << c.nBytes;
        // Closing stores the window rectangle as 16 bytes.
        BYTE* pData = nullptr;
        UINT nBytes = 0;
        ASSERT_TRUE(m_app->GetProfileBinary("DIALOG", "POS", &pData, &nBytes));
        std::unique_ptr<BYTE[]> data(pData);
        ASSERT_EQ(nBytes, 16u);
        std::int32_t stored[4];
        std::memcpy(stored, data.get(), 16);
        EXPECT_EQ(CRect(stored[0], stored[1], stored[2], stored[3]), rc);
    }
}

TEST_F(DialogRun, HostRectangleCentresTheDialogAndKeepsItsSize)
{
    EXPECT_EQ(CDlgStitchDicom::CenteredOrigin(CRect(0, 0, 1001, 801), 400, 300), CPoint(300, 250));
    EXPECT_EQ(CDlgStitchDicom::CenteredOrigin(CRect(-1001, -801, 0, 0), 401, 301), CPoint(-700, -550));

    StorePlacement({10, 10, 810, 310});
    CScriptedDlg dlg;
    dlg.m_steps = {Close};
    EXPECT_EQ(RunFiles(dlg, {}, CRect(0, 0, 1001, 801)), 0);
    EXPECT_EQ(dlg.m_rcAtFirstIdle, CRect(100, 250, 900, 550));
    EXPECT_EQ(dlg.m_rcHost, CRect(100, 250, 900, 550));

    StorePlacement({10, 10, 810, 310});
    CScriptedDlg flat;  // zero height: empty, no centring
    flat.m_steps = {Close};
    EXPECT_EQ(RunFiles(flat, {}, CRect(-1001, 0, 0, 0)), 0);
    EXPECT_EQ(flat.m_rcAtFirstIdle, CRect(10, 10, 810, 310));
}

TEST_F(DialogRun, LayoutAndMinimumWidth)
{
    CScriptedDlg dlg;
    CRect rcClient, rcBar, rcView, rcLine, rcCombo, rcItem;
    MINMAXINFO mmi{};
    dlg.m_steps = {[&](CScriptedDlg& d) {
        d.GetClientRect(&rcClient);
        d.m_wndToolBar.GetWindowRect(&rcBar);
        d.View().GetWindowRect(&rcView);
        d.GetDlgItem(IDC_BOTTOM_LINE)->GetWindowRect(&rcLine);
        d.m_cbPixel.GetWindowRect(&rcCombo);
        d.m_wndToolBar.GetItemRect(8, &rcItem);  // the combo box: after Auto, Align, Reset, a separator and four Move buttons
        d.m_wndToolBar.ClientToScreen(&rcItem);
        for (CRect* rc : {&rcBar, &rcView, &rcLine})
            d.ScreenToClient(rc);
        d.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        Close(d);
    }};
    EXPECT_EQ(RunFiles(dlg, Images(1)), 0);
    EXPECT_EQ(rcBar, CRect(0, 0, rcClient.right, 23));
    EXPECT_EQ(rcView, CRect(0, 24, rcClient.right, rcClient.bottom - 2));
    EXPECT_EQ(rcLine, CRect(0, rcClient.bottom - 2, rcClient.right, rcClient.bottom));
    EXPECT_EQ(rcCombo, rcItem);
    EXPECT_EQ(mmi.ptMinTrackSize.x, 720);
}

TEST_F(DialogRun, ChoicesOnAFreshSystem)
{
    CScriptedDlg dlg;
    std::vector<CString> choices;
    int nSel = -1;
    CString edit;
    dlg.m_steps = {[&](CScriptedDlg& d) {
        for (int i = 0; i < d.m_cbPixel.GetCount(); ++i) {
            CString text;
            d.m_cbPixel.GetLBText(i, text);
            choices.push_back(text);
        }
        nSel = d.m_cbPixel.GetCurSel();
        edit = d.EditText();
        Close(d);
    }};
    EXPECT_EQ(RunFiles(dlg, {}), 0);
    EXPECT_EQ(choices, (std::vector<CString>{"1", "10", "20", "30", "50", "100", "200"}));
    EXPECT_EQ(nSel, 0);
    EXPECT_EQ(edit, CString("1"));
    EXPECT_EQ(ProfileText("COUNT"), "0");  // written back as read; no ITEM keys
    EXPECT_EQ(ProfileText("ITEM1"), "");
}

TEST_F(DialogRun, StoredChoicesSkipEmptyItemsAndCtrlDigitsChooseThem)
{
    WritePrivateProfileStringA("PIXEL_SELECT", "COUNT", "3", "tessor.ini");
    WritePrivateProfileStringA("PIXEL_SELECT", "ITEM1", "5", "tessor.ini");
    WritePrivateProfileStringA("PIXEL_SELECT", "ITEM3", "40", "tessor.ini");
    CScriptedDlg dlg;
    int nCount = 0;
    std::vector<int> selections;
    auto record = [&](CScriptedDlg& d) {
        SetKeyStateForTest(VK_CONTROL, FALSE);
        selections.push_back(d.m_cbPixel.GetCurSel());
    };
    dlg.m_steps = {[&](CScriptedDlg& d) {
                       nCount = d.m_cbPixel.GetCount();
                       d.m_cbPixel.SetCurSel(0);
                   },
                   CtrlKey('2'), record, CtrlKey('3'), record, CtrlKey('1'), record, Close};
    EXPECT_EQ(RunFiles(dlg, Images(1)), 0);
    EXPECT_EQ(nCount, 2);
    EXPECT_EQ(selections, (std::vector<int>{1, 1, 0}));  // Ctrl+3 has no third choice
    EXPECT_EQ(ProfileText("COUNT"), "3");
}

TEST_F(DialogRun, MovingStepFollowsTheEditFieldAndCtrl)
{
    CScriptedDlg dlg;
    std::vector<int> steps;
    std::vector<LONG> lefts;
    dlg.m_steps = {[&](CScriptedDlg& d) {
                       for (const char* text : {"abc", "0", "-5", "25"}) {
                           d.m_cbPixel.SetWindowText(text);
                           steps.push_back(d.GetMovingPixelCount());
                           SetKeyStateForTest(VK_CONTROL, TRUE);
                           steps.push_back(d.GetMovingPixelCount());
                           SetKeyStateForTest(VK_CONTROL, FALSE);
                       }
                       // Typing 12 into the edit field, whatever item is selected.
                       d.m_cbPixel.SetCurSel(3);
                       d.m_cbPixel.SetWindowText("");
                       d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT)->SetFocus();
                       for (int key : {'1', '2'}) {
                           SimulateKeyForTest(key, TRUE);
                           SimulateKeyForTest(key, FALSE);
                       }
                       d.View().Model().Select(0);
                   },
                   [&](CScriptedDlg& d) {
                       d.SendMessage(WM_COMMAND, ID_MOVE_RIGHT);
                       lefts.push_back(d.View().Model().GetRect(0).left);
                       SetKeyStateForTest(VK_CONTROL, TRUE);
                       d.SendMessage(WM_COMMAND, ID_MOVE_RIGHT);
                       SetKeyStateForTest(VK_CONTROL, FALSE);
                       lefts.push_back(d.View().Model().GetRect(0).left);
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(1)), 0);
    EXPECT_EQ(steps, (std::vector<int>{1, 1, 1, 1, 1, 2, 25, 50}));
    EXPECT_EQ(lefts, (std::vector<LONG>{-12, -36}));
}

TEST_F(DialogRun, ArrowKeysReachTheViewOnceWhereverTheFocusIs)
{
    CScriptedDlg dlg;
    std::vector<LONG> lefts;
    auto press = [](int key, bool bOnCombo) {
        return [key, bOnCombo](CScriptedDlg& d) {
            d.View().Model().Select(0);
            if (bOnCombo) {
                // The combo box's edit field queues the keys typed into it as messages of its own.
                CWnd* pEdit = d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT);
                pEdit->SetFocus();
                pEdit->PostMessage(WM_KEYDOWN, static_cast<WPARAM>(key), 1);
                pEdit->PostMessage(WM_KEYUP, static_cast<WPARAM>(key), 1 | (LPARAM{3} << 30));
                return;
            }
            d.View().SetFocus();
            SimulateKeyForTest(key, TRUE);
            SimulateKeyForTest(key, FALSE);
        };
    };
    auto record = [&](CScriptedDlg& d) { lefts.push_back(d.View().Model().GetRect(0).left); };
    dlg.m_steps = {[](CScriptedDlg& d) { d.m_cbPixel.SetCurSel(1); },  // a step of 10
                   press(VK_RIGHT, true), record, press(VK_RIGHT, false), record, press(VK_LEFT, true), record,
                   Close};
    EXPECT_EQ(RunFiles(dlg, Images(2)), 0);
    EXPECT_EQ(lefts, (std::vector<LONG>{-10, -20, -10}));
}

TEST_F(DialogRun, TheWheelScrollsTheViewWhereverItTurns)
{
    CScriptedDlg dlg;
    LONG nScrolled = -1;
    int nSel = -1;
    dlg.m_steps = {[](CScriptedDlg& d) {
                       d.m_cbPixel.SetFocus();
                       d.m_cbPixel.PostMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-120)) << 16, 0);
                   },
                   [&](CScriptedDlg& d) {
                       nScrolled = d.View().GetScrollPosition().y;
                       nSel = d.m_cbPixel.GetCurSel();
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(3)), 0);
    EXPECT_GT(nScrolled, 0);
    EXPECT_EQ(nSel, 0);  // the combo box did not step its choice
}

TEST_F(DialogRun, ButtonStatesFollowSelectionCropAndRealSizeAtIdle)
{
    CScriptedDlg dlg;
    const UINT selectionCommands[] = {ID_MOVE_UP, ID_MOVE_DOWN, ID_MOVE_LEFT, ID_MOVE_RIGHT, ID_SIZE_INC, ID_SIZE_DEC};
    const UINT alwaysEnabled[] = {ID_AUTO_STITCH, ID_RESET, ID_SAVE, IDCANCEL, ID_CROP_IMAGE, ID_REAL_SIZE};
    auto expectSelectionCommands = [&](CScriptedDlg& d, bool bEnabled) {
        for (UINT id : selectionCommands)
            EXPECT_EQ(d.Enabled(id), bEnabled) << id;
        for (UINT id : alwaysEnabled)
            EXPECT_TRUE(d.Enabled(id)) << id;
    };
    std::vector<std::vector<PopupMenuItem>> menus;
    SetPopupMenuHookForTest([&](const std::vector<PopupMenuItem>& items) {
        menus.push_back(items);
        return 0u;
    });
    auto openMenu = [](CScriptedDlg& d) {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_STITCH_MENU));
        menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, 0, 0, &d);
    };
    dlg.m_steps = {[&](CScriptedDlg& d) {
                       expectSelectionCommands(d, false);
                       EXPECT_FALSE(d.Checked(ID_CROP_IMAGE));
                       EXPECT_FALSE(d.Checked(ID_REAL_SIZE));
                       d.View().Model().Select(0);
                       openMenu(d);
                   },
                   [&](CScriptedDlg& d) {
                       expectSelectionCommands(d, true);
                       d.SendMessage(WM_COMMAND, ID_CROP_IMAGE);
                       d.SendMessage(WM_COMMAND, ID_REAL_SIZE);
                       d.View().Model().Select(2);
                       openMenu(d);
                   },
                   [&](CScriptedDlg& d) {
                       EXPECT_TRUE(d.Checked(ID_CROP_IMAGE));
                       EXPECT_TRUE(d.Checked(ID_REAL_SIZE));
                       d.SendMessage(WM_COMMAND, ID_REAL_SIZE);
                       d.View().Model().Select(3);  // past the last image
                   },
                   [&](CScriptedDlg& d) {
                       expectSelectionCommands(d, false);
                       EXPECT_TRUE(d.Checked(ID_CROP_IMAGE));
                       EXPECT_FALSE(d.Checked(ID_REAL_SIZE));
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(3)), 0);
    SetPopupMenuHookForTest(nullptr);
    ASSERT_EQ(menus.size(), 2u);
    ASSERT_EQ(menus[0].size(), 2u);
    EXPECT_FALSE(menus[0][0].enabled);  // first image: no Move Up Sequence
    EXPECT_TRUE(menus[0][1].enabled);
    EXPECT_TRUE(menus[1][0].enabled);   // last image: no Move Down Sequence
    EXPECT_FALSE(menus[1][1].enabled);
}

TEST_F(DialogRun, ScreenshotsOfTheSampleStudy)
{
    const fs::path study = m_dir / "study";
    ASSERT_EQ(sample::WriteSampleStudy(sample::SampleOptions{}, study), "");
    std::vector<std::string> files;
    for (int i = 1; i <= 3; ++i)
        files.push_back((study / ("piece-" + std::to_string(i) + ".dcm")).string());
    // The icon goes to the window in the default scheme, to the caption painter in custom
    // colour mode, whose caption shows the configured colours.
    struct Seen {
        HICON hWindowIcon = nullptr;
        HICON hCaptionIcon = nullptr;
        COLORREF crCaption = 0;
    };
    auto shoot = [&](const char* name) {
        Seen seen;
        CScriptedDlg dlg;
        dlg.m_steps = {[](CScriptedDlg& d) { d.View().Model().Select(0); },
                       [](CScriptedDlg& d) { d.View().Invalidate(FALSE); },
                       [&](CScriptedDlg& d) {
                           seen.hWindowIcon = d.GetIcon(FALSE);
                           seen.hCaptionIcon = d.m_pCaption != nullptr ? d.m_pCaption->GetIcon() : nullptr;
                           seen.crCaption = d.GetSurfaceForTest()->GetPixel(d.m_rcAtFirstIdle.Width() / 3, 10);
                           EXPECT_TRUE(SaveWindowImageForTest(d.m_hWnd, (testfiles::OutputDir() / name).c_str()));
                           Close(d);
                       }};
        EXPECT_EQ(RunFiles(dlg, files, CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))), 0);
        EXPECT_FALSE(dlg.m_bTimedOut);
        return seen;
    };
    const Seen standard = shoot("dialog-default.png");
    EXPECT_NE(standard.hWindowIcon, nullptr);
    EXPECT_EQ(standard.hCaptionIcon, nullptr);

    WritePrivateProfileStringA("DISPLAY", "CUSTOM_COLOR_MODE", "1", "kvw.cfg");
    WritePrivateProfileStringA("DISPLAY", "COLOR_TAB_SELBACK", "0x00403020", "kvw.cfg");
    WritePrivateProfileStringA("DISPLAY", "COLOR_TAB_BACK", "0x00605040", "kvw.cfg");
    CDisplayConfig().ReloadData();
    const Seen custom = shoot("dialog-custom.png");
    WritePrivateProfileStringA("DISPLAY", "CUSTOM_COLOR_MODE", "0", "kvw.cfg");
    CDisplayConfig().ReloadData();
    EXPECT_EQ(custom.hWindowIcon, nullptr);
    EXPECT_NE(custom.hCaptionIcon, nullptr);
    EXPECT_TRUE(custom.crCaption == 0x403020 || custom.crCaption == 0x605040) << std::hex << custom.crCaption;
}

namespace {

constexpr UINT_PTR kAnswerTimer = 78;
constexpr UINT_PTR kBoxWatchdogTimer = 79;
constexpr COLORREF kActiveCaption = 0x403020;    // COLOR_TAB_SELBACK below
constexpr COLORREF kInactiveCaption = 0x605040;  // COLOR_TAB_BACK below

// What a real message box looked like while it was up, and how it was answered.
struct BoxSeen {
    int key = 0;                // 0: a click on OK
    ModalWindowState box;
    BOOL bDialogEnabled = TRUE;
    COLORREF crCaption = 0;
    bool bTimedOut = false;
};
BoxSeen* g_pSeen = nullptr;

COLORREF CaptionPixel(HWND hwnd)
{
    CRect rc;
    ::GetWindowRect(hwnd, &rc);
    return CWnd::FromHandle(hwnd)->GetSurfaceForTest()->GetPixel(rc.Width() / 3, 10);
}

void AnswerBox(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(hwnd, id);
    g_pSeen->box = GetModalWindowForTest();
    g_pSeen->bDialogEnabled = ::IsWindowEnabled(hwnd);
    g_pSeen->crCaption = CaptionPixel(hwnd);
    if (g_pSeen->key == 0)  // the box over the dialog, for a person to look at
        SaveScreenImageForTest((testfiles::OutputDir() / "message-box-over-dialog.png").c_str());
    if (g_pSeen->key != 0)
        SendQtKeyForTest(g_pSeen->key);
    else
        ClickModalButtonForTest("OK");
}

void BoxWatchdog(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(hwnd, id);
    if (EndModalWindowForTest())
        g_pSeen->bTimedOut = true;
}

// Custom colour mode with the caption colours above, for one test.
class CustomCaption {
public:
    CustomCaption()
    {
        WritePrivateProfileStringA("DISPLAY", "CUSTOM_COLOR_MODE", "1", "kvw.cfg");
        WritePrivateProfileStringA("DISPLAY", "COLOR_TAB_SELBACK", "0x00403020", "kvw.cfg");
        WritePrivateProfileStringA("DISPLAY", "COLOR_TAB_BACK", "0x00605040", "kvw.cfg");
        CDisplayConfig().ReloadData();
    }
    ~CustomCaption()
    {
        WritePrivateProfileStringA("DISPLAY", "CUSTOM_COLOR_MODE", "0", "kvw.cfg");
        CDisplayConfig().ReloadData();
    }
    CustomCaption(const CustomCaption&) = delete;
    CustomCaption& operator=(const CustomCaption&) = delete;
};

}  // namespace

// A failed save's real message box (no sink), over the running dialog: enabled, focused,
// answered by each key and by a click; the dialog is disabled and shows an inactive
// caption meanwhile, and the save goes on once the box is answered.
TEST_F(DialogRun, RealMessageBoxOfASaveIsAnsweredByKeyAndClick)
{
    CustomCaption custom;
    for (const int key : {VK_RETURN, VK_ESCAPE, VK_SPACE, 0}) {
        SCOPED_TRACE(key);
        const std::vector<std::string> images = Images(2);
        BoxSeen seen;
        seen.key = key;
        g_pSeen = &seen;
        COLORREF crBefore = 0;
        CScriptedDlg dlg;
        dlg.m_steps = {[&](CScriptedDlg& d) {
            crBefore = CaptionPixel(d.m_hWnd);
            fs::remove(images[1]);  // its item cannot be read again: "Fail to stitching image: 1"
            SetMessageBoxSinkForTest(nullptr);
            ::SetTimer(d.m_hWnd, kAnswerTimer, 1, &AnswerBox);
            ::SetTimer(d.m_hWnd, kBoxWatchdogTimer, 3000, &BoxWatchdog);
            d.PostMessage(WM_COMMAND, ID_SAVE);
        }};
        const int result = RunFiles(dlg, images);
        g_pSeen = nullptr;
        EXPECT_EQ(result, 1);  // the other image was written
        EXPECT_FALSE(seen.bTimedOut);
        EXPECT_TRUE(seen.box.bShown);
        EXPECT_TRUE(seen.box.bEnabled);
        EXPECT_TRUE(seen.box.bHasFocus);
        EXPECT_EQ(seen.box.strText, "Fail to stitching image: 1");
        EXPECT_FALSE(seen.bDialogEnabled);
        EXPECT_EQ(crBefore, kActiveCaption);
        EXPECT_EQ(seen.crCaption, kInactiveCaption);
        EXPECT_FALSE(dlg.m_bTimedOut);
    }
}

// Keys typed while the step box has Qt's focus are real Qt key events to the combo box:
// each reaches the view first, the arrows move the image by the step, the step stays, and
// digits still edit the field.
TEST_F(DialogRun, KeysInTheStepBoxReachTheViewAndLeaveTheStep)
{
    struct Case {
        int key;
        CRect rcAdjust;  // image 0's adjustment afterwards
    };
    const Case cases[] = {
        {VK_RIGHT, CRect(-10, 0, 100, 120)}, {VK_UP, CRect(-10, 10, 100, 120)}, {VK_DOWN, CRect(-10, 0, 100, 120)},
        {VK_LEFT, CRect(0, 0, 100, 120)},    {VK_UP, CRect(0, 10, 100, 120)},
    };
    CScriptedDlg dlg;
    std::vector<HWND> focus;
    std::vector<CRect> adjust;
    std::vector<CString> steps;
    HWND hEdit = nullptr;
    std::vector<CScriptedDlg::Step> script = {[&](CScriptedDlg& d) {
        d.m_cbPixel.SetCurSel(1);  // a step of 10
        d.View().Model().Select(0);
        hEdit = d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT)->m_hWnd;
    }};
    for (const Case& c : cases) {
        script.push_back([&, key = c.key](CScriptedDlg&) {
            ::SetFocus(hEdit);
            focus.push_back(GetQtFocusWindowForTest());
            EXPECT_TRUE(SendQtKeyForTest(key));
        });
        script.push_back([&](CScriptedDlg& d) {
            adjust.push_back(d.View().Model().GetRect(0));
            steps.push_back(d.EditText());
        });
    }
    CString typed;
    int nTypedStep = 0;
    script.push_back([&](CScriptedDlg& d) {
        ::SetFocus(hEdit);
        d.m_cbPixel.SetWindowText("");
        SendQtKeyForTest('2');
        SendQtKeyForTest('5');
    });
    script.push_back([&](CScriptedDlg& d) {
        typed = d.EditText();
        nTypedStep = d.GetMovingPixelCount();
        Close(d);
    });
    dlg.m_steps = script;
    EXPECT_EQ(RunFiles(dlg, Images(2)), 0);
    ASSERT_EQ(adjust.size(), std::size(cases));
    for (size_t i = 0; i < adjust.size(); ++i) {
        EXPECT_EQ(focus[i], hEdit) << i;  // the key went to the field, not to the view
        EXPECT_EQ(adjust[i], cases[i].rcAdjust) << i;
        EXPECT_EQ(steps[i], CString("10")) << i;
    }
    EXPECT_EQ(typed, CString("25"));
    EXPECT_EQ(nTypedStep, 25);
}

// Tab and Shift+Tab as real Qt key events, from the view and from the step box: the
// selection steps with wrap-around (Qt would otherwise move its own focus with them).
TEST_F(DialogRun, TabAndShiftTabStepTheSelectionFromAnyFocus)
{
    struct Case {
        bool bInStepBox;
        int nStart;
        WPARAM modifiers;
        int nExpected;
    };
    const Case cases[] = {
        {false, -1, 0, 0}, {false, 0, 0, 1}, {false, 2, 0, 0}, {false, 0, MK_SHIFT, 2},
        {false, -1, MK_SHIFT, 2}, {true, 1, 0, 2}, {true, 0, MK_SHIFT, 2},
    };
    CScriptedDlg dlg;
    std::vector<int> selections;
    // The first idle turn comes before the window system has activated the dialog.
    std::vector<CScriptedDlg::Step> script = {[](CScriptedDlg&) {}};
    for (const Case& c : cases) {
        script.push_back([&, c](CScriptedDlg& d) {
            d.View().Model().Select(c.nStart);
            if (c.bInStepBox)
                d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT)->SetFocus();
            else
                d.View().SetFocus();
            EXPECT_TRUE(SendQtKeyForTest(VK_TAB, c.modifiers));
        });
        script.push_back([&](CScriptedDlg& d) { selections.push_back(d.View().Model().GetSelected()); });
    }
    script.push_back(Close);
    dlg.m_steps = script;
    EXPECT_EQ(RunFiles(dlg, Images(3)), 0);
    ASSERT_EQ(selections.size(), std::size(cases));
    for (size_t i = 0; i < selections.size(); ++i)
        EXPECT_EQ(selections[i], cases[i].nExpected) << i;
}

// The caption follows the real activation: another window taking it over shows the
// inactive colour (the back of m_tab), coming back the active one. The window system's
// title is the caption text.
TEST_F(DialogRun, CaptionShowsInactiveWhenAnotherWindowIsActiveAndTitleIsTheCaption)
{
    CustomCaption custom;
    CScriptedDlg dlg;
    std::vector<COLORREF> colours;
    std::string title;
    dlg.m_steps = {[&](CScriptedDlg& d) {
                       colours.push_back(CaptionPixel(d.m_hWnd));
                       title = GetWindowSystemTitleForTest(d.m_hWnd);
                       ShowForeignWindowForTest(TRUE);
                   },
                   [&](CScriptedDlg& d) {
                       colours.push_back(CaptionPixel(d.m_hWnd));
                       ShowForeignWindowForTest(FALSE);
                       d.SetActiveWindow();
                   },
                   [&](CScriptedDlg& d) {
                       colours.push_back(CaptionPixel(d.m_hWnd));
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(1)), 0);
    EXPECT_EQ(colours, (std::vector<COLORREF>{kActiveCaption, kInactiveCaption, kActiveCaption}));
    EXPECT_EQ(title, "Stitch Images");
}

// A run whose sources fail to load never showed a usable dialog: it stores no placement.
TEST_F(DialogRun, AFailedLoadStoresNoPlacement)
{
    CScriptedDlg dlg;
    EXPECT_EQ(RunFiles(dlg, {(m_dir / "missing.dcm").string()}), 0);
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    m_app->GetProfileBinary("DIALOG", "POS", &pData, &nBytes);
    std::unique_ptr<BYTE[]> data(pData);
    EXPECT_EQ(nBytes, 0u);
}

TEST_F(DialogRun, AlignMarksJunctionsAndUndoRedoByKeys)
{
    // Random overlaps with a featureless third junction: marks of both kinds.
    sample::SampleOptions options;
    options.rows = 900;
    options.columns = 640;
    options.pieces = 4;
    options.randomOverlaps = true;
    options.maxShift = 20;
    options.seed = 7;
    options.featureless = 3;
    const fs::path study = m_dir / "align";
    ASSERT_EQ(sample::WriteSampleStudy(options, study), "");
    std::vector<std::string> files;
    for (int i = 1; i <= options.pieces; ++i)
        files.push_back((study / ("piece-" + std::to_string(i) + ".dcm")).string());
    CScriptedDlg dlg;
    std::vector<CRect> whole, aligned, undone, redone;
    std::string status;
    std::string tip;
    auto rects = [](CScriptedDlg& d) {
        std::vector<CRect> out;
        for (int i = 0; i < d.View().GetImageCount(); ++i)
            out.push_back(d.View().Model().GetRect(i));
        return out;
    };
    dlg.m_steps = {[&](CScriptedDlg& d) {
                       whole = rects(d);
                       tip = d.m_wndToolBar.GetButtonTip(1);
                   },
                   CtrlKey('L'),
                   [&](CScriptedDlg& d) {
                       SetKeyStateForTest(VK_CONTROL, FALSE);
                       aligned = rects(d);
                       status = d.View().Model().AlignStatus();
                       // The first junction's mark in sight.
                       if (const CBaseImageData* second = d.View().m_listDisplay.GetAt(1))
                           d.View().ScrollToPosition(CPoint(0, std::max(0, second->m_nDstY - 250)));
                       d.View().Invalidate(FALSE);
                   },
                   [&](CScriptedDlg& d) {
                       EXPECT_TRUE(SaveWindowImageForTest(d.m_hWnd, (testfiles::OutputDir() / "dialog-aligned.png").c_str()));
                   },
                   CtrlKey('Z'),
                   [&](CScriptedDlg& d) {
                       SetKeyStateForTest(VK_CONTROL, FALSE);
                       undone = rects(d);
                   },
                   CtrlKey('Y'),
                   [&](CScriptedDlg& d) {
                       SetKeyStateForTest(VK_CONTROL, FALSE);
                       redone = rects(d);
                       Close(d);
                   }};
    EXPECT_EQ(RunFiles(dlg, files, CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))), 0);
    EXPECT_FALSE(dlg.m_bTimedOut);
    EXPECT_EQ(tip, "Align overlapping images (Ctrl+L); Ctrl+Z undoes, Ctrl+Y redoes");
    // The sample's ribs repeat exactly, so the chest junction has a rival one rib away.
    EXPECT_EQ(status, "1 of 3 junctions aligned; junction 1: ambiguous overlap, left as trimmed; "
                      "junction 3: overlap too small, left as trimmed");
    EXPECT_NE(aligned, whole);
    EXPECT_EQ(undone, whole);
    EXPECT_EQ(redone, aligned);
}

// A whole run from the keyboard alone, as real Qt keys to whichever child has the focus:
// Tab selects the first image, Right shifts it by the step, Alt+S saves and ends the run.
TEST_F(DialogRun, KeyboardAloneSelectsMovesAndSaves)
{
    CScriptedDlg dlg;
    CRect rcMoved;
    dlg.m_steps = {[](CScriptedDlg&) {},
                   [](CScriptedDlg& d) {
                       d.m_cbPixel.GetDlgItem(IDC_COMBO_EDIT)->SetFocus();
                       EXPECT_TRUE(SendQtKeyForTest(VK_TAB));
                   },
                   [](CScriptedDlg&) { EXPECT_TRUE(SendQtKeyForTest(VK_RIGHT)); },
                   [&](CScriptedDlg& d) {
                       rcMoved = d.View().Model().GetRect(0);
                       EXPECT_TRUE(SendQtKeyForTest('S', MK_ALT));
                   }};
    EXPECT_EQ(RunFiles(dlg, Images(2)), 1);
    EXPECT_FALSE(dlg.m_bTimedOut);
    EXPECT_EQ(rcMoved, CRect(-1, 0, 100, 120));  // the first step, 1 pixel, to the right
    EXPECT_TRUE(fs::exists(m_dir / "out.dcm"));
}
