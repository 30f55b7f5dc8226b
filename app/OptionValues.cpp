#include "app/OptionValues.h"

#include <charconv>

namespace app {

namespace {
// The names and separators of a form: "I:W,C" is I, W, C with ':' and ','.
void SplitForm(const std::string& form, std::vector<std::string>& names, std::string& separators)
{
    names.assign(1, "");
    for (char ch : form) {
        if (ch == ':' || ch == ',') {
            separators += ch;
            names.emplace_back();
        } else {
            names.back() += ch;
        }
    }
}

std::string Describe(const Range& range)
{
    return std::to_string(range.min) + " to " + std::to_string(range.max);
}
}  // namespace

ParsedNumbers ParseNumbers(const std::string& text, const std::string& form, const std::vector<Range>& ranges)
{
    std::vector<std::string> names;
    std::string separators;
    SplitForm(form, names, separators);
    const std::string shape = names.size() == 1 ? "a whole number" : form + " (whole numbers)";
    ParsedNumbers parsed;
    const auto refuse = [](std::string reason) {
        return ParsedNumbers{{}, std::move(reason)};
    };
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (size_t k = 0; k < names.size(); ++k) {
        // Decimal only: CLI11's own conversion would read 010 as octal and 0x10 as hex.
        long long value = 0;
        const auto [stop, error] = std::from_chars(at, end, value);
        const bool outOfRange = error == std::errc::result_out_of_range;
        const bool last = k + 1 == names.size();
        const bool separated = last ? stop == end : stop != end && *stop == separators[k];
        if ((error != std::errc() && !outOfRange) || stop == at || !separated)
            return refuse("'" + text + "' is not " + shape);
        const std::string number(at, stop);
        const std::string which = names.size() == 1 ? "" : names[k] + " ";
        if (outOfRange || value < ranges[k].min || value > ranges[k].max)
            return refuse(number + " is out of range (" + which + Describe(ranges[k]) + ")");
        parsed.values.push_back(static_cast<int>(value));
        at = last ? stop : stop + 1;
    }
    return parsed;
}

CLI::Option* AddNumbers(CLI::App& command, const std::string& names, const std::string& form,
                        const std::vector<Range>& ranges, std::function<void(const std::vector<int>&)> store,
                        const std::string& help)
{
    const std::string name = names.substr(names.rfind(',') + 1);  // the long name, which messages use
    const auto take = [name, form, ranges, store](const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
            const ParsedNumbers parsed = ParseNumbers(text, form, ranges);
            if (!parsed.error.empty())
                throw CLI::ValidationError(name, parsed.error);
            store(parsed.values);
        }
    };
    return command.add_option_function<std::vector<std::string>>(names, take, help)
        ->type_name(form)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

ParsedSize ParseSize(const std::string& text)
{
    constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 50;
    const std::string units = "KMGT";
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    const std::string suffix = text.substr(digits);
    const size_t unit = suffix.empty() ? 0 : units.find(suffix) + 1;
    if (digits == 0 || suffix.size() > 1 || (unit == 0 && !suffix.empty()) || digits > 16)
        return {0, "'" + text + "' is not a size (a whole number of bytes, or with K, M, G or T)"};
    const std::uint64_t number = std::stoull(text.substr(0, digits));
    const std::uint64_t bytes = number << (10 * unit);
    if (number > (kMaxBytes >> (10 * unit)))
        return {0, text + " is too large (at most 1024T)"};
    return {bytes, ""};
}

CLI::Option* AddSize(CLI::App& command, const std::string& name, std::function<void(std::uint64_t)> store,
                     const std::string& help)
{
    const auto take = [name, store](const std::string& text) {
        const ParsedSize parsed = ParseSize(text);
        if (!parsed.error.empty())
            throw CLI::ValidationError(name, parsed.error);
        store(parsed.bytes);
    };
    return command.add_option_function<std::string>(name, take, help)->type_name("SIZE");
}

}  // namespace app
