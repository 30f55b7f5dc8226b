// LDicomDS: value getters and setters, converting by value representation. Numbers
// and dates go through our own strict, locale-independent text conversions.
#include "imaging/DicomInternal.h"

#include "imaging/DicomText.h"

#include "dcmtk/dcmdata/dcelem.h"

#include <cmath>
#include <cstdint>
#include <limits>

using imaging::ToElement;

namespace {

bool TextAt(DcmElement* element, ULONG pos, std::string& text)
{
    OFString value;
    if (element->getOFString(value, pos, OFTrue).bad())
        return false;
    text.assign(value.c_str(), value.length());
    return true;
}

bool IntegerAt(DcmElement* element, ULONG pos, std::int64_t& value)
{
    std::string text;
    switch (element->ident()) {
    case EVR_US: {
        Uint16 v = 0;
        return element->getUint16(v, pos).good() && (value = v, true);
    }
    case EVR_SS: {
        Sint16 v = 0;
        return element->getSint16(v, pos).good() && (value = v, true);
    }
    case EVR_UL: {
        Uint32 v = 0;
        return element->getUint32(v, pos).good() && (value = v, true);
    }
    case EVR_SL: {
        Sint32 v = 0;
        return element->getSint32(v, pos).good() && (value = v, true);
    }
    case EVR_IS: {
        std::int32_t v = 0;
        return TextAt(element, pos, text) && imaging::ParseIS(text, v) && (value = v, true);
    }
    case EVR_DS: {
        double v = 0.0;
        if (!TextAt(element, pos, text) || !imaging::ParseDS(text, v) || std::fabs(v) > 9.0e18)
            return false;
        value = static_cast<std::int64_t>(v);  // toward zero
        return true;
    }
    default:
        return false;
    }
}

bool DoubleAt(DcmElement* element, ULONG pos, double& value)
{
    std::string text;
    switch (element->ident()) {
    case EVR_DS:
        return TextAt(element, pos, text) && imaging::ParseDS(text, value);
    case EVR_FL: {
        Float32 v = 0;
        return element->getFloat32(v, pos).good() && (value = v, true);
    }
    case EVR_FD:
        return element->getFloat64(value, pos).good();
    default: {
        std::int64_t v = 0;
        return IntegerAt(element, pos, v) && (value = double(v), true);
    }
    }
}

// Fills `out` with `count` values from `index` converted by `convert`; values past the
// element's last one are left value-initialised. False when the element holds no value
// at `index` or a value does not convert.
template <typename T, typename Convert>
bool Collect(DcmElement* element, ULONG index, ULONG count, std::vector<T>& out, Convert convert)
{
    const ULONG vm = element->getVM();
    if (element->getLength() == 0 || index >= vm)
        return false;
    out.assign(count == 0 ? 1 : count, T{});
    for (ULONG i = 0; i < out.size() && index + i < vm; ++i)
        if (!convert(index + i, out[i]))
            return false;
    return true;
}

std::string Join(const std::vector<std::string>& values)
{
    std::string joined;
    for (size_t i = 0; i < values.size(); ++i)
        joined += (i ? "\\" : "") + values[i];
    return joined;
}

bool PutText(DcmElement* element, const std::string& text) { return element->putString(text.c_str()).good(); }

template <typename T>
bool InRange(std::int64_t v)
{
    return v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
}

bool PutDoubles(DcmElement* element, const std::vector<double>& values);

// Replaces the value by integers, formatted or range-checked for the element's VR.
bool PutIntegers(DcmElement* element, const std::vector<std::int64_t>& values)
{
    std::vector<std::string> texts;
    switch (element->ident()) {
    case EVR_US: {
        std::vector<Uint16> v;
        for (auto x : values)
            if (!InRange<Uint16>(x))
                return false;
            else
                v.push_back(Uint16(x));
        return element->putUint16Array(v.data(), ULONG(v.size())).good();
    }
    case EVR_SS: {
        std::vector<Sint16> v;
        for (auto x : values)
            if (!InRange<Sint16>(x))
                return false;
            else
                v.push_back(Sint16(x));
        return element->putSint16Array(v.data(), ULONG(v.size())).good();
    }
    case EVR_UL: {
        std::vector<Uint32> v;
        for (auto x : values)
            if (!InRange<Uint32>(x))
                return false;
            else
                v.push_back(Uint32(x));
        return element->putUint32Array(v.data(), ULONG(v.size())).good();
    }
    case EVR_SL: {
        std::vector<Sint32> v;
        for (auto x : values)
            if (!InRange<Sint32>(x))
                return false;
            else
                v.push_back(Sint32(x));
        return element->putSint32Array(v.data(), ULONG(v.size())).good();
    }
    case EVR_IS:
        for (auto x : values)
            if (!InRange<std::int32_t>(x))
                return false;
            else
                texts.push_back(imaging::FormatIS(x));
        return PutText(element, Join(texts));
    case EVR_DS:
    case EVR_FL:
    case EVR_FD: {
        return PutDoubles(element, std::vector<double>(values.begin(), values.end()));
    }
    default:
        return false;
    }
}

// Replaces the value by floating-point values; integer VRs take integral values only.
bool PutDoubles(DcmElement* element, const std::vector<double>& values)
{
    std::vector<std::string> texts;
    switch (element->ident()) {
    case EVR_DS:
        for (double x : values) {
            if (!imaging::FormatDS(x, texts.emplace_back()))
                return false;
        }
        return PutText(element, Join(texts));
    case EVR_FL: {
        std::vector<Float32> v(values.begin(), values.end());
        return element->putFloat32Array(v.data(), ULONG(v.size())).good();
    }
    case EVR_FD:
        return element->putFloat64Array(values.data(), ULONG(values.size())).good();
    default: {
        std::vector<std::int64_t> integers;
        for (double x : values) {
            if (!std::isfinite(x) || x != std::trunc(x) || std::fabs(x) > 9.0e18)
                return false;
            integers.push_back(static_cast<std::int64_t>(x));
        }
        return PutIntegers(element, integers);
    }
    }
}

}  // namespace

