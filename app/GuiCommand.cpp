// tessor gui: opens "Stitch Images" the way a workstation does, through one of the
// module's entry calls, centred on the screen.
#include "app/Commands.h"
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
#include <filesystem>
#include <string>

namespace app {
namespace {

constexpr const char* kUsage =
    "usage: tessor gui [options] FILE...\n"
    "Opens \"Stitch Images\" on the files, in the order given, centred on the screen.\n\n"
    "  -o, --out FILE        where Save writes the stitched DICOM file\n"
    "                        (default: stitched.dcm beside the first file; an existing file is replaced)\n"
    "  --bitmaps             hand the files over as decoded bitmaps instead of paths\n"
    "  --reference FILE      template data set with --bitmaps (default: the first file)\n"
    "  --window I:W,C        window width and centre of bitmap I (with --bitmaps); repeatable\n"
    "  --uid UID  --manufacturer TEXT  --model TEXT  --instance N   output settings\n\n"
    "The dialog's placement is kept in tessor-host.ini, its moving steps in tessor.ini\n"
    "($TESSOR_PROFILE_DIR, else ~/.config/tessor).\n"
    "Exit status: 0 saved (the path is printed), 1 closed without saving or failed.\n";

// The host application's name: its profile (the dialog's placement) is tessor-host.ini,
// apart from the module's own tessor.ini.
constexpr const char* kHostName = "tessor-host";

// Test hook: TESSOR_GUI_TEST_ACTION=save|close makes the dialog do that once it is idle,
// and message boxes are written to stderr instead of waiting for a click.
const char* TestAction() { return std::getenv("TESSOR_GUI_TEST_ACTION"); }

class CHostedDlg : public CDlgStitchDicom {
public:
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = CDlgStitchDicom::OnKickIdle(wParam, lParam);
        if (!m_bActed) {
            m_bActed = true;
            const char* action = TestAction();
            if (action != nullptr && std::strcmp(action, "save") == 0)
                PostMessage(WM_COMMAND, ID_SAVE);
            else if (action != nullptr && std::strcmp(action, "close") == 0)
                PostMessage(WM_COMMAND, IDCANCEL);
        }
        return result;
    }

private:
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

std::optional<std::string> ParseOptions(const Arguments& args, SourceOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (const auto shared = TakeSourceOption(args, i, o)) {
            if (!shared->empty())
                return shared;
            continue;
        }
        if (!args[i].empty() && args[i][0] == '-')
            return "unknown option '" + args[i] + "' (see tessor gui --help)";
        o.files.push_back(args[i]);
    }
    if (o.files.empty())
        return "no input files";
    if (o.out.empty())
        o.out = (std::filesystem::path(o.files[0]).parent_path() / "stitched.dcm").string();
    return std::nullopt;
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

int RunGui(const Arguments& args)
{
    if (!args.empty() && IsHelp(args[0])) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    SourceOptions o;
    if (const auto error = ParseOptions(args, o))
        return Fail(*error);
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

    CHostedDlg dlg;
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
