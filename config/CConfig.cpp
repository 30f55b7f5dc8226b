#include "config/CConfig.h"

#include "config/ConfigFiles.h"
#include "platform/Profile.h"
#include "platform/WinApp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Shared by every ReadString call of the process (only the user-interface thread reads).
char g_szReadStringBuffer[CConfig::kReadStringBufferSize];

LPCTSTR StoreReadString(const CString& value)
{
    const size_t count = std::min<size_t>(value.str().size(), sizeof(g_szReadStringBuffer) - 1);
    std::memcpy(g_szReadStringBuffer, value.str().data(), count);
    g_szReadStringBuffer[count] = '\0';
    return g_szReadStringBuffer;
}

}  // namespace

CConfig::CConfig()
    : m_strConfigFile(g_strDisplayConfigFile), m_bUseAppProfile(FALSE)
{
}

CConfig::~CConfig() = default;

int CConfig::ReadInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nDefault)
{
    if (m_bUseAppProfile) {
        // Without an application object there is no profile: the default stands.
        CWinApp* pApp = AfxGetApp();
        return pApp ? static_cast<int>(pApp->GetProfileInt(lpszSection, lpszKey, nDefault)) : nDefault;
    }
    return static_cast<int>(GetPrivateProfileIntA(lpszSection, lpszKey, nDefault, m_strConfigFile));
}

LPCTSTR CConfig::ReadString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszDefault)
{
    if (m_bUseAppProfile) {
        CWinApp* pApp = AfxGetApp();
        return StoreReadString(pApp ? pApp->GetProfileString(lpszSection, lpszKey, lpszDefault) : CString(lpszDefault));
    }
    GetPrivateProfileStringA(lpszSection, lpszKey, lpszDefault, g_szReadStringBuffer, sizeof(g_szReadStringBuffer),
                             m_strConfigFile);
    return g_szReadStringBuffer;
}

void CConfig::WriteString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszValue)
{
    if (m_bUseAppProfile) {
        if (CWinApp* pApp = AfxGetApp())
            pApp->WriteProfileString(lpszSection, lpszKey, lpszValue);
        return;
    }
    WritePrivateProfileStringA(lpszSection, lpszKey, lpszValue, m_strConfigFile);
}

void CConfig::WriteHex(LPCTSTR lpszSection, LPCTSTR lpszKey, DWORD dwValue)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", static_cast<unsigned>(dwValue));
    WriteString(lpszSection, lpszKey, text);
}

void CConfig::WriteInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nValue)
{
    if (m_bUseAppProfile) {
        if (CWinApp* pApp = AfxGetApp())
            pApp->WriteProfileInt(lpszSection, lpszKey, nValue);
        return;
    }
    char text[16];
    std::snprintf(text, sizeof(text), "%d", nValue);
    WriteString(lpszSection, lpszKey, text);
}
