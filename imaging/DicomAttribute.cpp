#include "imaging/DicomAttribute.h"

namespace imaging {
namespace {

pDICOMELEMENT Find(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ds.FindFirstElement(nullptr, tag, scope == Scope::Tree);
}

// The first value through one of LDicomDS's getters, copied out before the next getter
// call can replace it.
template <typename Value, typename Getter>
std::optional<Value> ReadValue(LDicomDS& ds, DWORD tag, Scope scope, Getter getter)
{
    pDICOMELEMENT element = Find(ds, tag, scope);
    const auto* value = element ? (ds.*getter)(element, 0, 1) : nullptr;
    if (!value)
        return std::nullopt;
    return static_cast<Value>(*value);
}

// One value through one of LDicomDS's setters, when the top-level element is present.
template <typename Value, typename Setter>
bool UpdateValue(LDicomDS& ds, DWORD tag, Setter setter, const Value* value)
{
    pDICOMELEMENT element = Find(ds, tag, Scope::TopLevel);
    return !element || (ds.*setter)(element, value, 1);
}

}  // namespace

bool HasAttribute(LDicomDS& ds, DWORD tag, Scope scope)
{
    return Find(ds, tag, scope) != nullptr;
}

std::optional<std::string> ReadText(LDicomDS& ds, DWORD tag, Scope scope)
{
    pDICOMELEMENT element = Find(ds, tag, scope);
    if (!element)
        return std::nullopt;
    const char* text = ds.GetStringValue(element, 0, 1);
    return std::string(text ? text : "");
}

std::optional<int> ReadShort(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ReadValue<int>(ds, tag, scope, &LDicomDS::GetShortValue);
}

std::optional<LONG> ReadLong(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ReadValue<LONG>(ds, tag, scope, &LDicomDS::GetLongValue);
}

std::optional<double> ReadDouble(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ReadValue<double>(ds, tag, scope, &LDicomDS::GetDoubleValue);
}

std::optional<std::pair<double, double>> ReadDoublePair(LDicomDS& ds, DWORD tag, Scope scope)
{
    pDICOMELEMENT element = Find(ds, tag, scope);
    const double* values = element ? ds.GetDoubleValue(element, 0, 2) : nullptr;
    if (!values)
        return std::nullopt;
    return std::pair(values[0], values[1]);
}

std::optional<VALUEDATE> ReadDate(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ReadValue<VALUEDATE>(ds, tag, scope, &LDicomDS::GetDateValue);
}

std::optional<VALUETIME> ReadTime(LDicomDS& ds, DWORD tag, Scope scope)
{
    return ReadValue<VALUETIME>(ds, tag, scope, &LDicomDS::GetTimeValue);
}

pDICOMELEMENT FindOrInsert(LDicomDS& ds, DWORD tag)
{
    pDICOMELEMENT element = Find(ds, tag, Scope::TopLevel);
    return element ? element : ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0);
}

bool UpdateShort(LDicomDS& ds, DWORD tag, int value)
{
    const short stored = static_cast<short>(value);
    return UpdateValue(ds, tag, &LDicomDS::SetShortValue, &stored);
}

bool UpdateLong(LDicomDS& ds, DWORD tag, LONG value) { return UpdateValue(ds, tag, &LDicomDS::SetLongValue, &value); }

bool UpdateDouble(LDicomDS& ds, DWORD tag, double value)
{
    return UpdateValue(ds, tag, &LDicomDS::SetDoubleValue, &value);
}

bool UpdateText(LDicomDS& ds, DWORD tag, const char* value)
{
    return UpdateValue(ds, tag, &LDicomDS::SetStringValue, value);
}

void RemoveAttribute(LDicomDS& ds, DWORD tag)
{
    if (pDICOMELEMENT element = Find(ds, tag, Scope::TopLevel))
        ds.DeleteElement(element);
}

}  // namespace imaging
