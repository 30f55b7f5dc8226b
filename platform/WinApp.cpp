#include "platform/WinApp.h"

#include "platform/Profile.h"

#include <cerrno>
#include <memory>
#include <string>

namespace {

CWinApp* g_pCurrentApp = nullptr;

CString ProgramName()
{
    const char* name = program_invocation_short_name;
    return CString(name != nullptr && *name != '\0' ? name : "tessor");
}

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CObject)

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_strAppName(lpszAppName != nullptr && *lpszAppName != '\0' ? CString(lpszAppName) : ProgramName())
{
    m_strProfileName = m_strAppName + ".ini";
    m_pszAppName = m_strAppName;
    m_pszProfileName = m_strProfileName;
    m_pPreviousApp = g_pCurrentApp;
    g_pCurrentApp = this;
}

CWinApp::~CWinApp()
{
    // Normally the current application goes last; if not, the previous one takes over.
    if (g_pCurrentApp == this)
        g_pCurrentApp = m_pPreviousApp;
}

CWinApp* AfxGetApp()
{
    return g_pCurrentApp;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault)
{
    return GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault)
{
    CString value;
    if (ReadPrivateProfileValue(lpszSection, lpszEntry, value, m_pszProfileName))
        return value;
    return CString(lpszDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
    const std::string text = std::to_string(nValue);
    return WritePrivateProfileStringA(lpszSection, lpszEntry, text.c_str(), m_pszProfileName);
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
    return WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

BOOL CWinApp::GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, BYTE** ppData, UINT* pBytes)
{
    if (ppData == nullptr || pBytes == nullptr)
        return FALSE;
    *ppData = nullptr;
    *pBytes = 0;
    const CString text = GetProfileString(lpszSection, lpszEntry);
    const int length = text.GetLength();
    if (length == 0 || length % 2 != 0)
        return FALSE;
    auto data = std::make_unique<BYTE[]>(static_cast<size_t>(length / 2));
    for (int i = 0; i < length; i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return FALSE;
        data[static_cast<size_t>(i / 2)] = static_cast<BYTE>(high * 16 + low);
    }
    *pBytes = static_cast<UINT>(length / 2);
    *ppData = data.release();  // the caller delete[]s it
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, const BYTE* pData, UINT nBytes)
{
    static const char kDigits[] = "0123456789abcdef";
    if (pData == nullptr && nBytes != 0)
        return FALSE;
    std::string text;
    text.reserve(static_cast<size_t>(nBytes) * 2);
    for (UINT i = 0; i < nBytes; ++i) {
        text += kDigits[pData[i] >> 4];
        text += kDigits[pData[i] & 0x0F];
    }
    return WritePrivateProfileStringA(lpszSection, lpszEntry, text.c_str(), m_pszProfileName);
}
