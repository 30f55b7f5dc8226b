// Identifiers of the module's resources and commands, shared by the dialog, the view and
// the resource tables.
#pragma once

#include "platform/Win32Types.h"

constexpr UINT IDD_STITCH_DICOM = 9000;   // dialog template "Stitch Images"
constexpr UINT IDC_BOTTOM_LINE = 9000;    // static control of the template: the bottom line
constexpr UINT IDR_STITCH_TOOLBAR = 9001;
constexpr UINT IDR_STITCH_MENU = 9003;    // context menu "Stitching Menu"
constexpr UINT IDI_STITCH = 208;
constexpr UINT IDC_STITCH_VIEW = 500;     // control ID of the workspace view

constexpr UINT ID_AUTO_STITCH = 33771;
constexpr UINT ID_MOVE_UP = 33773;
constexpr UINT ID_MOVE_DOWN = 33774;
constexpr UINT ID_SAVE_PROMPT = 33775;    // prompt string only; no command uses it
constexpr UINT ID_SAVE = 33777;
constexpr UINT ID_MOVE_LEFT = 33778;
constexpr UINT ID_MOVE_RIGHT = 33779;
constexpr UINT ID_SIZE_INC = 33780;
constexpr UINT ID_SIZE_DEC = 33781;
constexpr UINT ID_RESET = 33782;
constexpr UINT ID_MOVE_UP_SEQ = 33783;
constexpr UINT ID_MOVE_DN_SEQ = 33784;
constexpr UINT ID_CROP_IMAGE = 33785;
constexpr UINT ID_REAL_SIZE = 33786;
constexpr UINT ID_PIXEL_COMBO = 33787;    // toolbar item 8: the moving-step combo box
constexpr UINT ID_ALIGN = 33788;          // Align (Ctrl+L)
constexpr UINT ID_UNDO = 33789;           // Ctrl+Z: keys only
constexpr UINT ID_REDO = 33790;           // Ctrl+Y: keys only

// Registers every resource above; runs once when the module loads, and again harmlessly.
void RegisterStitchResources();
