// Strict, locale-independent parsing and formatting of the numeric and date/time
// value representations (IS, DS, DA, TM). DCMTK's own conversions are lenient ("1A"
// reads as 1, "1,5" as 1, 30 February passes) and its DS writer follows the C locale.
#pragma once

#include "imaging/LTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace imaging {

// The text without DICOM's padding: leading spaces, trailing spaces and NULs (UIDs).
std::string_view TrimPadding(std::string_view text);

// Leading and trailing spaces (DICOM padding) are ignored by every parser.
bool ParseIS(std::string_view text, std::int32_t& value);
// Decimal or exponent form; "1,5", "inf", "nan" and empty text are rejected.
bool ParseDS(std::string_view text, double& value);
// YYYYMMDD naming an existing calendar date.
bool ParseDA(std::string_view text, VALUEDATE& value);
// HH[MM[SS[.F{1,6}]]]; fractions in microseconds.
bool ParseTM(std::string_view text, VALUETIME& value);

std::string FormatIS(std::int64_t value);
// The shortest text of at most 16 characters that reads back as closely as DS allows;
// false for NaN and infinities.
bool FormatDS(double value, std::string& text);
// False when the fields do not name a valid date or time.
bool FormatDA(const VALUEDATE& value, std::string& text);
bool FormatTM(const VALUETIME& value, std::string& text);

}  // namespace imaging
