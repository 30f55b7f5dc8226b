// The colour keys of the "DISPLAY" section: which field each fills, its default in
// each scheme, and what WriteData writes.
#include "config/CDisplayConfig.h"

#include "platform/SystemMetrics.h"

#include <cstring>

namespace {

constexpr const char kDisplaySection[] = "DISPLAY";

// Where a key's default comes from in one scheme.
struct ColorDefault {
    enum Kind { kNotRead, kSystem, kFixed, kCurrent } kind;
    COLORREF value;  // the system colour index for kSystem
};

constexpr ColorDefault NotRead{ColorDefault::kNotRead, 0};
constexpr ColorDefault Current{ColorDefault::kCurrent, 0};  // the field's present value
constexpr ColorDefault Sys(int nIndex) { return {ColorDefault::kSystem, static_cast<COLORREF>(nIndex)}; }
constexpr ColorDefault Fix(COLORREF cr) { return {ColorDefault::kFixed, cr}; }

struct ColorKey {
    const char* key;
    COLORREF* field;
    ColorDefault inDefaultScheme;
    ColorDefault inCustomScheme;
};

using D = CDisplayConfig;

const ColorKey kColorKeys[] = {
    {"COLOR_DLG_BACK", &D::m_dlg.m_crBack, Sys(15), Fix(0x0A0A0A)},
    {"COLOR_DLG_TEXT", &D::m_dlg.m_crText, Sys(18), Fix(0xFFFFFF)},
    {"COLOR_EDIT_BACK", &D::m_edit.m_crBack, Sys(5), Fix(0x0A0A0A)},
    {"COLOR_EDIT_TEXT", &D::m_edit.m_crText, Sys(18), Sys(18)},
    {"COLOR_EDIT_FOCUSTEXT", &D::m_edit.m_crFocusText, Sys(18), Sys(18)},
    {"COLOR_EDIT_CARET", &D::m_edit.m_crCaret, Fix(0x000000), Fix(0x000000)},
    {"COLOR_COMBO_BACK", &D::m_combo.m_crBack, Sys(5), Fix(0x0A0A0A)},
    {"COLOR_COMBO_TEXT", &D::m_combo.m_crText, Sys(18), Sys(18)},
    {"COLOR_COMBO_HIBACK", &D::m_combo.m_crHiBack, Sys(13), Sys(13)},
    {"COLOR_COMBO_HITEXT", &D::m_combo.m_crHiText, Sys(14), Sys(14)},
    {"COLOR_LISTBOX_BACK", &D::m_listBox.m_crBack, Sys(5), Sys(5)},
    {"COLOR_LISTBOX_TEXT", &D::m_listBox.m_crText, Sys(18), Sys(18)},
    {"COLOR_LISTBOX_HIBACK", &D::m_listBox.m_crHiBack, Sys(5), Sys(5)},
    {"COLOR_LISTBOX_HITEXT", &D::m_listBox.m_crHiText, Sys(18), Sys(18)},
    {"COLOR_BTN_TEXT", &D::m_button.m_crText, Sys(18), Fix(0xFFFFFF)},
    {"COLOR_BTN_ACTTEXT", &D::m_button.m_crActText, Sys(20), Fix(0x0A0A0A)},
    {"COLOR_BTN_BACK", &D::m_button.m_crBack, Sys(15), Fix(0x0A0A0A)},
    {"COLOR_BTN_MASK", &D::m_button.m_crMask, Current, Fix(0x280E05)},
    {"COLOR_BTN_DISTEXT", &D::m_button.m_crDisText, Sys(21), Sys(21)},
    {"COLOR_LISTCTRL_TEXT", &D::m_listCtrl.m_crText, Sys(8), Sys(8)},
    {"COLOR_LISTCTRL_BACK", &D::m_listCtrl.m_crBack, Sys(5), Fix(0x0A0A0A)},
    {"COLOR_LISTCTRL_HITEXT", &D::m_listCtrl.m_crHiText, Sys(8), Sys(8)},
    {"COLOR_LISTCTRL_HIBACK", &D::m_listCtrl.m_crHiBack, Sys(5), Fix(0x31231E)},
    {"COLOR_LISTCTRL_SELTEXT", &D::m_listCtrl.m_crSelText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_LISTCTRL_SELBACK", &D::m_listCtrl.m_crSelBack, NotRead, Fix(0x554034)},
    {"COLOR_LISTCTRL2_TEXT", &D::m_listCtrl2.m_crText, Sys(8), Sys(8)},
    {"COLOR_LISTCTRL2_BACK", &D::m_listCtrl2.m_crBack, Sys(5), Sys(5)},
    {"COLOR_LISTCTRL2_TEXTBK", &D::m_listCtrl2.m_crTextBk, Sys(5), Sys(5)},
    {"COLOR_TREECTRL_TEXT", &D::m_treeCtrl.m_crText, Sys(8), Sys(8)},
    {"COLOR_TREECTRL_BACK", &D::m_treeCtrl.m_crBack, Sys(5), Sys(5)},
    {"COLOR_DATETIME_BACK", &D::m_datetime.m_crBack, Sys(5), Fix(0x745246)},
    {"COLOR_DATETIME_TEXT", &D::m_datetime.m_crText, Sys(8), Sys(8)},
    {"COLOR_DATETIME_MONTH_BACK", &D::m_datetime.m_crMonthBack, NotRead, Sys(8)},
    {"COLOR_DATETIME_MONTH_TEXT", &D::m_datetime.m_crMonthText, NotRead, Sys(8)},
    {"COLOR_DATETIME_MONTH_TITLEBACK", &D::m_datetime.m_crMonthTitleBack, NotRead, Sys(8)},
    {"COLOR_DATETIME_MONTH_TITLETEXT", &D::m_datetime.m_crMonthTitleText, NotRead, Sys(8)},
    {"COLOR_DATETIME_MONTH_TRAILINGTEXT", &D::m_datetime.m_crMonthTrailingText, NotRead, Sys(8)},
    {"COLOR_SLIDER_BACK", &D::m_slider.m_crBack, Sys(5), Sys(5)},
    {"COLOR_SLIDER_TEXT", &D::m_slider.m_crText, Sys(8), Sys(8)},
    {"COLOR_SLIDER_THUMB", &D::m_slider.m_crThumb, Sys(15), Sys(15)},
    {"COLOR_SLIDER_THUMBBACK", &D::m_slider.m_crThumbBack, Sys(5), Sys(5)},
    {"COLOR_MENU_TEXT", &D::m_menu.m_crText, Sys(18), Sys(18)},
    {"COLOR_MENU_BACK", &D::m_menu.m_crBack, Sys(15), Sys(15)},
    {"COLOR_MENU_HITEXT", &D::m_menu.m_crHiText, Sys(18), Sys(18)},
    {"COLOR_MENU_HIBACK", &D::m_menu.m_crHiBack, Sys(15), Sys(15)},
    {"COLOR_MENU_DISTEXT", &D::m_menu.m_crDisText, Sys(16), Sys(16)},
    {"COLOR_TAB_TEXT", &D::m_tab.m_crText, Sys(18), Sys(18)},
    {"COLOR_TAB_SELTEXT", &D::m_tab.m_crSelText, Sys(18), Sys(18)},
    {"COLOR_TAB_BACK", &D::m_tab.m_crBack, Sys(15), Sys(15)},
    {"COLOR_TAB_SELBACK", &D::m_tab.m_crSelBack, NotRead, Sys(18)},
    {"COLOR_HEADERCTRL_TEXT", &D::m_headerctrl.m_crText, Sys(18), Sys(18)},
    {"COLOR_HEADERCTRL_BACK", &D::m_headerctrl.m_crBack, Sys(15), Sys(15)},
    {"COLOR_INFOBARCTRL_TEXT", &D::m_infobar.m_crText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_INFOBARCTRL_BACK", &D::m_infobar.m_crBack, NotRead, Fix(0x000000)},
    {"COLOR_INFOBARCTRL_HITEXT", &D::m_infobar.m_crHiText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_INFOBARCTRL_HIBACK", &D::m_infobar.m_crHiBack, NotRead, Fix(0x000000)},
    {"COLOR_CHECKBUTTON_TEXT", &D::m_checkbutton.m_crText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_CHECKBUTTON_BACK", &D::m_checkbutton.m_crBack, NotRead, Fix(0x000000)},
    {"COLOR_CHECKBUTTON_BOXTEXT", &D::m_checkbutton.m_crBoxText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_CHECKBUTTON_BOXBACK", &D::m_checkbutton.m_crBoxBack, NotRead, Fix(0x000000)},
    {"COLOR_CHECKBUTTON_DISTEXT", &D::m_checkbutton.m_crDisText, NotRead, Fix(0x969696)},
    {"COLOR_CHECKBUTTON_DISBACK", &D::m_checkbutton.m_crDisBack, NotRead, Fix(0x000000)},
    {"COLOR_CHECKBUTTON_DISBOXTEXT", &D::m_checkbutton.m_crDisBoxText, NotRead, Fix(0xC8C8C8)},
    {"COLOR_CHECKBUTTON_DISBOXBACK", &D::m_checkbutton.m_crDisBoxBack, NotRead, Fix(0x646464)},
    {"COLOR_RADIOBUTTON_TEXT", &D::m_radiobutton.m_crText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_RADIOBUTTON_BACK", &D::m_radiobutton.m_crBack, NotRead, Fix(0x000000)},
    {"COLOR_RADIOBUTTON_BOXTEXT", &D::m_radiobutton.m_crBoxText, NotRead, Fix(0xFFFFFF)},
    {"COLOR_RADIOBUTTON_BOXBACK", &D::m_radiobutton.m_crBoxBack, NotRead, Fix(0x000000)},
    {"COLOR_RADIOBUTTON_DISTEXT", &D::m_radiobutton.m_crDisText, NotRead, Fix(0x969696)},
    {"COLOR_RADIOBUTTON_DISBACK", &D::m_radiobutton.m_crDisBack, NotRead, Fix(0x000000)},
    {"COLOR_RADIOBUTTON_DISBOXTEXT", &D::m_radiobutton.m_crDisBoxText, NotRead, Fix(0xC8C8C8)},
    {"COLOR_RADIOBUTTON_DISBOXBACK", &D::m_radiobutton.m_crDisBoxBack, NotRead, Fix(0x646464)},
};

// The colour keys WriteData writes, in its order.
const char* const kWrittenColorKeys[] = {
    "COLOR_DLG_BACK", "COLOR_DLG_TEXT", "COLOR_EDIT_BACK", "COLOR_EDIT_TEXT", "COLOR_EDIT_FOCUSTEXT",
    "COLOR_COMBO_BACK", "COLOR_COMBO_TEXT", "COLOR_COMBO_HIBACK", "COLOR_COMBO_HITEXT",
    "COLOR_LISTBOX_HIBACK", "COLOR_LISTBOX_HITEXT", "COLOR_LISTBOX_BACK", "COLOR_LISTBOX_TEXT",
    "COLOR_BTN_TEXT", "COLOR_BTN_BACK", "COLOR_BTN_MASK", "COLOR_BTN_ACTTEXT", "COLOR_BTN_DISTEXT",
    "COLOR_LISTCTRL_BACK", "COLOR_LISTCTRL_TEXT", "COLOR_LISTCTRL_HIBACK", "COLOR_LISTCTRL_HITEXT",
    "COLOR_LISTCTRL2_BACK", "COLOR_LISTCTRL2_TEXT", "COLOR_LISTCTRL2_TEXTBK",
    "COLOR_TREECTRL_TEXT", "COLOR_TREECTRL_BACK", "COLOR_DATETIME_BACK", "COLOR_DATETIME_TEXT",
    "COLOR_SLIDER_BACK", "COLOR_SLIDER_THUMB", "COLOR_SLIDER_THUMBBACK", "COLOR_SLIDER_TEXT",
    "COLOR_MENU_HIBACK", "COLOR_MENU_HITEXT", "COLOR_MENU_BACK", "COLOR_MENU_TEXT", "COLOR_MENU_DISTEXT",
    "COLOR_TAB_SELTEXT", "COLOR_TAB_BACK", "COLOR_TAB_TEXT", "COLOR_TAB_SELBACK",
    "COLOR_HEADERCTRL_BACK", "COLOR_HEADERCTRL_TEXT",
    "COLOR_CHECKBUTTON_BACK", "COLOR_CHECKBUTTON_TEXT", "COLOR_CHECKBUTTON_BOXBACK",
    "COLOR_CHECKBUTTON_BOXTEXT", "COLOR_CHECKBUTTON_DISBACK", "COLOR_CHECKBUTTON_DISTEXT",
    "COLOR_CHECKBUTTON_DISBOXBACK", "COLOR_CHECKBUTTON_DISBOXTEXT",
    "COLOR_RADIOBUTTON_BACK", "COLOR_RADIOBUTTON_TEXT", "COLOR_RADIOBUTTON_BOXBACK",
    "COLOR_RADIOBUTTON_BOXTEXT", "COLOR_RADIOBUTTON_DISBACK", "COLOR_RADIOBUTTON_DISTEXT",
    "COLOR_RADIOBUTTON_DISBOXBACK", "COLOR_RADIOBUTTON_DISBOXTEXT",
};

const COLORREF* FieldOfKey(const char* key)
{
    for (const ColorKey& entry : kColorKeys) {
        if (std::strcmp(entry.key, key) == 0)
            return entry.field;
    }
    return nullptr;
}

COLORREF DefaultValue(const ColorDefault& source, COLORREF current)
{
    switch (source.kind) {
    case ColorDefault::kSystem: return GetSysColor(static_cast<int>(source.value));
    case ColorDefault::kFixed: return source.value;
    case ColorDefault::kCurrent:
    case ColorDefault::kNotRead: break;
    }
    return current;
}

}  // namespace

void CDisplayConfig::DefaultConfigData()
{
    for (const ColorKey& entry : kColorKeys) {
        if (entry.inDefaultScheme.kind == ColorDefault::kNotRead)
            continue;
        const COLORREF fallback = DefaultValue(entry.inDefaultScheme, *entry.field);
        *entry.field = static_cast<COLORREF>(ReadInt(kDisplaySection, entry.key, static_cast<int>(fallback)));
    }
}

void CDisplayConfig::CustomConfigData()
{
    for (const ColorKey& entry : kColorKeys) {
        const COLORREF fallback = DefaultValue(entry.inCustomScheme, *entry.field);
        *entry.field = static_cast<COLORREF>(ReadInt(kDisplaySection, entry.key, static_cast<int>(fallback)));
    }
    m_button.m_nStyle = ReadInt(kDisplaySection, "DEFAULT_BTN_STYLE", 0);
}

void CDisplayConfig::WriteData()
{
    WriteString(kDisplaySection, "DEFAULT_FONTNAME", m_strDefaultFontName);
    WriteHex(kDisplaySection, "DEFAULT_FONTSIZE", static_cast<DWORD>(m_iDefaultFontSize));
    for (const char* key : kWrittenColorKeys) {
        if (const COLORREF* field = FieldOfKey(key))
            WriteHex(kDisplaySection, key, *field);
    }
}
