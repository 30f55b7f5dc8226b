// Typed access to one attribute of a data set, by tag. A read takes the first value converted as LDicomDS's getters convert it, and is empty when the
// element is absent or its value does not convert.
#pragma once

#include "imaging/LDicomDS.h"

#include <optional>
#include <string>
#include <utility>

namespace imaging {

// Where a read looks: the top level only, or also depth-first into sequences after it.
enum class Scope { TopLevel, Tree };

bool HasAttribute(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
// The text of the values; an element that is present but empty or unreadable reads as "".
std::optional<std::string> ReadText(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
// 16-bit values keep their sign: a US 40000 reads as -25536.
std::optional<int> ReadShort(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
std::optional<LONG> ReadLong(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
std::optional<double> ReadDouble(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
// The first two values (Pixel Spacing: row, column); a missing second value reads as 0.
std::optional<std::pair<double, double>> ReadDoublePair(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
std::optional<VALUEDATE> ReadDate(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);
std::optional<VALUETIME> ReadTime(LDicomDS& ds, DWORD tag, Scope scope = Scope::TopLevel);

// The top-level element, inserted with the dictionary's VR when absent (nullptr when
// that fails).
pDICOMELEMENT FindOrInsert(LDicomDS& ds, DWORD tag);
// Changes a top-level element only where the data set has it, so that a copied data set
// keeps its own set of attributes. False when a present element refuses the value.
bool UpdateShort(LDicomDS& ds, DWORD tag, int value);
bool UpdateLong(LDicomDS& ds, DWORD tag, LONG value);
bool UpdateDouble(LDicomDS& ds, DWORD tag, double value);
bool UpdateText(LDicomDS& ds, DWORD tag, const char* value);
void RemoveAttribute(LDicomDS& ds, DWORD tag);

}  // namespace imaging
