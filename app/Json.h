// JSON output of the tessor commands, through nlohmann-json.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace app {

// Objects keep their members in the order they are set: consumers may rely on it.
using Json = nlohmann::ordered_json;

// Text as a JSON string needs it: well-formed UTF-8 (file names) passes through; any other
// byte is taken as ISO 8859-1, the 8-bit DICOM character set, and becomes its code point.
std::string ToUtf8(const std::string& text);

// A measured value: a whole number prints without a fraction (3800, not 3800.0), so a
// value read from an integer string keeps its integer form; JSON has no NaN or infinity,
// so those are null.
Json Number(double value);

// The document indented by two spaces, with a final newline.
std::string Dump(const Json& document);

}  // namespace app
