#include "app/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace app {

namespace {
// Length of the well-formed UTF-8 sequence starting at text[at], or 0 when there is none.
size_t Utf8SequenceLength(const std::string& text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || lead >= 0xF5 || at + length > text.size())
        return 0;
    // No overlong forms, no surrogates, nothing above U+10FFFF.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}
}  // namespace

std::string JsonWriter::Escape(const std::string& text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        const char ch = text[at];
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (byte >= 0x80) {
                // UTF-8 (file names) passes through; any other byte is taken as ISO 8859-1,
                // the 8-bit DICOM character set, and written as its code point.
                if (const size_t length = Utf8SequenceLength(text, at)) {
                    out.append(text, at, length);
                    at += length - 1;
                    break;
                }
            }
            if (byte < 0x20 || byte >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

void JsonWriter::Indent()
{
    m_text += '\n';
    m_text.append(m_hasValue.size() * 2, ' ');
}

void JsonWriter::BeginValue(const char* key)
{
    if (!m_hasValue.empty()) {
        if (m_hasValue.back())
            m_text += ',';
        m_hasValue.back() = true;
        Indent();
    }
    if (key != nullptr)
        m_text += Escape(key) + ": ";
}

void JsonWriter::BeginObject(const char* key)
{
    BeginValue(key);
    m_text += '{';
    m_hasValue.push_back(false);
}

void JsonWriter::EndObject()
{
    const bool hadValue = m_hasValue.back();
    m_hasValue.pop_back();
    if (hadValue)
        Indent();
    m_text += '}';
    if (m_hasValue.empty())
        m_text += '\n';
}

void JsonWriter::BeginArray(const char* key)
{
    BeginValue(key);
    m_text += '[';
    m_hasValue.push_back(false);
}

void JsonWriter::EndArray()
{
    const bool hadValue = m_hasValue.back();
    m_hasValue.pop_back();
    if (hadValue)
        Indent();
    m_text += ']';
    if (m_hasValue.empty())
        m_text += '\n';
}

void JsonWriter::String(const char* key, const std::string& value)
{
    BeginValue(key);
    m_text += Escape(value);
}

void JsonWriter::Integer(const char* key, std::int64_t value)
{
    BeginValue(key);
    m_text += std::to_string(value);
}

void JsonWriter::Number(const char* key, double value)
{
    BeginValue(key);
    if (!std::isfinite(value)) {
        m_text += "null";  // JSON has no NaN or infinity
        return;
    }
    char buffer[32];
    // Shortest form that reads back exactly, independent of the C locale.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.append(buffer, result.ptr);
}

void JsonWriter::Bool(const char* key, bool value)
{
    BeginValue(key);
    m_text += value ? "true" : "false";
}

void JsonWriter::Null(const char* key)
{
    BeginValue(key);
    m_text += "null";
}

}  // namespace app
