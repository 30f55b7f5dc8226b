// Whole-number option values of the tessor commands: one number ("N") or a fixed list of
// them ("I:L,T,B"), each within its own range. The form names the numbers and shows the
// separators the text must use.
#pragma once

#include <CLI/App.hpp>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace app {

// Inclusive bounds of one number.
struct Range {
    long long min;
    long long max;
};

constexpr Range kAnyInt{INT_MIN, INT_MAX};

struct ParsedNumbers {
    std::vector<int> values;
    std::string error;  // empty when the text has the form and every number is in range
};

// Reads `text` as `form` ("N", "L,T,R,B", "I:W,C"): decimal whole numbers (a leading '-'
// allowed) separated exactly as the form is. ranges[k] bounds the k-th number.
ParsedNumbers ParseNumbers(const std::string& text, const std::string& form, const std::vector<Range>& ranges);

// Declares `names` on `command`: each occurrence takes one value of `form`, refused as a
// usage error naming the option unless ParseNumbers accepts it; `store` receives the
// numbers of every occurrence in order, so a repeated option either adds or, for a
// plain setting, the last one wins.
CLI::Option* AddNumbers(CLI::App& command, const std::string& names, const std::string& form,
                        const std::vector<Range>& ranges, std::function<void(const std::vector<int>&)> store,
                        const std::string& help);

struct ParsedSize {
    std::uint64_t bytes = 0;
    std::string error;  // empty when the text is a size
};

// Reads a size in bytes: a decimal whole number, optionally followed by K, M, G or T (powers
// of 1024), at most 1 P (2^50) bytes.
ParsedSize ParseSize(const std::string& text);

// Declares `name` taking one size (as ParseSize reads it); a bad one is a usage error naming
// the option.
CLI::Option* AddSize(CLI::App& command, const std::string& name, std::function<void(std::uint64_t)> store,
                     const std::string& help);

}  // namespace app
