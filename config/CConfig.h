// Reads and writes the values of the host's shared configuration file (kvw.cfg), or
// of the application object's profile when m_bUseAppProfile is set.
#pragma once

#include "platform/CString.h"

class CConfig {
public:
    // Size of the buffer that ReadString returns, terminating NUL included.
    static constexpr int kReadStringBufferSize = 4096;

    CConfig();
    virtual ~CConfig();
    CConfig(const CConfig&) = default;
    CConfig& operator=(const CConfig&) = default;

    // The profile's integer read (decimal or 0x hexadecimal), nDefault when missing.
    int ReadInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nDefault);
    // The value, cut to 4,095 characters, in one process-wide buffer whose address is
    // returned: the next ReadString overwrites it.
    LPCTSTR ReadString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszDefault);
    // Writes; failures (a read-only file, for instance) are ignored.
    void WriteString(LPCTSTR lpszSection, LPCTSTR lpszKey, LPCTSTR lpszValue);
    void WriteHex(LPCTSTR lpszSection, LPCTSTR lpszKey, DWORD dwValue);  // "0x%08x"
    void WriteInt(LPCTSTR lpszSection, LPCTSTR lpszKey, int nValue);     // "%d"

    CString m_strConfigFile;  // copied from g_strDisplayConfigFile
    BOOL m_bUseAppProfile;    // read and write the application object's profile instead
};
