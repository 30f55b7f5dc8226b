#include "app/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace app {

std::string JsonWriter::Escape(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
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
            if (byte < 0x20 || byte >= 0x7F) {
                // DICOM text is 8-bit (ISO 8859-1 at most): bytes above ASCII become their
                // Latin-1 code points, which keeps the output valid UTF-8.
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
