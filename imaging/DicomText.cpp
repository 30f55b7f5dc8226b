#include "imaging/DicomText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace imaging {

std::string_view TrimPadding(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

namespace {

bool AllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int Digits(std::string_view text)
{
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

}  // namespace

bool ParseIS(std::string_view text, std::int32_t& value)
{
    text = TrimPadding(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t parsed = 0;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (!AllDigits(text) || text.size() > 12)
        return false;
    std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (negative)
        parsed = -parsed;
    if (parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}

bool ParseDS(std::string_view text, double& value)
{
    text = TrimPadding(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool ParseDA(std::string_view text, VALUEDATE& value)
{
    text = TrimPadding(text);
    if (text.size() != 8 || !AllDigits(text))
        return false;
    const int year = Digits(text.substr(0, 4));
    const int month = Digits(text.substr(4, 2));
    const int day = Digits(text.substr(6, 2));
    if (!ValidDate(year, month, day))
        return false;
    value = {static_cast<USHORT>(year), static_cast<USHORT>(month), static_cast<USHORT>(day)};
    return true;
}

bool ParseTM(std::string_view text, VALUETIME& value)
{
    text = TrimPadding(text);
    std::string_view fraction;
    if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
        fraction = text.substr(dot + 1);
        text = text.substr(0, dot);
        if (text.size() != 6 || fraction.empty() || fraction.size() > 6 || !AllDigits(fraction))
            return false;
    }
    if ((text.size() != 2 && text.size() != 4 && text.size() != 6) || !AllDigits(text))
        return false;
    const int hours = Digits(text.substr(0, 2));
    const int minutes = text.size() >= 4 ? Digits(text.substr(2, 2)) : 0;
    const int seconds = text.size() >= 6 ? Digits(text.substr(4, 2)) : 0;
    // 60 seconds is allowed for a leap second.
    if (hours > 23 || minutes > 59 || seconds > 60)
        return false;
    ULONG micro = fraction.empty() ? 0 : static_cast<ULONG>(Digits(fraction));
    for (size_t n = fraction.size(); n < 6; ++n)
        micro *= 10;
    value = {static_cast<USHORT>(hours), static_cast<USHORT>(minutes), static_cast<USHORT>(seconds), micro};
    return true;
}

std::string FormatIS(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool FormatDS(double value, std::string& text)
{
    if (!std::isfinite(value))
        return false;
    if (value == 0.0)
        value = 0.0;  // no "-0"
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    // Shortest round-trip form first; when longer than DS allows, fewer digits.
    for (int precision = 16; result.ptr - buffer > 16 && precision > 0; --precision)
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    text.assign(buffer, result.ptr);
    return text.size() <= 16;
}

bool FormatDA(const VALUEDATE& value, std::string& text)
{
    if (!ValidDate(value.nYear, value.nMonth, value.nDay))
        return false;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04u%02u%02u", unsigned(value.nYear), unsigned(value.nMonth),
                  unsigned(value.nDay));
    text = buffer;
    return true;
}

bool FormatTM(const VALUETIME& value, std::string& text)
{
    if (value.nHours > 23 || value.nMinutes > 59 || value.nSeconds > 60 || value.nFractions > 999999)
        return false;
    char buffer[48];  // room for any USHORT fields, so the compiler sees no truncation
    if (value.nFractions == 0)
        std::snprintf(buffer, sizeof buffer, "%02u%02u%02u", unsigned(value.nHours), unsigned(value.nMinutes),
                      unsigned(value.nSeconds));
    else
        std::snprintf(buffer, sizeof buffer, "%02u%02u%02u.%06lu", unsigned(value.nHours), unsigned(value.nMinutes),
                      unsigned(value.nSeconds), static_cast<unsigned long>(value.nFractions));
    text = buffer;
    return true;
}

}  // namespace imaging
