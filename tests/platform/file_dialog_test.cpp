// CFileDialog through the real Qt file dialog, offscreen: a path typed into its file name
// field key by key, Enter, the "Choose Folder" and Cancel buttons, and what comes back.
#include "platform/FileDialog.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FileDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testfiles::FreshDir("file_dialog");
        fs::create_directories(m_dir / "study" / "series");
        for (const char* name : {"study/a.dcm", "study/b.dcm", "study/series/c.dcm"})
            std::ofstream(m_dir / name) << "image\n";
    }
    void TearDown() override { SetFileDialogDriverForTest(nullptr); }

    std::vector<std::string> Chosen(const CFileDialog& dialog) const
    {
        std::vector<std::string> paths;
        for (POSITION pos = dialog.GetStartPosition(); pos != nullptr;)
            paths.push_back(dialog.GetNextPathName(pos).str());
        return paths;
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(FileDialogTest, TypedPathsButtonsAndCancelGiveTheChoice)
{
    const std::string study = (m_dir / "study").string();
    const struct {
        const char* name;
        std::vector<std::string> typed;  // into the file name field, each followed by Enter
        const char* button;            // then clicked, or nullptr
        INT_PTR result;
        std::vector<std::string> paths;
        std::string folder;            // GetFolderPath afterwards
        bool folderChosen;
    } cases[] = {
        {"one file", {"a.dcm"}, nullptr, IDOK, {study + "/a.dcm"}, study, false},
        {"a file in a folder entered first", {"series", "c.dcm"}, nullptr, IDOK, {study + "/series/c.dcm"},
         study + "/series", false},
        {"a folder, entered then chosen", {"series"}, "Choose Folder", IDOK, {study + "/series"}, study + "/series",
         true},
        {"the folder shown, chosen at once", {}, "Choose Folder", IDOK, {study}, study, true},
        {"cancelled in a folder entered", {"series"}, "Cancel", IDCANCEL, {}, study + "/series", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                           "All files|*|DICOM files|*.dcm||");
        dialog.m_bPickFolderToo = TRUE;
        dialog.m_ofn.lpstrInitialDir = study.c_str();
        std::string shownAtStart;
        bool acted = false;
        SetFileDialogDriverForTest([&] {
            shownAtStart = GetFileDialogFolderForTest().str();
            for (const std::string& typed : c.typed)
                acted = TypeIntoFileDialogForTest(typed.c_str()) != FALSE;
            if (c.button != nullptr)
                acted = ClickFileDialogButtonForTest(c.button) != FALSE;
        });
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_TRUE(acted);
        EXPECT_EQ(shownAtStart, study);
        EXPECT_EQ(Chosen(dialog), c.paths);
        EXPECT_EQ(dialog.GetPathName().str(), c.paths.empty() ? std::string() : c.paths.front());
        EXPECT_EQ(dialog.GetFolderPath().str(), c.folder);
        EXPECT_EQ(dialog.IsFolderChosen() != FALSE, c.folderChosen);
    }
}

TEST_F(FileDialogTest, SeveralFilesSelectedInTheListComeBackTogether)
{
    const std::string study = (m_dir / "study").string();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    dialog.m_ofn.lpstrInitialDir = study.c_str();
    bool selected = false, opened = false;
    SetFileDialogDriverForTest([&] {
        selected = SelectInFileDialogForTest({"b.dcm", "a.dcm"}) != FALSE;
        opened = ClickFileDialogButtonForTest("Open") != FALSE;
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(selected);
    EXPECT_TRUE(opened);
    EXPECT_EQ(Chosen(dialog), (std::vector<std::string>{study + "/b.dcm", study + "/a.dcm"}));  // as selected
    EXPECT_EQ(dialog.IsFolderChosen(), FALSE);
}

TEST_F(FileDialogTest, TitleFiltersAndFolderButtonShow)
{
    const fs::path png = testfiles::OutputDir() / "file_dialog.png";
    std::error_code ec;
    fs::remove(png, ec);
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, "All files|*|DICOM files (*.dcm)|*.dcm||");
    dialog.m_bPickFolderToo = TRUE;
    dialog.m_ofn.lpstrInitialDir = (m_dir / "study").c_str();
    dialog.m_ofn.lpstrTitle = "Choose Images";
    bool saved = false;
    SetFileDialogDriverForTest([&] {
        saved = SaveFileDialogImageForTest(png.c_str()) != FALSE;
        ClickFileDialogButtonForTest("Cancel");
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(saved);
    EXPECT_GT(fs::file_size(png, ec), 1000u);
    // Without a driver's help nothing acts on a dialog that is not showing.
    EXPECT_FALSE(TypeIntoFileDialogForTest("a.dcm"));
    EXPECT_FALSE(ClickFileDialogButtonForTest("Cancel"));
    EXPECT_EQ(GetFileDialogFolderForTest().str(), "");
}
