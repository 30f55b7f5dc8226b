// The application object. The most recently constructed CWinApp is the current one
// (AfxGetApp) until it is destroyed. Its profile is the INI file "<appname>.ini" in
// the profile directory (see platform/Profile.h).
#pragma once

#include "platform/CString.h"
#include "platform/Object.h"

class CWinApp : public CObject {
    DECLARE_DYNAMIC(CWinApp)
public:
    // A null name takes the program's file name.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
    BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
    // A null value deletes the entry, a null entry the whole section.
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

    // Binary values are stored as two lower-case hexadecimal digits per byte.
    // On success *ppData is allocated with new[] and the caller must delete[] it (the
    // framework's interface hands the buffer over this way); on failure (missing entry,
    // empty or malformed value) *ppData is null and *pBytes 0.
    BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, BYTE** ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, const BYTE* pData, UINT nBytes);

    // Point into strings this object owns; valid for its lifetime.
    LPCTSTR m_pszAppName = nullptr;
    LPCTSTR m_pszProfileName = nullptr;  // "<appname>.ini", a bare name resolved in the profile directory

private:
    CString m_strAppName;
    CString m_strProfileName;
    CWinApp* m_pPreviousApp = nullptr;
};

// The current application object, or null when none exists.
CWinApp* AfxGetApp();
