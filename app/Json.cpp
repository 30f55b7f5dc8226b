#include "app/Json.h"

#include <cmath>

namespace app {

namespace {
// Length of the well-formed UTF-8 sequence starting at text[at], or 0 when there is none.
size_t Utf8SequenceLength(const std::string& text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || at + length > text.size())
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

std::string ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out += text[at];
        } else if (const size_t length = Utf8SequenceLength(text, at)) {
            out.append(text, at, length);
            at += length - 1;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

Json Number(double value)
{
    if (!std::isfinite(value))
        return nullptr;
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53: every whole double below is exact
    if (value == std::trunc(value) && std::fabs(value) < kExactIntegers)
        return static_cast<std::int64_t>(value);
    return value;
}

std::string Dump(const Json& document)
{
    return document.dump(2) + "\n";
}

}  // namespace app
