// The tessor program's commands. Each takes the arguments after its name and returns
// the process exit status; each answers --help.
#pragma once

#include <string>
#include <vector>

namespace app {

using Arguments = std::vector<std::string>;

int RunInfo(const Arguments& args);
int RunSample(const Arguments& args);
int RunStitch(const Arguments& args);
int RunGui(const Arguments& args);

// "tessor: <reason>" on stderr; returns the failure status.
int Fail(const std::string& reason);
bool IsHelp(const std::string& arg);

}  // namespace app
