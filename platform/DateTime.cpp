#include "platform/DateTime.h"

#include <chrono>
#include <cmath>
#include <vector>

namespace {

constexpr double kHalfSecond = 1.0 / 172800.0;
constexpr std::int64_t kSecondsPerDay = 86400;
// The range COleDateTime represents: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

// Days from 1 January 1970 to a proleptic Gregorian date (Howard Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

constexpr std::int64_t kEpoch1899 = DaysFromCivil(1899, 12, 30);

CString FormatTm(const std::tm& tm, LPCTSTR lpszFormat)
{
    if (lpszFormat == nullptr || *lpszFormat == '\0')
        return CString();
    // strftime reports 0 both for "buffer too small" and for an empty result, so grow a few times.
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(size);
        const size_t length = std::strftime(buffer.data(), buffer.size(), lpszFormat, &tm);
        if (length > 0)
            return CString(buffer.data(), static_cast<int>(length));
    }
    return CString();
}

}  // namespace

// ---- COleDateTime ----

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec)
{
    SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime COleDateTime::GetCurrentTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return COleDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec)
{
    const bool inRange = nYear >= 100 && nYear <= 9999 && nMonth >= 1 && nMonth <= 12 && nDay >= 1 &&
                         nDay <= DaysInMonth(nYear, nMonth) && nHour >= 0 && nHour <= 23 && nMin >= 0 &&
                         nMin <= 59 && nSec >= 0 && nSec <= 59;
    if (!inRange) {
        m_status = invalid;
        return 1;
    }
    const std::int64_t days = DaysFromCivil(nYear, static_cast<unsigned>(nMonth), static_cast<unsigned>(nDay)) - kEpoch1899;
    const double time = static_cast<double>(nHour * 3600 + nMin * 60 + nSec) / static_cast<double>(kSecondsPerDay);
    // Before the epoch the fraction still counts forward from midnight, so it is subtracted.
    m_dt = static_cast<double>(days) + (days >= 0 ? time : -time);
    m_status = valid;
    return 0;
}

bool COleDateTime::ToTm(std::tm& tm) const
{
    if (m_status != valid || !(m_dt > kMinDate && m_dt < kMaxDate))
        return false;
    const double rounded = m_dt + (m_dt > 0.0 ? kHalfSecond : -kHalfSecond);
    const auto days = static_cast<std::int64_t>(rounded);  // toward zero
    const double magnitude = std::fabs(rounded);
    auto seconds = static_cast<std::int64_t>((magnitude - std::floor(magnitude)) * static_cast<double>(kSecondsPerDay));
    if (seconds >= kSecondsPerDay)
        seconds = kSecondsPerDay - 1;
    const std::int64_t civilDays = days + kEpoch1899;
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(civilDays, year, month, day);
    if (year < 100 || year > 9999)
        return false;
    tm = std::tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = static_cast<int>(seconds / 3600);
    tm.tm_min = static_cast<int>(seconds / 60 % 60);
    tm.tm_sec = static_cast<int>(seconds % 60);
    tm.tm_wday = static_cast<int>(((civilDays % 7) + 11) % 7);  // 1 January 1970 was a Thursday
    tm.tm_yday = static_cast<int>(civilDays - DaysFromCivil(year, 1, 1));
    tm.tm_isdst = -1;
    return true;
}

int COleDateTime::Field(int std::tm::*member, int offset) const
{
    std::tm tm{};
    return ToTm(tm) ? tm.*member + offset : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetYear() const { return Field(&std::tm::tm_year, 1900); }
int COleDateTime::GetMonth() const { return Field(&std::tm::tm_mon, 1); }
int COleDateTime::GetDay() const { return Field(&std::tm::tm_mday, 0); }
int COleDateTime::GetHour() const { return Field(&std::tm::tm_hour, 0); }
int COleDateTime::GetMinute() const { return Field(&std::tm::tm_min, 0); }
int COleDateTime::GetSecond() const { return Field(&std::tm::tm_sec, 0); }
int COleDateTime::GetDayOfWeek() const { return Field(&std::tm::tm_wday, 1); }
int COleDateTime::GetDayOfYear() const { return Field(&std::tm::tm_yday, 1); }

CString COleDateTime::Format(LPCTSTR lpszFormat) const
{
    if (m_status == null)
        return CString();
    std::tm tm{};
    if (!ToTm(tm))
        return CString("Invalid DateTime");
    return FormatTm(tm, lpszFormat);
}

// ---- CTime ----

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
{
    std::tm tm{};
    tm.tm_year = nYear - 1900;
    tm.tm_mon = nMonth - 1;
    tm.tm_mday = nDay;
    tm.tm_hour = nHour;
    tm.tm_min = nMin;
    tm.tm_sec = nSec;
    tm.tm_isdst = nDST < 0 ? -1 : (nDST > 0 ? 1 : 0);
    m_time = static_cast<std::int64_t>(std::mktime(&tm));
}

CTime CTime::GetCurrentTime()
{
    return CTime(static_cast<std::int64_t>(std::time(nullptr)));
}

std::tm CTime::LocalTm() const
{
    const auto time = static_cast<std::time_t>(m_time);
    std::tm tm{};
    localtime_r(&time, &tm);
    return tm;
}

CString CTime::Format(LPCTSTR lpszFormat) const
{
    return FormatTm(LocalTm(), lpszFormat);
}

CString CTime::FormatGmt(LPCTSTR lpszFormat) const
{
    const auto time = static_cast<std::time_t>(m_time);
    std::tm tm{};
    gmtime_r(&time, &tm);
    return FormatTm(tm, lpszFormat);
}