char* LDicomDS::GetStringValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    std::vector<std::string> texts;
    if (!element || !Collect(element, index, count, texts,
                             [&](ULONG pos, std::string& text) { return TextAt(element, pos, text); })) {
        m_impl->lastError = "no text value";
        return nullptr;
    }
    while (texts.size() > 1 && index + texts.size() > element->getVM())
        texts.pop_back();
    m_impl->strValue = Join(texts);
    m_impl->Succeed();
    return m_impl->strValue.data();
}

short* LDicomDS::GetShortValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    // US values are reinterpreted as signed 16-bit (40000 reads as -25536).
    const auto convert = [&](ULONG pos, short& value) {
        std::int64_t v = 0;
        if (!IntegerAt(element, pos, v) || v < INT16_MIN || v > UINT16_MAX)
            return false;
        value = static_cast<short>(static_cast<std::uint16_t>(v));
        return true;
    };
    if (!element || !Collect(element, index, count, m_impl->shortValues, convert)) {
        m_impl->lastError = "no 16-bit value";
        return nullptr;
    }
    m_impl->Succeed();
    return m_impl->shortValues.data();
}

LONG* LDicomDS::GetLongValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    const auto convert = [&](ULONG pos, LONG& value) {
        std::int64_t v = 0;
        if (!IntegerAt(element, pos, v) || v < INT32_MIN || v > UINT32_MAX)
            return false;
        value = static_cast<LONG>(static_cast<std::uint32_t>(v));
        return true;
    };
    if (!element || !Collect(element, index, count, m_impl->longValues, convert)) {
        m_impl->lastError = "no 32-bit value";
        return nullptr;
    }
    m_impl->Succeed();
    return m_impl->longValues.data();
}

double* LDicomDS::GetDoubleValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    const auto convert = [&](ULONG pos, double& value) { return DoubleAt(element, pos, value); };
    if (!element || !Collect(element, index, count, m_impl->doubleValues, convert)) {
        m_impl->lastError = "no floating-point value";
        return nullptr;
    }
    m_impl->Succeed();
    return m_impl->doubleValues.data();
}

