#include "app/HelpText.h"

#include <algorithm>
#include <sstream>

namespace app {

namespace {
constexpr size_t kWidth = 92;  // lines are wrapped before this column

std::vector<const CLI::Option*> Options(const CLI::App& app, bool positional)
{
    return app.get_options([positional](const CLI::Option* opt) { return opt->get_positional() == positional; });
}

// "-o, --out FILE": the names as the README writes them, then the value's form.
std::string OptionHeading(const CLI::Option& opt)
{
    std::string heading;
    for (const std::string& name : opt.get_snames())
        heading += "-" + name + ", ";
    for (const std::string& name : opt.get_lnames())
        heading += "--" + name + ", ";
    heading.resize(heading.size() - 2);
    if (opt.get_type_size() != 0)
        heading += " " + opt.get_type_name();
    return heading;
}

// `text` word-wrapped, its continuation lines indented by `indent` columns.
std::string Wrap(const std::string& text, size_t indent)
{
    std::istringstream words(text);
    std::string out;
    size_t column = indent;
    for (std::string word; words >> word;) {
        if (column > indent && column + 1 + word.size() > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out;
}

std::string Table(const std::vector<std::pair<std::string, std::string>>& rows)
{
    size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    const size_t indent = 2 + width + 2;
    std::string out;
    for (const auto& [left, right] : rows)
        out += "  " + left + std::string(width - left.size() + 2, ' ') + Wrap(right, indent) + "\n";
    return out;
}

// "tessor stitch -o FILE [options] FILE...": the required options, then the positionals
// (bracketed when they may be left out).
std::string UsageLine(const CLI::App& app)
{
    std::string line;
    for (const CLI::App* at = &app; at != nullptr; at = at->get_parent())
        line = at->get_name() + (line.empty() ? "" : " " + line);
    if (!app.get_subcommands({}).empty())
        return line + " <command> [options]";
    bool optional = false;
    for (const CLI::Option* opt : Options(app, false)) {
        if (opt->get_required())
            line += " " + (opt->get_snames().empty() ? "--" + opt->get_lnames()[0] : "-" + opt->get_snames()[0]) + " " +
                    opt->get_type_name();
        else
            optional = true;
    }
    if (optional)
        line += " [options]";
    for (const CLI::Option* opt : Options(app, true)) {
        const std::string name = opt->get_name() + (opt->get_items_expected_max() > 1 ? "..." : "");
        line += " " + (opt->get_required() ? name : "[" + name + "]");
    }
    return line;
}

// The first line of a command's description: its entry in tessor --help.
std::string Summary(const CLI::App& app)
{
    const std::string& description = app.get_description();
    return description.substr(0, description.find('\n'));
}
}  // namespace

std::string Help(const CLI::App& app)
{
    std::string out = "usage: " + UsageLine(app) + "\n";
    // The description's first line is the command's entry in tessor --help; the rest explains it.
    const std::string& description = app.get_description();
    if (description.find('\n') != std::string::npos)
        out += "\n" + description.substr(description.find('\n') + 1) + "\n";
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CLI::Option* opt : Options(app, false))
        rows.emplace_back(OptionHeading(*opt), opt->get_description());
    if (!rows.empty())
        out += "\noptions:\n" + Table(rows);
    rows.clear();
    for (const CLI::App* command : app.get_subcommands({}))
        rows.emplace_back(command->get_name(), Summary(*command));
    if (!rows.empty())
        out += "\ncommands:\n" + Table(rows);
    if (!app.get_footer().empty())
        out += "\n" + app.get_footer() + "\n";
    return out;
}

}  // namespace app
