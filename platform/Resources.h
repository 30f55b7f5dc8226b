// The module's resources: dialog templates, menus, toolbars, icons and strings, each
// registered under a numeric identifier by C++ tables, found by the Load functions.
#pragma once

#include "platform/CString.h"
#include "platform/WinMessages.h"

#include <string>
#include <vector>

struct DialogItemTemplate {
    std::string className;  // "STATIC", "COMBOBOX", "BUTTON", ...
    UINT id = 0;
    DWORD style = 0;  // WS_CHILD is implied
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string text;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units, client area
    std::string title;
    std::string fontName = "MS Sans Serif";
    int pointSize = 8;
    std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate {
    std::string text;  // empty with MF_SEPARATOR
    UINT id = 0;
    UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED
    std::vector<MenuItemTemplate> popup;
};

struct ToolBarTemplate {
    int cxButton = 16;
    int cyButton = 15;
    std::vector<UINT> commands;     // 0 for a separator
    std::vector<std::string> labels;  // one per button image, in image order
    std::vector<std::string> tips;    // tooltips in the same order; missing or empty: none
};

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0xAARRGGBB, rows top-down
};

void RegisterDialogTemplate(UINT id, DialogTemplate tmpl);
void RegisterMenu(UINT id, std::vector<MenuItemTemplate> items);
void RegisterToolBar(UINT id, ToolBarTemplate tmpl);
void RegisterIcon(UINT id, std::vector<IconImage> images);
void RegisterString(UINT id, const char* text);

const DialogTemplate* FindDialogTemplate(UINT id);
const std::vector<MenuItemTemplate>* FindMenuTemplate(UINT id);
const ToolBarTemplate* FindToolBarTemplate(UINT id);

// The module's instance handle (all resources live in one registry).
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTCOLOR = 0;
constexpr UINT LR_SHARED = 0x8000;
// Icons: IDI_APPLICATION or a registered identifier. Handles are shared and live as long
// as the process; DestroyIcon is harmless.
HICON LoadIcon(HINSTANCE hInstance, LPCTSTR lpIconName);
void* LoadImage(HINSTANCE hInstance, LPCTSTR name, UINT type, int cx, int cy, UINT fuLoad);
BOOL DestroyIcon(HICON hIcon);
int LoadString(HINSTANCE hInstance, UINT uID, LPTSTR lpBuffer, int cchBufferMax);
BOOL LoadStringResource(CString& rString, UINT uID);
