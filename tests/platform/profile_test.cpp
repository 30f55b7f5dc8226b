#include "platform/Profile.h"
#include "platform/WinApp.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Every test gets its own profile directory.
class ProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testfiles::FreshDir(std::string("profile_") +
                                    testing::UnitTest::GetInstance()->current_test_info()->name());
        setenv("TESSOR_PROFILE_DIR", m_dir.c_str(), 1);
    }

    void WriteFile(const std::string& name, const std::string& content) const
    {
        std::ofstream(m_dir / name, std::ios::binary) << content;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::string Read(LPCSTR section, LPCSTR key, LPCSTR file, LPCSTR def = "none")
    {
        char buffer[256];
        GetPrivateProfileStringA(section, key, def, buffer, sizeof(buffer), file);
        return buffer;
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(ProfileTest, WrittenValueReadsBackWhateverTheCase)
{
    ASSERT_TRUE(WritePrivateProfileStringA("PIXEL_SELECT", "Count", "3", "tessor.ini"));
    EXPECT_EQ(Read("PIXEL_SELECT", "Count", "tessor.ini"), "3");
    EXPECT_EQ(Read("pixel_select", "COUNT", "tessor.ini"), "3");
    EXPECT_EQ(GetPrivateProfileIntA("Pixel_Select", "count", 9, "tessor.ini"), 3u);
    EXPECT_EQ(ReadFile("tessor.ini").find("Count=3"), ReadFile("tessor.ini").find("Count"));

    // Writing under another spelling replaces the value and keeps the file's spelling.
    ASSERT_TRUE(WritePrivateProfileStringA("pixel_select", "COUNT", "4", "tessor.ini"));
    EXPECT_EQ(GetPrivateProfileIntA("PIXEL_SELECT", "Count", 9, "tessor.ini"), 4u);
    char names[64];
    EXPECT_EQ(GetPrivateProfileStringA("PIXEL_SELECT", nullptr, "", names, sizeof(names), "tessor.ini"), 6u);
    EXPECT_STREQ(names, "Count");
}

TEST_F(ProfileTest, IntegersReadAsWindowsReadsThem)
{
    WriteFile("kvw.cfg", "[DISPLAY]\nHEX=0x00280e05\nUPPER=0X1F\nNEG=-12\nPLUS=+7\nSPACED=  42  \n"
                         "TRAILING=12ab\nWORD=abc\nEMPTY=\nQUOTED=\"15\"\nBIG=0xFFFFFFFF\n");
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "HEX", 0, "kvw.cfg"), 0x280E05u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "UPPER", 0, "kvw.cfg"), 31u);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("DISPLAY", "NEG", 0, "kvw.cfg")), -12);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "PLUS", 0, "kvw.cfg"), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "SPACED", 0, "kvw.cfg"), 42u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "TRAILING", 0, "kvw.cfg"), 12u);
    // A value that is present but not a number is 0; the default is for a missing or empty value.
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "WORD", 5, "kvw.cfg"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "EMPTY", 5, "kvw.cfg"), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "MISSING", 5, "kvw.cfg"), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("NOSECTION", "HEX", -3, "kvw.cfg"), static_cast<UINT>(-3));
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "HEX", 6, "missing.cfg"), 6u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "QUOTED", 0, "kvw.cfg"), 15u);
    EXPECT_EQ(GetPrivateProfileIntA("DISPLAY", "BIG", 0, "kvw.cfg"), 0xFFFFFFFFu);
}

TEST_F(ProfileTest, StringReadsCutToTheBufferAndUseTheDefault)
{
    WriteFile("a.ini", "[S]\nname=  Arial Narrow  \nquoted='a b'\n");
    char buffer[6];
    EXPECT_EQ(GetPrivateProfileStringA("S", "name", "x", buffer, sizeof(buffer), "a.ini"), 5u);
    EXPECT_STREQ(buffer, "Arial");
    EXPECT_EQ(Read("S", "name", "a.ini"), "Arial Narrow");
    EXPECT_EQ(Read("S", "quoted", "a.ini"), "a b");
    // The default loses its trailing blanks; a null default reads as empty.
    EXPECT_EQ(Read("S", "missing", "a.ini", "fallback  "), "fallback");
    EXPECT_EQ(Read("S", "missing", "a.ini", nullptr), "");
    EXPECT_EQ(GetPrivateProfileStringA("S", "name", "x", buffer, 0, "a.ini"), 0u);
}

TEST_F(ProfileTest, NullNamesListSectionsAndKeys)
{
    WriteFile("list.ini", "[One]\nb=1\na=2\n[Two]\nc=3\n");
    char buffer[64];
    const DWORD sections = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof(buffer), "list.ini");
    EXPECT_EQ(std::string(buffer, sections), std::string("One\0Two\0", 8));
    const DWORD keys = GetPrivateProfileStringA("one", nullptr, "", buffer, sizeof(buffer), "list.ini");
    EXPECT_EQ(std::string(buffer, keys + 1), std::string("b\0a\0\0", 5));
    // Too small: cut, ending with two NULs, and size - 2 returned.
    char small[5];
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", small, sizeof(small), "list.ini"), 3u);
    EXPECT_EQ(std::string(small, 5), std::string("One\0\0", 5));
}

