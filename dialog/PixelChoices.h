// The moving-step choices kept in the module's profile file tessor.ini, section
// "PIXEL_SELECT": "COUNT" and "ITEM1" ... "ITEM<COUNT>".
#pragma once

#include "platform/CString.h"

class CComboBox;

// The three profile routines of the module, each naming tessor.ini itself.
int ReadPixelProfileInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nDefault);
// The value in one module-wide 256-byte buffer, cleared before every read and valid
// until the next one: at most 254 characters are read. Copy the result before reading again.
LPCTSTR ReadPixelProfileString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszDefault);
void WritePixelProfileInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nValue);

// Appends the stored choices to the combo box, skipping empty ones. With a COUNT of 0 or
// less (or none) the seven built-in choices are appended instead and COUNT is written
// back as it was read. A COUNT above kMaxPixelChoices reads only that many items.
void FillPixelChoices(CComboBox& combo);
constexpr int kMaxPixelChoices = 1024;

// atoi's reading of a choice (blanks, sign, leading digits; 0 without digits), kept
// within the int range.
int ParseChoiceValue(LPCTSTR lpszText);
