// tessor gui run as a process, offscreen, with its test hooks choosing Save or Close and
// driving the file dialog of a run without files.
#include "tests/support/DicomFactory.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

using testfiles::ProcessRun;
using testfiles::Quote;

ProcessRun Tessor(const std::string& environment, const std::string& arguments)
{
    return testfiles::RunShell(environment + " " + TESSOR_APP_PATH + " " + arguments);
}

fs::path Image(const fs::path& dir, const std::string& name)
{
    const fs::path path = dir / name;
    EXPECT_EQ(testfiles::WriteSynthetic(testfiles::MakeGrey(60, 40, 16, [](int r, int c) { return (r * 7 + c) % 900; }), path),
              "");
    return path;
}

std::string Offscreen(const fs::path& dir, const char* action)
{
    return "env QT_QPA_PLATFORM=offscreen TESSOR_PROFILE_DIR=" + Quote(dir) + " TESSOR_GUI_TEST_ACTION=" + action;
}

}  // namespace

TEST(GuiCommand, HelpAndNoDisplay)
{
    const ProcessRun help = Tessor("", "gui --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: tessor gui"), std::string::npos) << help.output;

    const fs::path dir = testfiles::FreshDir("gui_nodisplay");
    const ProcessRun headless = Tessor("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "gui " + Quote(Image(dir, "a.dcm")));
    EXPECT_EQ(headless.status, 1);
    EXPECT_NE(headless.output.find("no display"), std::string::npos) << headless.output;
}

TEST(GuiCommand, SaveExitsZeroAndSaysWhereCloseExitsOne)
{
    const fs::path dir = testfiles::FreshDir("gui_runs");
    const fs::path a = Image(dir, "a.dcm"), b = Image(dir, "b.dcm");

    const ProcessRun closed = Tessor(Offscreen(dir, "close"), "gui " + Quote(a) + " " + Quote(b));
    EXPECT_EQ(closed.status, 1) << closed.output;
    EXPECT_NE(closed.output.find("closed without saving"), std::string::npos) << closed.output;
    EXPECT_FALSE(fs::exists(dir / "stitched.dcm"));

    const ProcessRun saved = Tessor(Offscreen(dir, "save"), "gui " + Quote(a) + " " + Quote(b));
    EXPECT_EQ(saved.status, 0) << saved.output;
    EXPECT_NE(saved.output.find("saved " + (dir / "stitched.dcm").string()), std::string::npos) << saved.output;
    EXPECT_TRUE(fs::exists(dir / "stitched.dcm"));

    const fs::path out = dir / "from-bitmaps.dcm";
    const ProcessRun bitmaps = Tessor(Offscreen(dir, "save"), "gui --bitmaps --window 0:900,450 -o " + Quote(out) + " " +
                                                                    Quote(a) + " " + Quote(b));
    EXPECT_EQ(bitmaps.status, 0) << bitmaps.output;
    EXPECT_TRUE(fs::exists(out));

    const ProcessRun missing = Tessor(Offscreen(dir, "save"), "gui " + Quote(dir / "missing.dcm"));
    EXPECT_EQ(missing.status, 1) << missing.output;
    EXPECT_NE(missing.output.find("Fail to load dicom files"), std::string::npos) << missing.output;
}

// The dialog lives in the window module beside the program: a program without it says so
// on one line and fails, and never opens a window or writes anything.
TEST(GuiCommand, AMissingWindowModuleIsAFailureNamingIt)
{
    const fs::path dir = testfiles::FreshDir("gui_no_module");
    const fs::path program = dir / "tessor";
    fs::copy_file(TESSOR_APP_PATH, program);
    fs::permissions(program, fs::perms::owner_all);
    const fs::path a = Image(dir, "a.dcm");
    const ProcessRun run =
        testfiles::RunShell(Offscreen(dir, "save") + " " + Quote(program) + " gui " + Quote(a));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.rfind("tessor: cannot load the window module: ", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("libtessor_app_window.so"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(dir / "stitched.dcm"));
}

TEST(GuiCommand, WithoutFilesAFileDialogChoosesThemAndRemembersItsFolder)
{
    const fs::path dir = testfiles::FreshDir("gui_choose");
    fs::create_directories(dir / "study");
    Image(dir / "study", "a.dcm");
    Image(dir / "study", "b.dcm");
    const auto run = [&](const fs::path& from, const std::string& open, const std::string& arguments) {
        return Tessor("cd " + Quote(from) + " && " + Offscreen(dir, "save") + " TESSOR_GUI_TEST_OPEN=" + Quote(open),
                      "gui " + arguments);
    };
    const fs::path profile = dir / "tessor-host.ini";

    const ProcessRun cancelled = run(dir, "cancel", "");
    EXPECT_EQ(cancelled.status, 1) << cancelled.output;
    EXPECT_NE(cancelled.output.find("tessor: no files chosen"), std::string::npos) << cancelled.output;
    EXPECT_FALSE(fs::exists(dir / "stitched.dcm"));
    EXPECT_FALSE(fs::exists(profile));  // nothing remembered either

    // From the folder the program starts in, the study folder entered and chosen.
    const ProcessRun folder = run(dir, "folder:study", "");
    EXPECT_EQ(folder.status, 0) << folder.output;
    EXPECT_NE(folder.output.find("saved " + (dir / "stitched.dcm").string()), std::string::npos) << folder.output;
    std::ifstream in(profile);
    const std::string remembered{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(remembered.find("[OPEN]\nFOLDER=" + (dir / "study").string() + "\n"), std::string::npos) << remembered;

    // Started elsewhere, the dialog opens in that folder: a bare name there is found.
    const fs::path out = dir / "one.dcm";
    const ProcessRun named = run("/", "b.dcm", "-o " + Quote(out));
    EXPECT_EQ(named.status, 0) << named.output;
    EXPECT_TRUE(fs::exists(out));
}