pVALUEDATE LDicomDS::GetDateValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    const auto convert = [&](ULONG pos, VALUEDATE& value) {
        std::string text;
        return TextAt(element, pos, text) && imaging::ParseDA(text, value);
    };
    if (!element || element->ident() != EVR_DA || !Collect(element, index, count, m_impl->dateValues, convert)) {
        m_impl->lastError = "no valid date";
        return nullptr;
    }
    m_impl->Succeed();
    return m_impl->dateValues.data();
}

pVALUETIME LDicomDS::GetTimeValue(pDICOMELEMENT handle, ULONG index, ULONG count)
{
    DcmElement* element = ToElement(handle);
    const auto convert = [&](ULONG pos, VALUETIME& value) {
        std::string text;
        return TextAt(element, pos, text) && imaging::ParseTM(text, value);
    };
    if (!element || element->ident() != EVR_TM || !Collect(element, index, count, m_impl->timeValues, convert)) {
        m_impl->lastError = "no valid time";
        return nullptr;
    }
    m_impl->Succeed();
    return m_impl->timeValues.data();
}

BOOL LDicomDS::SetStringValue(pDICOMELEMENT handle, const char* value, ULONG /*count*/)
{
    DcmElement* element = ToElement(handle);
    if (!element || element->putString(value ? value : "").bad())
        return m_impl->FailBool("the text cannot be stored in this element");
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetShortValue(pDICOMELEMENT handle, const short* values, ULONG count)
{
    DcmElement* element = ToElement(handle);
    if (!element || !values || count == 0)
        return m_impl->FailBool("no element or no values");
    // A 16-bit value for a US element is taken as its unsigned bit pattern.
    const bool unsignedShort = element->ident() == EVR_US;
    std::vector<std::int64_t> integers;
    for (ULONG i = 0; i < count; ++i)
        integers.push_back(unsignedShort ? std::int64_t(std::uint16_t(values[i])) : std::int64_t(values[i]));
    if (!PutIntegers(element, integers))
        return m_impl->FailBool("the values do not fit this element");
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetLongValue(pDICOMELEMENT handle, const LONG* values, ULONG count)
{
    DcmElement* element = ToElement(handle);
    if (!element || !values || count == 0)
        return m_impl->FailBool("no element or no values");
    if (!PutIntegers(element, std::vector<std::int64_t>(values, values + count)))
        return m_impl->FailBool("the values do not fit this element");
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetDoubleValue(pDICOMELEMENT handle, const double* values, ULONG count)
{
    DcmElement* element = ToElement(handle);
    if (!element || !values || count == 0)
        return m_impl->FailBool("no element or no values");
    if (!PutDoubles(element, std::vector<double>(values, values + count)))
        return m_impl->FailBool("the values do not fit this element");
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetDateValue(pDICOMELEMENT handle, const VALUEDATE* values, ULONG count)
{
    DcmElement* element = ToElement(handle);
    if (!element || !values || count == 0 || (element->ident() != EVR_DA && element->ident() != EVR_DT))
        return m_impl->FailBool("no date element or no values");
    std::vector<std::string> texts;
    for (ULONG i = 0; i < count; ++i)
        if (!imaging::FormatDA(values[i], texts.emplace_back()))
            return m_impl->FailBool("not a valid date");
    if (!PutText(element, Join(texts)))
        return m_impl->FailBool("the date cannot be stored");
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetTimeValue(pDICOMELEMENT handle, const VALUETIME* values, ULONG count)
{
    DcmElement* element = ToElement(handle);
    if (!element || !values || count == 0 || element->ident() != EVR_TM)
        return m_impl->FailBool("no time element or no values");
    std::vector<std::string> texts;
    for (ULONG i = 0; i < count; ++i)
        if (!imaging::FormatTM(values[i], texts.emplace_back()))
            return m_impl->FailBool("not a valid time");
    if (!PutText(element, Join(texts)))
        return m_impl->FailBool("the time cannot be stored");
    m_impl->Succeed();
    return TRUE;
}
