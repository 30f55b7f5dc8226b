// tessor gui: opens "Stitch Images" the way a workstation does, through one of the
// module's entry calls, centred on the screen. Built as the program's window module
// (GuiModule.h), which only this command loads.
#include "app/Commands.h"
#include "app/GuiModule.h"
#include "app/SourceOptions.h"

#include "dialog/CDlgStitchDicom.h"
#include "platform/Application.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "resources/ResourceIds.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace app {
namespace {

// The host application's name: its profile (the dialog's placement, the file dialog's
// folder) is tessor-host.ini,
// apart from the module's own tessor.ini.
constexpr const char* kHostName = "tessor-host";

// Test hook: TESSOR_GUI_TEST_ACTION=save|close makes the dialog do that once it is idle,
// and message boxes are written to stderr instead of waiting for a click.
const char* TestAction() { return std::getenv("TESSOR_GUI_TEST_ACTION"); }

class CHostedDlg : public CDlgStitchDicom {
public:
    explicit CHostedDlg(bool align) : m_bAlign(align) {}
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = CDlgStitchDicom::OnKickIdle(wParam, lParam);
        if (!m_bActed) {
            m_bActed = true;
            // --align: the first thing the dialog does, before any test action.
            if (m_bAlign)
                PostMessage(WM_COMMAND, ID_ALIGN);
            const char* action = TestAction();
            if (action != nullptr && std::strcmp(action, "save") == 0)
                PostMessage(WM_COMMAND, ID_SAVE);
            else if (action != nullptr && std::strcmp(action, "close") == 0)
                PostMessage(WM_COMMAND, IDCANCEL);
        }
        return result;
    }

private:
    bool m_bAlign;
    bool m_bActed = false;
};

// Where the file dialog opens: the folder chosen last time, in the host's profile.
constexpr const char* kOpenSection = "OPEN";
constexpr const char* kOpenFolder = "FOLDER";

// Test hook: TESSOR_GUI_TEST_OPEN drives the file dialog of a run without files: "cancel"
// clicks Cancel, "folder:NAME" types NAME (Enter enters the folder) and clicks Choose
// Folder, anything else is typed, each part between '|' followed by Enter.
void DriveFileDialogForTest()
{
    const char* open = std::getenv("TESSOR_GUI_TEST_OPEN");
    if (open == nullptr)
        return;
    SetFileDialogDriverForTest([text = std::string(open)] {
        if (text == "cancel") {
            ClickFileDialogButtonForTest("Cancel");
        } else if (text.rfind("folder:", 0) == 0) {
            TypeIntoFileDialogForTest(text.substr(7).c_str());
            ClickFileDialogButtonForTest("Choose Folder");
        } else {
            for (size_t start = 0; start <= text.size();) {
                const size_t end = std::min(text.find('|', start), text.size());
                TypeIntoFileDialogForTest(text.substr(start, end - start).c_str());
                start = end + 1;
            }
        }
    });
}

// Without files on the command line: several files, or a folder, chosen in the file
// dialog. False when it was cancelled. The folder it ends in is remembered on success.
bool ChooseSources(std::vector<std::string>& files)
{
    CWinApp& host = *AfxGetApp();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       "All files|*|DICOM files|*.dcm||");
    dialog.m_bPickFolderToo = TRUE;
    dialog.m_ofn.lpstrTitle = "Choose the Images to Stitch";
    dialog.m_ofn.lpstrInitialDir = host.GetProfileString(kOpenSection, kOpenFolder, "");
    DriveFileDialogForTest();
    if (dialog.DoModal() != IDOK)
        return false;
    host.WriteProfileString(kOpenSection, kOpenFolder, dialog.GetFolderPath());
    for (POSITION pos = dialog.GetStartPosition(); pos != nullptr;)
        files.push_back(dialog.GetNextPathName(pos).str());
    return !files.empty();
}

bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0')
        return true;  // chosen explicitly (offscreen included, for tests)
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int RunDialog(CDlgStitchDicom& dlg, const SourceOptions& o, std::string& reason)
{
    CRect rcHost(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (!o.bitmaps) {
        CStringArray files;
        for (const std::string& file : o.files)
            files.Add(file.c_str());
        return dlg.StitchDicom(files, o.out.c_str(), o.uid.c_str(), o.manufacturer.c_str(), o.model.c_str(),
                               o.instance, rcHost);
    }
    LBitmapList bitmaps;
    CArray<CPoint, CPoint> windows;
    if (!LoadBitmapSources(o, bitmaps, windows, reason))
        return -1;
    return dlg.StitchDicom(bitmaps, windows, BitmapReference(o).c_str(), o.out.c_str(), o.uid.c_str(),
                           o.manufacturer.c_str(), o.model.c_str(), o.instance, rcHost);
}

}  // namespace

int RunGuiModule(const GuiOptions& given)
{
    GuiOptions o = given;
    const bool choose = o.files.empty();
    if (std::string reason; !choose && !ResolveStudyInput(o.files, o.series, false, reason))
        return Fail(reason);
    if (!HasDisplay())
        return Fail("no display: set DISPLAY or WAYLAND_DISPLAY (or use tessor stitch)");
    int argc = 1;
    char name[] = "tessor";
    char* argv[] = {name, nullptr};
    InitGuiApplication(argc, argv);
    CWinApp host(kHostName);
    if (TestAction() != nullptr)
        SetMessageBoxSinkForTest([](const char* text, UINT) {
            std::fprintf(stderr, "tessor: %s\n", text);
            return IDOK;
        });

    if (choose) {
        if (!ChooseSources(o.files))
            return Fail("no files chosen");
        if (o.out.empty())
            o.out = DefaultGuiOutput(o.files[0]);
        if (std::string reason; !ResolveStudyInput(o.files, o.series, false, reason))
            return Fail(reason);
    }

    CHostedDlg dlg(o.align);
    std::string reason;
    const int result = RunDialog(dlg, o, reason);
    if (result < 0)
        return Fail(reason);
    if (result == 1) {
        std::printf("saved %s\n", o.out.c_str());
        return 0;
    }
    if (!dlg.m_strError.IsEmpty())
        return Fail(dlg.m_strError.str());
    return Fail("closed without saving");
}

}  // namespace app

extern "C" TESSOR_GUI_ENTRY int tessor_run_gui(const app::GuiOptions* options)
{
    return app::RunGuiModule(*options);
}
