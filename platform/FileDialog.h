// CFileDialog: the modal "Open" (or "Save As") dialog on a Qt file dialog of its own
// (not the desktop's), so that it looks and behaves the same everywhere, offscreen too.
#pragma once

#include "platform/CString.h"
#include "platform/Collections.h"
#include "platform/WinMessages.h"

#include <functional>
#include <string>
#include <vector>

class CWnd;

constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

class CFileDialog {
public:
    // lpszFilter: "label|pattern|label|pattern||" (patterns separated by ';'), the first
    // pair chosen. OFN_ALLOWMULTISELECT lets several files be chosen at once.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when something was chosen, IDCANCEL when the dialog was cancelled or closed.
    virtual INT_PTR DoModal();

    // The first path chosen.
    CString GetPathName() const;
    // Every path chosen, in the order the dialog gives them.
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& pos) const;
    // The folder the dialog showed when it closed (the chosen folder itself after "Choose
    // Folder"): where to start next time.
    CString GetFolderPath() const;
    // True when the choice is the folder of the "Choose Folder" button, not files.
    BOOL IsFolderChosen() const { return m_bFolderChosen; }

    // The settings DoModal uses; set them between construction and DoModal.
    struct {
        DWORD Flags = 0;
        CString lpstrInitialDir;  // empty: the current folder
        CString lpstrTitle;       // empty: "Open" or "Save As"
    } m_ofn;
    // Offers the "Choose Folder" button too (open dialogs only), which ends the dialog
    // with the folder shown as the one path chosen.
    BOOL m_bPickFolderToo = FALSE;

private:
    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFileName;
    CString m_strFilter;
    CWnd* m_pParentWnd;
    std::vector<CString> m_chosen;
    CString m_strFolder;
    BOOL m_bFolderChosen = FALSE;
};

// Test hooks, acting on the file dialog DoModal is showing. While a driver is set, DoModal
// calls it once the dialog is up (from the dialog's own event loop).
void SetFileDialogDriverForTest(std::function<void()> driver);
// Types the text into the dialog's file name field, a key event per character, then
// presses Enter there. FALSE when no file dialog is showing.
BOOL TypeIntoFileDialogForTest(const char* text);
// Selects these entries of the folder shown in the dialog's list, as clicks with Ctrl
// held would (the file name field then names them). FALSE when one is not listed.
BOOL SelectInFileDialogForTest(const std::vector<std::string>& names);
// Clicks the dialog's button with this text ("Choose Folder", "Cancel", ...).
BOOL ClickFileDialogButtonForTest(const char* text);
// The folder the showing dialog is in ("" when none shows).
CString GetFileDialogFolderForTest();
BOOL SaveFileDialogImageForTest(const char* path);
