#include "platform/Profile.h"

// SimpleIni is used with 8-bit text only (no wide-character conversion), and its
// member definitions are compiled into this one file.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The parsed file; empty when it does not exist. False when it exists but cannot be read.
bool LoadIni(const fs::path& path, CSimpleIniA& ini)
{
    ini.SetSpaces(false);     // "key=value", as Windows writes
    ini.SetMultiKey(true);    // keep repeated keys; reads see the first, as on Windows
    ini.SetMultiLine(false);
    std::error_code ec;
    if (!fs::exists(path, ec))
        return !ec;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return false;
    return ini.LoadData(text.str()) >= 0;
}

// Windows drops one pair of matching quotes around a value.
std::string Unquote(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Copies text into the caller's buffer, cut to size - 1 characters; returns the count.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    const size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// Names one after another, each NUL-terminated, then one more NUL.
DWORD CopyNameList(const CSimpleIniA::TNamesDepend& names, LPSTR buffer, DWORD size)
{
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::string list;
    for (const auto& entry : names) {
        list += entry.pItem;
        list += '\0';
    }
    if (list.size() + 1 > size) {
        // Cut to fit and end with two NULs, as Windows does.
        std::memcpy(buffer, list.data(), size - 2);
        buffer[size - 2] = '\0';
        buffer[size - 1] = '\0';
        return size - 2;
    }
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
}

CSimpleIniA::TNamesDepend InFileOrder(CSimpleIniA::TNamesDepend names)
{
    names.sort(CSimpleIniA::Entry::LoadOrder());
    return names;
}

// The key as the file spells it, so that replacing a value keeps the spelling.
std::string ExistingKeyName(const CSimpleIniA& ini, LPCSTR section, LPCSTR key)
{
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(section, keys);
    for (const auto& entry : keys) {
        if (strcasecmp(entry.pItem, key) == 0)
            return entry.pItem;
    }
    return key;
}

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return ".";
}

// Replaces the file's content in one step: a crash leaves either the old or the new file.
bool ReplaceFileAtomically(const fs::path& path, const std::string& content)
{
    std::string tempName = path.string() + ".XXXXXX";
    const int fd = mkstemp(tempName.data());
    if (fd < 0)
        return false;
    // mkstemp creates the file private to the owner; a profile keeps the old file's
    // permissions, or gets the usual ones for a configuration file.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0;
    for (size_t written = 0; ok && written < content.size();) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0)
            ok = false;
        else
            written += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tempName.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(tempName.c_str());
    return ok;
}

// The file that a write changes: a symbolic link is followed so that the link stays.
fs::path WriteTarget(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path target = fs::weakly_canonical(path, ec);
        if (!ec)
            return target;
    }
    return path;
}

}  // namespace

CString GetProfileDirectory()
{
    if (const char* dir = std::getenv("TESSOR_PROFILE_DIR"); dir != nullptr && *dir != '\0')
        return CString(dir);
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/')
        return CString((fs::path(config) / "tessor").string());
    return CString((fs::path(HomeDirectory()) / ".config" / "tessor").string());
}

CString ResolveProfilePath(LPCSTR lpFileName)
{
    if (lpFileName == nullptr || *lpFileName == '\0')
        return CString();
    if (std::strchr(lpFileName, '/') != nullptr)
        return CString(lpFileName);
    return CString((fs::path(GetProfileDirectory().str()) / lpFileName).string());
}

UINT ParseProfileInt(LPCSTR lpszValue)
{
    const char* p = lpszValue ? lpszValue : "";
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    // Accumulates modulo 2^32, as the Windows conversion does.
    UINT value = 0;
    for (;; ++p) {
        unsigned digit = 0;
        if (*p >= '0' && *p <= '9')
            digit = static_cast<unsigned>(*p - '0');
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            digit = static_cast<unsigned>(*p - 'a' + 10);
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            digit = static_cast<unsigned>(*p - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

BOOL ReadPrivateProfileValue(LPCSTR lpAppName, LPCSTR lpKeyName, CString& value, LPCSTR lpFileName)
{
    const CString path = ResolveProfilePath(lpFileName);
    if (lpAppName == nullptr || lpKeyName == nullptr || path.IsEmpty())
        return FALSE;
    CSimpleIniA ini;
    if (!LoadIni(path.str(), ini))
        return FALSE;
    const char* found = ini.GetValue(lpAppName, lpKeyName, nullptr);
    if (found == nullptr)
        return FALSE;
    value = CString(Unquote(found));
    return TRUE;
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, int nDefault, LPCSTR lpFileName)
{
    CString value;
    if (!ReadPrivateProfileValue(lpAppName, lpKeyName, value, lpFileName) || value.IsEmpty())
        return static_cast<UINT>(nDefault);
    return ParseProfileInt(value);
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    if (lpAppName == nullptr || lpKeyName == nullptr) {
        CSimpleIniA ini;
        const CString path = ResolveProfilePath(lpFileName);
        if (path.IsEmpty() || !LoadIni(path.str(), ini))
            return CopyNameList({}, lpReturnedString, nSize);
        CSimpleIniA::TNamesDepend names;
        if (lpAppName == nullptr)
            ini.GetAllSections(names);
        else
            ini.GetAllKeys(lpAppName, names);
        return CopyNameList(InFileOrder(names), lpReturnedString, nSize);
    }
    CString value;
    if (ReadPrivateProfileValue(lpAppName, lpKeyName, value, lpFileName))
        return CopyOut(value.str(), lpReturnedString, nSize);
    std::string fallback = lpDefault ? lpDefault : "";
    fallback.erase(fallback.find_last_not_of(' ') + 1);
    return CopyOut(fallback, lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName)
{
    if (lpAppName == nullptr)  // all three null asks Windows to flush its cache: there is none
        return lpKeyName == nullptr && lpString == nullptr ? TRUE : FALSE;
    const CString resolved = ResolveProfilePath(lpFileName);
    if (resolved.IsEmpty())
        return FALSE;
    const fs::path path = WriteTarget(resolved.str());
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    if (ec || (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0))
        return FALSE;
    CSimpleIniA ini;
    if (!LoadIni(path, ini))
        return FALSE;
    if (lpKeyName == nullptr)
        ini.Delete(lpAppName, nullptr);
    else if (lpString == nullptr)
        ini.Delete(lpAppName, lpKeyName);
    else if (ini.SetValue(lpAppName, ExistingKeyName(ini, lpAppName, lpKeyName).c_str(), lpString, nullptr, true) < 0)
        return FALSE;
    std::string content;
    if (ini.Save(content, ini.IsUnicode()) < 0)
        return FALSE;
    return ReplaceFileAtomically(path, content) ? TRUE : FALSE;
}
