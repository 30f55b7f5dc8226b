// COleDateTime (days since 30 December 1899 as a double) and CTime (seconds since
// the Unix epoch), with the framework's field access and strftime-style Format.
#pragma once

#include "platform/CString.h"

#include <cstdint>
#include <ctime>

using DATE = double;

// Returned by the field getters of an invalid or out-of-range date.
constexpr int AFX_OLE_DATETIME_ERROR = -1;

class COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    // 30 December 1899, 00:00:00: a valid date.
    COleDateTime() = default;
    COleDateTime(DATE dtSrc) : m_dt(dtSrc) {}
    COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

    static COleDateTime GetCurrentTime();

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }

    // Each returns 0 and makes the date valid when every field is in range (year 100 to
    // 9999, a real calendar day, hour 0-23, minute and second 0-59); otherwise returns 1,
    // marks the date invalid and leaves m_dt unchanged.
    int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
    int SetDate(int nYear, int nMonth, int nDay) { return SetDateTime(nYear, nMonth, nDay, 0, 0, 0); }
    // The time of day on 30 December 1899.
    int SetTime(int nHour, int nMin, int nSec) { return SetDateTime(1899, 12, 30, nHour, nMin, nSec); }

    // Fields of the date rounded to the nearest second; AFX_OLE_DATETIME_ERROR when the
    // date is not valid or lies outside years 100 to 9999.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday
    int GetDayOfYear() const;  // 1 = 1 January

    // strftime formatting of the fields; "Invalid DateTime" when invalid, empty when null.
    CString Format(LPCTSTR lpszFormat) const;

    operator DATE() const { return m_dt; }
    COleDateTime& operator=(DATE dtSrc)
    {
        m_dt = dtSrc;
        m_status = valid;
        return *this;
    }

    DATE m_dt = 0.0;
    DateTimeStatus m_status = valid;

private:
    // Broken-down fields; false when invalid or out of range.
    bool ToTm(std::tm& tm) const;
    int Field(int std::tm::*member, int offset) const;
};

class CTime {
public:
    CTime() = default;
    CTime(std::int64_t time) : m_time(time) {}
    // Local time; nDST < 0 lets the C library decide whether daylight saving applies.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);

    static CTime GetCurrentTime();

    std::int64_t GetTime() const { return m_time; }
    // Fields in local time.
    int GetYear() const { return LocalTm().tm_year + 1900; }
    int GetMonth() const { return LocalTm().tm_mon + 1; }
    int GetDay() const { return LocalTm().tm_mday; }
    int GetHour() const { return LocalTm().tm_hour; }
    int GetMinute() const { return LocalTm().tm_min; }
    int GetSecond() const { return LocalTm().tm_sec; }
    int GetDayOfWeek() const { return LocalTm().tm_wday + 1; }  // 1 = Sunday

    // strftime formatting in local time, respectively in UTC.
    CString Format(LPCTSTR lpszFormat) const;
    CString FormatGmt(LPCTSTR lpszFormat) const;

    friend auto operator<=>(const CTime&, const CTime&) = default;

private:
    std::tm LocalTm() const;

    std::int64_t m_time = 0;
};