TEST_F(ProfileTest, WritingKeepsTheRestOfTheFile)
{
    WriteFile("kvw.cfg", "; shared display settings\n[DISPLAY]\n; dark scheme\nCUSTOM_COLOR_MODE=1\n"
                         "COLOR_DLG_BACK=0x00102030\n[LAYOUT]\nLAYOUT_CR_ROWS=4\n");
    ASSERT_TRUE(WritePrivateProfileStringA("display", "COLOR_DLG_BACK", "0x00000001", "kvw.cfg"));
    ASSERT_TRUE(WritePrivateProfileStringA("NEW", "KEY", "v", "kvw.cfg"));
    const std::string text = ReadFile("kvw.cfg");
    EXPECT_NE(text.find("; shared display settings"), std::string::npos);
    EXPECT_NE(text.find("; dark scheme\nCUSTOM_COLOR_MODE=1"), std::string::npos);
    EXPECT_NE(text.find("COLOR_DLG_BACK=0x00000001"), std::string::npos);
    EXPECT_EQ(text.find("0x00102030"), std::string::npos);
    EXPECT_NE(text.find("[LAYOUT]\nLAYOUT_CR_ROWS=4"), std::string::npos);
    EXPECT_NE(text.find("[NEW]\nKEY=v"), std::string::npos);
    EXPECT_LT(text.find("[DISPLAY]"), text.find("[LAYOUT]"));

    // Null value deletes the key, null key the section.
    ASSERT_TRUE(WritePrivateProfileStringA("DISPLAY", "CUSTOM_COLOR_MODE", nullptr, "kvw.cfg"));
    EXPECT_EQ(Read("DISPLAY", "CUSTOM_COLOR_MODE", "kvw.cfg"), "none");
    ASSERT_TRUE(WritePrivateProfileStringA("LAYOUT", nullptr, nullptr, "kvw.cfg"));
    EXPECT_EQ(ReadFile("kvw.cfg").find("LAYOUT"), std::string::npos);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(ProfileTest, DirectoryFromTheEnvironment)
{
    const std::string saved = m_dir.string();
    const fs::path nested = m_dir / "deeper" / "still";
    setenv("TESSOR_PROFILE_DIR", nested.c_str(), 1);
    EXPECT_STREQ(GetProfileDirectory(), nested.c_str());
    EXPECT_STREQ(ResolveProfilePath("kvw.cfg"), (nested / "kvw.cfg").c_str());
    EXPECT_STREQ(ResolveProfilePath("/tmp/x.ini"), "/tmp/x.ini");

    // The first write creates the directory and the file.
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "1", "kvw.cfg"));
    EXPECT_TRUE(fs::exists(nested / "kvw.cfg"));

    // A path with a slash is used as given.
    const fs::path explicitFile = fs::path(saved) / "elsewhere" / "own.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "2", explicitFile.c_str()));
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, explicitFile.c_str()), 2u);

    unsetenv("TESSOR_PROFILE_DIR");
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    EXPECT_STREQ(GetProfileDirectory(), (fs::path(saved) / "tessor").c_str());
    setenv("TESSOR_PROFILE_DIR", saved.c_str(), 1);
}

TEST_F(ProfileTest, ReadOnlyFileIsLeftAlone)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    WriteFile("ro.ini", "[S]\nk=1\n");
    fs::permissions(m_dir / "ro.ini", fs::perms::owner_read);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "2", "ro.ini"));
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, "ro.ini"), 1u);
    fs::permissions(m_dir / "ro.ini", fs::perms::owner_all);
}

TEST_F(ProfileTest, ApplicationProfile)
{
    CWinApp app("StitchHost");
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(app.m_pszProfileName, "StitchHost.ini");

    const BYTE placement[] = {0x2C, 0x00, 0x00, 0xFF, 0x10, 0xAB};
    ASSERT_TRUE(app.WriteProfileBinary("DIALOG", "POS", placement, sizeof(placement)));
    EXPECT_NE(ReadFile("StitchHost.ini").find("POS=2c0000ff10ab"), std::string::npos);
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    ASSERT_TRUE(app.GetProfileBinary("dialog", "pos", &pData, &nBytes));
    const std::unique_ptr<BYTE[]> owner(pData);  // the caller owns the buffer
    ASSERT_EQ(nBytes, sizeof(placement));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pData), nBytes),
              std::string(reinterpret_cast<const char*>(placement), sizeof(placement)));

    ASSERT_TRUE(app.WriteProfileString("DIALOG", "BAD", "12x4"));
    EXPECT_FALSE(app.GetProfileBinary("DIALOG", "BAD", &pData, &nBytes));
    EXPECT_EQ(pData, nullptr);
    EXPECT_EQ(nBytes, 0u);
    EXPECT_FALSE(app.GetProfileBinary("DIALOG", "MISSING", &pData, &nBytes));

    ASSERT_TRUE(app.WriteProfileInt("DIALOG", "N", -5));
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("DIALOG", "N", 0)), -5);
    EXPECT_STREQ(app.GetProfileString("DIALOG", "N"), "-5");
    EXPECT_STREQ(app.GetProfileString("DIALOG", "NONE", "dflt"), "dflt");
    {
        CWinApp inner("Inner");
        EXPECT_EQ(AfxGetApp(), &inner);
    }
    EXPECT_EQ(AfxGetApp(), &app);
}
