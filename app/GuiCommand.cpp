// tessor gui: opens "Stitch Images" the way a workstation does, through one of the
// module's entry calls, centred on the screen. Built as the program's window module
// (GuiModule.h), which only this command loads.
#include "app/Commands.h"
#include "app/GuiModule.h"
#include "app/SourceOptions.h"

#include "dialog/CDlgStitchDicom.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "resources/ResourceIds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace app {
namespace {

// The host application's name: its profile (the dialog's placement) is tessor-host.ini,
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
    if (std::string reason; !ResolveStudyInput(o.files, o.series, false, reason))
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
