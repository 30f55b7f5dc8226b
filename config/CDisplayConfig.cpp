#include "config/CDisplayConfig.h"

namespace {

constexpr const char kDisplaySection[] = "DISPLAY";
constexpr const char kLayoutSection[] = "LAYOUT";

struct LayoutKey {
    const char* key;
    int CDisplayConfig::CModalityLayoutData::*field;
    int nDefault;
};

using Layout = CDisplayConfig::CModalityLayoutData;

// Field order of CModalityLayoutData, which is also the order of reading and writing.
const LayoutKey kLayoutKeys[] = {
    {"LAYOUT_CR_ROWS", &Layout::m_nCRRows, 1},   {"LAYOUT_CR_COLS", &Layout::m_nCRCols, 1},
    {"LAYOUT_CT_ROWS", &Layout::m_nCTRows, 3},   {"LAYOUT_CT_COLS", &Layout::m_nCTCols, 3},
    {"LAYOUT_MR_ROWS", &Layout::m_nMRRows, 3},   {"LAYOUT_MR_COLS", &Layout::m_nMRCols, 3},
    {"LAYOUT_NM_ROWS", &Layout::m_nNMRows, 2},   {"LAYOUT_NM_COLS", &Layout::m_nNMCols, 2},
    {"LAYOUT_US_ROWS", &Layout::m_nUSRows, 2},   {"LAYOUT_US_COLS", &Layout::m_nUSCols, 2},
    {"LAYOUT_OT_ROWS", &Layout::m_nOTRows, 2},   {"LAYOUT_OT_COLS", &Layout::m_nOTCols, 2},
    {"LAYOUT_ETC_ROWS", &Layout::m_nETCRows, 2}, {"LAYOUT_ETC_COLS", &Layout::m_nETCCols, 2},
};

// The default font size must suit the monitor: 14 to 22 points on a 2K monitor
// (otherwise 20), 8 to 14 points elsewhere (otherwise 10).
int ClampDefaultFontSize(int nSize, bool b2KMonitor)
{
    if (b2KMonitor)
        return nSize < 14 || nSize > 22 ? 20 : nSize;
    return nSize < 8 || nSize > 14 ? 10 : nSize;
}

}  // namespace

int CDisplayConfig::m_bLoaded = 0;
int CDisplayConfig::m_bCustomColorMode = 0;
int CDisplayConfig::m_b2KMonitor = 0;
CString CDisplayConfig::m_strDefaultFontName = "Arial";
int CDisplayConfig::m_iDefaultFontSize = 10;
int CDisplayConfig::m_iWorklistFontSize = 10;
CDisplayConfig::CDlgColorData CDisplayConfig::m_dlg = {};
CDisplayConfig::CEditColorData CDisplayConfig::m_edit = {};
CDisplayConfig::CComboBoxColorData CDisplayConfig::m_combo = {};
CDisplayConfig::CListBoxColorData CDisplayConfig::m_listBox = {};
CDisplayConfig::CButtonColorData CDisplayConfig::m_button = {};
CDisplayConfig::CListCtrlColorData CDisplayConfig::m_listCtrl = {};
CDisplayConfig::CListCtrlColorData2 CDisplayConfig::m_listCtrl2 = {};
CDisplayConfig::CTreeCtrlColorData CDisplayConfig::m_treeCtrl = {};
CDisplayConfig::CDateTimeCtrlColorData CDisplayConfig::m_datetime = {};
CDisplayConfig::CSliderScrollColorData CDisplayConfig::m_slider = {};
CDisplayConfig::CMenuColorData CDisplayConfig::m_menu = {};
CDisplayConfig::CTabCtrlColorData CDisplayConfig::m_tab = {};
CDisplayConfig::CHeaderCtrlColorData CDisplayConfig::m_headerctrl = {};
CDisplayConfig::CInfoBarCtrlColorData CDisplayConfig::m_infobar = {};
CDisplayConfig::CCheckButtonColorData CDisplayConfig::m_checkbutton = {};
CDisplayConfig::CRadioButtonColorData CDisplayConfig::m_radiobutton = {};
CDisplayConfig::CModalityLayoutData CDisplayConfig::m_modality = {};

CDisplayConfig::CDisplayConfig()
{
    if (m_bLoaded == 0) {
        ReadData();
        m_bLoaded = 1;
    }
}

CDisplayConfig::~CDisplayConfig()
{
    WriteLayoutData();
}

CDisplayConfig::CDisplayConfig(const CDisplayConfig& other) : CConfig(other) {}

CDisplayConfig& CDisplayConfig::operator=(const CDisplayConfig& other)
{
    CConfig::operator=(other);
    return *this;
}

int CDisplayConfig::ReadData()
{
    m_bCustomColorMode = ReadInt(kDisplaySection, "CUSTOM_COLOR_MODE", 0);
    m_b2KMonitor = ReadInt(kDisplaySection, "2KMONITOR", 0);
    m_strDefaultFontName = ReadString(kDisplaySection, "DEFAULT_FONTNAME", "Arial");
    m_iDefaultFontSize = ReadInt(kDisplaySection, "DEFAULT_FONTSIZE", 10);
    m_iWorklistFontSize = ReadInt(kDisplaySection, "WORKLIST_FONTSIZE", 10);
    m_iDefaultFontSize = ClampDefaultFontSize(m_iDefaultFontSize, m_b2KMonitor != 0);
    if (m_bCustomColorMode != 0)
        CustomConfigData();
    else
        DefaultConfigData();
    ReadLayoutData();
    return 1;
}

void CDisplayConfig::ReloadData()
{
    m_bLoaded = 0;
    ReadData();
}

void CDisplayConfig::ReadLayoutData()
{
    for (const LayoutKey& entry : kLayoutKeys)
        m_modality.*entry.field = ReadInt(kLayoutSection, entry.key, entry.nDefault);
}

void CDisplayConfig::WriteLayoutData()
{
    for (const LayoutKey& entry : kLayoutKeys)
        WriteInt(kLayoutSection, entry.key, m_modality.*entry.field);
}
