// Private profile (INI) files with the Win32 interface. A bare file name lives in the
// profile directory: $TESSOR_PROFILE_DIR when set, otherwise $XDG_CONFIG_HOME/tessor
// (~/.config/tessor); a name with a slash is used as given. Section and key names
// compare without regard to case. Every call reads the file afresh; every write
// rewrites the whole file through a temporary file and a rename, keeping the other
// sections, keys and the comments attached to them, and creates the file and its
// directory when missing.
#pragma once

#include "platform/CString.h"

// The value of the key as an integer: decimal or 0x hexadecimal after an optional
// sign, leading digits only ("12ab" is 12, "abc" is 0). nDefault when the key is
// missing or its value is empty.
UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault, LPCSTR lpFileName);

// Copies the value (surrounding quotes removed) or, when the key is missing, lpDefault
// without trailing blanks, cut to nSize - 1 characters and NUL-terminated; returns the
// number of characters copied. A null lpAppName lists the section names, a null
// lpKeyName the section's key names: each name NUL-terminated, one more NUL after the
// last; when the list does not fit it is cut and nSize - 2 is returned.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName);

// Sets the key's value; a null lpString deletes the key, a null lpKeyName the whole
// section. FALSE when the file cannot be read or written (a read-only file stays as it is).
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);

inline UINT GetPrivateProfileInt(LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault, LPCSTR lpFileName)
{
    return GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, lpFileName);
}
inline DWORD GetPrivateProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                     DWORD nSize, LPCSTR lpFileName)
{
    return GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName);
}
inline BOOL WritePrivateProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName)
{
    return WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, lpFileName);
}

// The directory that holds bare-named profile files (read from the environment at each call).
CString GetProfileDirectory();
// Where a profile file name leads: into the profile directory unless it has a slash.
CString ResolveProfilePath(LPCSTR lpFileName);
// The key's value (quotes removed) without a length limit; FALSE when the key is missing.
BOOL ReadPrivateProfileValue(LPCSTR lpAppName, LPCSTR lpKeyName, CString& value, LPCSTR lpFileName);
// The integer rules of GetPrivateProfileIntA applied to a value that is present.
UINT ParseProfileInt(LPCSTR lpszValue);
