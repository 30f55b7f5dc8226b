// The tessor help texts, made from the command declarations: a usage line, the
// description, the options with their value forms, the commands (for tessor itself) and
// the footer.
#pragma once

#include <CLI/App.hpp>
#include <CLI/Formatter.hpp>

#include <string>

namespace app {

class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

// "tessor stitch -o FILE [options] FILE...": the required options, then the positionals.
std::string UsageLine(const CLI::App& app);

// The first line of a command's description: its entry in tessor --help.
std::string Summary(const CLI::App& app);

}  // namespace app
