// tessor.ini's moving-step choices and the profile routines that read and write them.
#include "dialog/PixelChoices.h"

#include "config/ConfigFiles.h"
#include "platform/ComboBox.h"
#include "platform/Profile.h"

#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kSection = "PIXEL_SELECT";
constexpr const char* kBuiltInChoices[] = {"1", "10", "20", "30", "50", "100", "200"};

// The module-wide buffer of ReadPixelProfileString: 254 characters and the NUL are filled.
std::array<char, 256> g_szProfileValue{};
constexpr DWORD kProfileReadSize = 255;

}  // namespace

int ReadPixelProfileInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nDefault)
{
    return static_cast<int>(GetPrivateProfileIntA(lpszSection, lpszKey, nDefault, g_strModuleProfileFile));
}

LPCTSTR ReadPixelProfileString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszDefault)
{
    g_szProfileValue.fill('\0');
    GetPrivateProfileStringA(lpszSection, lpszKey, lpszDefault, g_szProfileValue.data(), kProfileReadSize,
                             g_strModuleProfileFile);
    return g_szProfileValue.data();
}

void WritePixelProfileInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nValue)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    WritePrivateProfileStringA(lpszSection, lpszKey, text, g_strModuleProfileFile);
}

void FillPixelChoices(CComboBox& combo)
{
    const int nCount = ReadPixelProfileInt(kSection, "COUNT", 0);
    if (nCount <= 0) {
        for (const char* choice : kBuiltInChoices)
            combo.AddString(choice);
        WritePixelProfileInt(kSection, "COUNT", nCount);
        return;
    }
    // Every read opens the file again: a corrupt, huge COUNT must not stall the dialog.
    const int nItems = nCount < kMaxPixelChoices ? nCount : kMaxPixelChoices;
    for (int i = 1; i <= nItems; ++i) {
        char key[24];
        std::snprintf(key, sizeof key, "ITEM%d", i);
        const CString choice = ReadPixelProfileString(kSection, key, "");
        if (!choice.IsEmpty())
            combo.AddString(choice);
    }
}

int ParseChoiceValue(LPCTSTR lpszText)
{
    const char* p = lpszText != nullptr ? lpszText : "";
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}
