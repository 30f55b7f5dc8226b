// The module's resource tables: registered with the platform's resource registry when the
// module loads, so that dialogs, toolbars, menus, icons and strings are found by identifier.
#include "resources/ResourceIds.h"

#include "platform/Resources.h"
#include "platform/WinMessages.h"

#include <cstdlib>

namespace {

DialogTemplate StitchDialogTemplate() {
    DialogTemplate tmpl;
    tmpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN |
                 WS_CLIPSIBLINGS;
    tmpl.cx = 398;
    tmpl.cy = 333;
    tmpl.title = "Stitch Images";
    tmpl.fontName = "Arial";
    tmpl.pointSize = 9;
    DialogItemTemplate bottomLine;
    bottomLine.className = "STATIC";
    bottomLine.id = IDC_BOTTOM_LINE;
    bottomLine.style = SS_LEFT;  // hidden: no WS_VISIBLE
    bottomLine.exStyle = WS_EX_STATICEDGE;
    bottomLine.x = 0;
    bottomLine.y = 318;
    bottomLine.cx = 398;
    bottomLine.cy = 14;
    tmpl.items.push_back(bottomLine);
    return tmpl;
}

ToolBarTemplate StitchToolBarTemplate() {
    ToolBarTemplate bar;
    // Labels are drawn as text: 46-pixel images make 53-pixel buttons, so the whole bar
    // (Align included) fits an 800-pixel screen and the dialog's default width shows every
    // button.
    bar.cxButton = 46;
    bar.cyButton = 15;
    bar.commands = {ID_AUTO_STITCH, ID_ALIGN, ID_RESET,   0, ID_MOVE_UP,     ID_MOVE_DOWN, ID_MOVE_LEFT,
                    ID_MOVE_RIGHT,  ID_PIXEL_COMBO, 0, ID_SIZE_INC, ID_SIZE_DEC,  0,
                    ID_CROP_IMAGE,  ID_REAL_SIZE, 0, ID_SAVE,       IDCANCEL};
    // Window text is single-byte (Latin-1): the direction is in the label's words.
    bar.labels = {"Auto", "Align", "Reset", "Move Up", "Move Dn", "Move Lt", "Move Rt", "",
                  "Size(+)", "Size(-)", "Crop", "100%", "Save", "Close"};
    bar.tips.assign(bar.labels.size(), std::string());
    bar.tips[1] = "Align overlapping images (Ctrl+L); Ctrl+Z undoes, Ctrl+Y redoes";
    return bar;
}

std::vector<MenuItemTemplate> StitchMenu() {
    MenuItemTemplate popup;
    popup.text = "Stitching Menu";
    popup.flags = MF_POPUP;
    popup.popup = {MenuItemTemplate{"Move Up Sequence", ID_MOVE_UP_SEQ, MF_STRING, {}},
                   MenuItemTemplate{"Move Down Sequence", ID_MOVE_DN_SEQ, MF_STRING, {}}};
    return {popup};
}

// Our own icon: three overlapping exposures stacked into one tall strip, on a dark field.
IconImage StitchIcon(int size) {
    IconImage icon{size, size, std::vector<DWORD>(static_cast<size_t>(size) * size, 0)};
    const DWORD field = 0xFF1E2A44u;
    const DWORD plates[3] = {0xFFB8C8E0u, 0xFFD8E4F4u, 0xFFB8C8E0u};
    const DWORD seam = 0xFFF0B030u;
    const int margin = size / 8;
    const int stripLeft = size / 4, stripRight = size - size / 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            DWORD colour = field;
            const bool inStrip = x >= stripLeft && x < stripRight && y >= margin && y < size - margin;
            if (inStrip) {
                const int band = (y - margin) * 3 / (size - 2 * margin);
                colour = plates[band];
                const int seamRow1 = margin + (size - 2 * margin) / 3;
                const int seamRow2 = margin + 2 * (size - 2 * margin) / 3;
                if (y == seamRow1 || y == seamRow2) colour = seam;
            }
            icon.pixels[static_cast<size_t>(y) * size + x] = colour;
        }
    }
    return icon;
}

}  // namespace

void RegisterStitchResources() {
    RegisterDialogTemplate(IDD_STITCH_DICOM, StitchDialogTemplate());
    RegisterToolBar(IDR_STITCH_TOOLBAR, StitchToolBarTemplate());
    RegisterMenu(IDR_STITCH_MENU, StitchMenu());
    RegisterIcon(IDI_STITCH, {StitchIcon(32), StitchIcon(16)});
    RegisterString(ID_SAVE_PROMPT, "Save the stitched DICOM File");
    RegisterString(ID_CROP_IMAGE, "Crop the stitchied image.\nCrop");
    RegisterString(ID_REAL_SIZE, "View image real size.\nReal size");
}

namespace {
// The module's resources exist as soon as the library is loaded, as a resource DLL's would.
const bool g_bResourcesRegistered = (RegisterStitchResources(), true);
}  // namespace
