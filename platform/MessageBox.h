// Message boxes: a Qt message box, or a test sink that records the text and answers.
#pragma once

#include "platform/WinMessages.h"

#include <functional>

// Shows text with the buttons and icon of nType (MB_OK, MB_ICONSTOP, ...) and returns the
// button pressed (IDOK, IDCANCEL, IDYES, IDNO).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text of a string resource.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);
int MessageBox(HWND hWnd, LPCTSTR lpText, LPCTSTR lpCaption, UINT uType);

// While set, message boxes are not shown: the sink receives the text and the type and
// its result is the answer. An empty function restores the real message box.
void SetMessageBoxSinkForTest(std::function<int(const char*, UINT)> sink);
