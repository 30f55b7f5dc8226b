// The tessor help texts, made from the command declarations: a usage line, the
// description, the options with their value forms, the commands (for tessor itself) and
// the footer.
#pragma once

#include <CLI/App.hpp>

#include <string>

namespace app {

std::string Help(const CLI::App& app);

}  // namespace app
