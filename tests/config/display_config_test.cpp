#include "config/CDisplayConfig.h"

#include "platform/Profile.h"
#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using D = CDisplayConfig;

namespace {

template <class T>
void Zero(T& value)
{
    std::memset(&value, 0, sizeof(value));
}

// Gives every 32-bit field of a colour structure its own value, starting at first.
template <class T>
DWORD FillDistinct(T& value, DWORD first)
{
    static_assert(sizeof(T) % sizeof(DWORD) == 0);
    DWORD fields[sizeof(T) / sizeof(DWORD)];
    for (DWORD& field : fields)
        field = first++;
    std::memcpy(&value, fields, sizeof(T));
    return first;
}

template <class T>
bool SameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Each test starts as a fresh process would: nothing loaded, static members at their
// initial values, an empty profile directory of its own.
class DisplayConfigTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testfiles::FreshDir(std::string("display_config_") +
                                    testing::UnitTest::GetInstance()->current_test_info()->name());
        setenv("TESSOR_PROFILE_DIR", m_dir.c_str(), 1);
        ClearSystemOverrides();
        D::m_bLoaded = D::m_bCustomColorMode = D::m_b2KMonitor = 0;
        D::m_strDefaultFontName = "Arial";
        D::m_iDefaultFontSize = D::m_iWorklistFontSize = 10;
        Zero(D::m_dlg), Zero(D::m_edit), Zero(D::m_combo), Zero(D::m_listBox), Zero(D::m_button);
        Zero(D::m_listCtrl), Zero(D::m_listCtrl2), Zero(D::m_treeCtrl), Zero(D::m_datetime);
        Zero(D::m_slider), Zero(D::m_menu), Zero(D::m_tab), Zero(D::m_headerctrl), Zero(D::m_infobar);
        Zero(D::m_checkbutton), Zero(D::m_radiobutton), Zero(D::m_modality);
    }
    void TearDown() override { ClearSystemOverrides(); }

    void WriteConfig(const std::string& content) const { std::ofstream(m_dir / "kvw.cfg") << content; }
    std::string ReadConfig() const
    {
        std::ifstream in(m_dir / "kvw.cfg");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(DisplayConfigTest, DefaultFontSizeIsClampedToTheMonitor)
{
    struct Case {
        int b2K, size, expected;
    };
    const Case cases[] = {{0, 16, 10}, {1, 16, 16}, {1, 12, 20}, {1, 23, 20}, {1, 14, 14}, {1, 22, 22},
                          {0, 8, 8},   {0, 14, 14}, {0, 7, 10},  {0, 15, 10}};
    CDisplayConfig config;
    for (const Case& c : cases) {
        WriteConfig("[DISPLAY]\n2KMONITOR=" + std::to_string(c.b2K) + "\nDEFAULT_FONTSIZE=" + std::to_string(c.size) +
                    "\nWORKLIST_FONTSIZE=40\n");
        config.ReloadData();
        EXPECT_EQ(D::m_iDefaultFontSize, c.expected) << "2K " << c.b2K << ", size " << c.size;
        EXPECT_EQ(D::m_iWorklistFontSize, 40);
    }
}

TEST_F(DisplayConfigTest, WithoutTheFileTheSystemSchemeAndDefaultLayoutApply)
{
    SetSysColorOverride(COLOR_BTNFACE, 0x00333231);
    {
        CDisplayConfig config;
        EXPECT_EQ(D::m_bLoaded, 1);
        EXPECT_EQ(D::m_bCustomColorMode, 0);
        EXPECT_STREQ(D::m_strDefaultFontName, "Arial");
        EXPECT_EQ(D::m_iDefaultFontSize, 10);
        EXPECT_EQ(D::m_dlg.m_crBack, 0x00333231u);
        EXPECT_EQ(D::m_dlg.m_crText, GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(D::m_edit.m_crBack, RGB(255, 255, 255));
        EXPECT_EQ(D::m_edit.m_crCaret, 0u);
        EXPECT_EQ(D::m_combo.m_crHiBack, GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(D::m_combo.m_crHiText, GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_EQ(D::m_button.m_crActText, GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(D::m_button.m_crDisText, GetSysColor(COLOR_3DDKSHADOW));
        EXPECT_EQ(D::m_button.m_crMask, 0u);
        EXPECT_EQ(D::m_listCtrl.m_crText, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(D::m_menu.m_crDisText, GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(D::m_tab.m_crBack, 0x00333231u);
        EXPECT_EQ(D::m_tab.m_crSelBack, 0u);  // not read in this scheme
        const D::CModalityLayoutData expected = {1, 1, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2};
        EXPECT_TRUE(SameBytes(D::m_modality, expected));
        EXPECT_FALSE(fs::exists(m_dir / "kvw.cfg"));
    }
    EXPECT_EQ(ReadConfig(), "[LAYOUT]\nLAYOUT_CR_ROWS=1\nLAYOUT_CR_COLS=1\nLAYOUT_CT_ROWS=3\nLAYOUT_CT_COLS=3\n"
                            "LAYOUT_MR_ROWS=3\nLAYOUT_MR_COLS=3\nLAYOUT_NM_ROWS=2\nLAYOUT_NM_COLS=2\n"
                            "LAYOUT_US_ROWS=2\nLAYOUT_US_COLS=2\nLAYOUT_OT_ROWS=2\nLAYOUT_OT_COLS=2\n"
                            "LAYOUT_ETC_ROWS=2\nLAYOUT_ETC_COLS=2\n");
}

TEST_F(DisplayConfigTest, CustomSchemeDefaults)
{
    WriteConfig("[DISPLAY]\nCUSTOM_COLOR_MODE=1\n");
    CDisplayConfig config;
    EXPECT_EQ(D::m_dlg.m_crBack, 0x0A0A0Au);
    EXPECT_EQ(D::m_dlg.m_crText, 0xFFFFFFu);
    EXPECT_EQ(D::m_button.m_crMask, 0x280E05u);
    EXPECT_EQ(D::m_listCtrl.m_crHiBack, 0x31231Eu);
    EXPECT_EQ(D::m_listCtrl.m_crSelBack, 0x554034u);
    EXPECT_EQ(D::m_datetime.m_crBack, 0x745246u);
    EXPECT_EQ(D::m_checkbutton.m_crDisBoxText, 0xC8C8C8u);
    EXPECT_EQ(D::m_radiobutton.m_crDisBoxBack, 0x646464u);
    EXPECT_EQ(D::m_tab.m_crSelBack, GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(D::m_tab.m_crBack, GetSysColor(COLOR_BTNFACE));
}

TEST_F(DisplayConfigTest, StoredHexColourReadsTheSameInBothSchemes)
{
    CDisplayConfig config;
    for (const char* mode : {"0", "1"}) {
        WriteConfig(std::string("[display]\ncustom_color_mode=") + mode + "\nCOLOR_DLG_BACK=0x00102030\n");
        config.ReloadData();
        EXPECT_EQ(D::m_dlg.m_crBack, 0x102030u) << "mode " << mode;
    }
}

TEST_F(DisplayConfigTest, OnlyTheFirstConstructionReadsUntilReloadData)
{
    WriteConfig("[DISPLAY]\nDEFAULT_FONTNAME=Tahoma\n[LAYOUT]\nLAYOUT_CT_ROWS=4\n");
    CDisplayConfig first;
    EXPECT_STREQ(D::m_strDefaultFontName, "Tahoma");
    WriteConfig("[DISPLAY]\nDEFAULT_FONTNAME=Verdana\n[LAYOUT]\nLAYOUT_CT_ROWS=5\n");
    {
        CDisplayConfig second;
        const CDisplayConfig copy(second);
        EXPECT_STREQ(D::m_strDefaultFontName, "Tahoma");
        EXPECT_EQ(D::m_modality.m_nCTRows, 4);
    }
    // Destroying them wrote the layout in memory back over the file's.
    EXPECT_EQ(GetPrivateProfileIntA("LAYOUT", "LAYOUT_CT_ROWS", 0, "kvw.cfg"), 4u);
    WriteConfig("[DISPLAY]\nDEFAULT_FONTNAME=Verdana\n[LAYOUT]\nLAYOUT_CT_ROWS=5\n");
    first.ReloadData();
    EXPECT_STREQ(D::m_strDefaultFontName, "Verdana");
    EXPECT_EQ(D::m_modality.m_nCTRows, 5);
    EXPECT_EQ(D::m_bLoaded, 0);
    WriteConfig("[DISPLAY]\nDEFAULT_FONTNAME=Courier\n");
    CDisplayConfig third;  // the flag was cleared, so this one reads again
    EXPECT_STREQ(D::m_strDefaultFontName, "Courier");
}

TEST_F(DisplayConfigTest, WriteDataThenReloadDataRoundTrips)
{
    WriteConfig("[DISPLAY]\nCUSTOM_COLOR_MODE=1\n");
    CDisplayConfig config;
    D::m_strDefaultFontName = "Segoe UI";
    D::m_iDefaultFontSize = 12;
    DWORD next = 0x010000;
    next = FillDistinct(D::m_dlg, next), next = FillDistinct(D::m_edit, next);
    next = FillDistinct(D::m_combo, next), next = FillDistinct(D::m_listBox, next);
    next = FillDistinct(D::m_button, next), next = FillDistinct(D::m_listCtrl, next);
    next = FillDistinct(D::m_listCtrl2, next), next = FillDistinct(D::m_treeCtrl, next);
    next = FillDistinct(D::m_datetime, next), next = FillDistinct(D::m_slider, next);
    next = FillDistinct(D::m_menu, next), next = FillDistinct(D::m_tab, next);
    next = FillDistinct(D::m_headerctrl, next), next = FillDistinct(D::m_infobar, next);
    next = FillDistinct(D::m_checkbutton, next), FillDistinct(D::m_radiobutton, next);
    const auto dlg = D::m_dlg;
    auto edit = D::m_edit;
    const auto combo = D::m_combo;
    const auto listBox = D::m_listBox;
    auto button = D::m_button;
    auto listCtrl = D::m_listCtrl;
    const auto listCtrl2 = D::m_listCtrl2;
    const auto treeCtrl = D::m_treeCtrl;
    auto datetime = D::m_datetime;
    const auto slider = D::m_slider;
    const auto menu = D::m_menu;
    const auto tab = D::m_tab;
    const auto headerctrl = D::m_headerctrl;
    const auto checkbutton = D::m_checkbutton;
    const auto radiobutton = D::m_radiobutton;

    config.WriteData();
    const std::string text = ReadConfig();
    EXPECT_NE(text.find("DEFAULT_FONTNAME=Segoe UI\n"), std::string::npos);
    EXPECT_NE(text.find("DEFAULT_FONTSIZE=0x0000000c\n"), std::string::npos);
    EXPECT_NE(text.find("COLOR_DLG_BACK=0x00010000\n"), std::string::npos);
    char keys[4096];
    const DWORD length = GetPrivateProfileStringA("DISPLAY", nullptr, "", keys, sizeof(keys), "kvw.cfg");
    int keyCount = 0;
    for (DWORD i = 0; i < length; ++i)
        keyCount += keys[i] == '\0';
    EXPECT_EQ(keyCount, 63);  // the mode already there, the font name and size, sixty colours

    config.ReloadData();
    EXPECT_STREQ(D::m_strDefaultFontName, "Segoe UI");
    EXPECT_EQ(D::m_iDefaultFontSize, 12);
    // Keys that WriteData leaves out come back with the scheme's defaults.
    edit.m_crCaret = 0;
    button.m_nStyle = 0;
    listCtrl.m_crSelText = 0xFFFFFF, listCtrl.m_crSelBack = 0x554034;
    const COLORREF sys8 = GetSysColor(COLOR_WINDOWTEXT);
    datetime.m_crMonthBack = datetime.m_crMonthText = datetime.m_crMonthTitleBack = sys8;
    datetime.m_crMonthTitleText = datetime.m_crMonthTrailingText = sys8;
    const D::CInfoBarCtrlColorData infobar = {0xFFFFFF, 0, 0xFFFFFF, 0};
    EXPECT_TRUE(SameBytes(D::m_dlg, dlg));
    EXPECT_TRUE(SameBytes(D::m_edit, edit));
    EXPECT_TRUE(SameBytes(D::m_combo, combo));
    EXPECT_TRUE(SameBytes(D::m_listBox, listBox));
    EXPECT_TRUE(SameBytes(D::m_button, button));
    EXPECT_TRUE(SameBytes(D::m_listCtrl, listCtrl));
    EXPECT_TRUE(SameBytes(D::m_listCtrl2, listCtrl2));
    EXPECT_TRUE(SameBytes(D::m_treeCtrl, treeCtrl));
    EXPECT_TRUE(SameBytes(D::m_datetime, datetime));
    EXPECT_TRUE(SameBytes(D::m_slider, slider));
    EXPECT_TRUE(SameBytes(D::m_menu, menu));
    EXPECT_TRUE(SameBytes(D::m_tab, tab));
    EXPECT_TRUE(SameBytes(D::m_headerctrl, headerctrl));
    EXPECT_TRUE(SameBytes(D::m_infobar, infobar));
    EXPECT_TRUE(SameBytes(D::m_checkbutton, checkbutton));
    EXPECT_TRUE(SameBytes(D::m_radiobutton, radiobutton));
}

TEST_F(DisplayConfigTest, SchemeSwitchKeepsKeysTheDefaultSchemeDoesNotRead)
{
    WriteConfig("[DISPLAY]\nCUSTOM_COLOR_MODE=1\n");
    CDisplayConfig config;
    WriteConfig("[DISPLAY]\nCUSTOM_COLOR_MODE=0\n");
    config.ReloadData();
    EXPECT_EQ(D::m_dlg.m_crBack, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(D::m_tab.m_crSelBack, GetSysColor(COLOR_BTNTEXT));  // kept from the custom scheme
    EXPECT_EQ(D::m_button.m_crMask, 0x280E05u);                   // its own value is the default
    EXPECT_EQ(D::m_infobar.m_crText, 0xFFFFFFu);
}

TEST_F(DisplayConfigTest, ReadStringCutsLongValuesToItsBuffer)
{
    WriteConfig("[DISPLAY]\nDEFAULT_FONTNAME=" + std::string(5000, 'x') + "\n");
    CDisplayConfig config;
    EXPECT_EQ(D::m_strDefaultFontName.GetLength(), CConfig::kReadStringBufferSize - 1);
}

TEST_F(DisplayConfigTest, ApplicationProfileInsteadOfTheFile)
{
    CWinApp app("Host");
    CConfig config;
    EXPECT_STREQ(config.m_strConfigFile, "kvw.cfg");
    config.m_bUseAppProfile = TRUE;
    config.WriteHex("DISPLAY", "COLOR_DLG_BACK", 0x102030);
    config.WriteInt("LAYOUT", "LAYOUT_CR_ROWS", -2);
    EXPECT_FALSE(fs::exists(m_dir / "kvw.cfg"));
    EXPECT_EQ(config.ReadInt("DISPLAY", "COLOR_DLG_BACK", 0), 0x102030);
    EXPECT_EQ(config.ReadInt("LAYOUT", "LAYOUT_CR_ROWS", 0), -2);
    EXPECT_STREQ(config.ReadString("DISPLAY", "COLOR_DLG_BACK", ""), "0x00102030");
    EXPECT_STREQ(config.ReadString("DISPLAY", "MISSING", "dflt"), "dflt");
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "COLOR_DLG_BACK", 0, "Host.ini"), 0x102030u);
}
