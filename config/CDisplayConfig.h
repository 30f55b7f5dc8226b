// The host's shared display configuration (kvw.cfg, sections "DISPLAY" and "LAYOUT"):
// control colours in two schemes, the default font and the viewer layout per modality.
// The values are process-wide static members, read once per process by the first
// CDisplayConfig (or again by ReloadData); every CDisplayConfig writes the layout back
// to the file when it is destroyed.
#pragma once

#include "config/CConfig.h"

class CDisplayConfig : public CConfig {
public:
    struct CDlgColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
    };
    struct CEditColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
        COLORREF m_crFocusText;
        COLORREF m_crCaret;
    };
    struct CComboBoxColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
        COLORREF m_crHiBack;
        COLORREF m_crHiText;
    };
    struct CListBoxColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
        COLORREF m_crHiBack;
        COLORREF m_crHiText;
    };
    struct CButtonColorData {
        COLORREF m_crText;
        COLORREF m_crActText;
        COLORREF m_crBack;
        COLORREF m_crMask;
        COLORREF m_crDisText;
        int m_nStyle;
    };
    struct CListCtrlColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crHiText;
        COLORREF m_crHiBack;
        COLORREF m_crSelText;
        COLORREF m_crSelBack;
    };
    struct CListCtrlColorData2 {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crTextBk;
    };
    struct CTreeCtrlColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
    };
    struct CDateTimeCtrlColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
        COLORREF m_crMonthBack;
        COLORREF m_crMonthText;
        COLORREF m_crMonthTitleBack;
        COLORREF m_crMonthTitleText;
        COLORREF m_crMonthTrailingText;
    };
    struct CSliderScrollColorData {
        COLORREF m_crBack;
        COLORREF m_crText;
        COLORREF m_crThumb;
        COLORREF m_crThumbBack;
    };
    struct CMenuColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crHiText;
        COLORREF m_crHiBack;
        COLORREF m_crDisText;
    };
    struct CTabCtrlColorData {
        COLORREF m_crText;
        COLORREF m_crSelText;
        COLORREF m_crBack;
        COLORREF m_crSelBack;
    };
    struct CHeaderCtrlColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
    };
    struct CInfoBarCtrlColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crHiText;
        COLORREF m_crHiBack;
    };
    struct CCheckButtonColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crBoxText;
        COLORREF m_crBoxBack;
        COLORREF m_crDisText;
        COLORREF m_crDisBack;
        COLORREF m_crDisBoxText;
        COLORREF m_crDisBoxBack;
    };
    struct CRadioButtonColorData {
        COLORREF m_crText;
        COLORREF m_crBack;
        COLORREF m_crBoxText;
        COLORREF m_crBoxBack;
        COLORREF m_crDisText;
        COLORREF m_crDisBack;
        COLORREF m_crDisBoxText;
        COLORREF m_crDisBoxBack;
    };
    // Viewer rows and columns per modality.
    struct CModalityLayoutData {
        int m_nCRRows, m_nCRCols;
        int m_nCTRows, m_nCTCols;
        int m_nMRRows, m_nMRCols;
        int m_nNMRows, m_nNMCols;
        int m_nUSRows, m_nUSCols;
        int m_nOTRows, m_nOTCols;
        int m_nETCRows, m_nETCCols;
    };

    // Reads the file when no CDisplayConfig has read it yet in this process.
    CDisplayConfig();
    // Writes the "LAYOUT" section back.
    ~CDisplayConfig() override;
    // Copy the file name and the profile choice; they read nothing.
    CDisplayConfig(const CDisplayConfig& other);
    CDisplayConfig& operator=(const CDisplayConfig& other);

    // Reads the "DISPLAY" settings, the colours of the chosen scheme and the layout; returns 1.
    int ReadData();
    // The colours of the system scheme, respectively of the dark custom scheme.
    void DefaultConfigData();
    void CustomConfigData();
    void ReadLayoutData();
    void WriteLayoutData();
    // Writes the font and the colour keys (not the mode, monitor or worklist font size).
    void WriteData();
    // Reads the file again; later constructions read it again too.
    void ReloadData();

    static int m_bLoaded;
    static int m_bCustomColorMode;
    static int m_b2KMonitor;
    static CString m_strDefaultFontName;
    static int m_iDefaultFontSize;
    static int m_iWorklistFontSize;
    static CDlgColorData m_dlg;
    static CEditColorData m_edit;
    static CComboBoxColorData m_combo;
    static CListBoxColorData m_listBox;
    static CButtonColorData m_button;
    static CListCtrlColorData m_listCtrl;
    static CListCtrlColorData2 m_listCtrl2;
    static CTreeCtrlColorData m_treeCtrl;
    static CDateTimeCtrlColorData m_datetime;
    static CSliderScrollColorData m_slider;
    static CMenuColorData m_menu;
    static CTabCtrlColorData m_tab;
    static CHeaderCtrlColorData m_headerctrl;
    static CInfoBarCtrlColorData m_infobar;
    static CCheckButtonColorData m_checkbutton;
    static CRadioButtonColorData m_radiobutton;
    static CModalityLayoutData m_modality;
};
