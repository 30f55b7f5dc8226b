// A minimal streaming JSON writer: objects, arrays, strings with proper escaping,
// numbers and booleans, indented for people.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

class JsonWriter {
public:
    void BeginObject(const char* key = nullptr);
    void EndObject();
    void BeginArray(const char* key = nullptr);
    void EndArray();
    void String(const char* key, const std::string& value);
    void Integer(const char* key, std::int64_t value);
    void Number(const char* key, double value);
    void Bool(const char* key, bool value);
    void Null(const char* key);

    // The document so far, with a final newline once every container is closed.
    const std::string& Text() const { return m_text; }

    static std::string Escape(const std::string& text);

private:
    void BeginValue(const char* key);
    void Indent();

    std::string m_text;
    // One entry per open container: whether it already holds a value.
    std::vector<bool> m_hasValue;
};

}  // namespace app
