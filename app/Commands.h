// The tessor program's commands. The command line (CommandLine.cpp) fills each command's
// options; each Run function returns the process exit status.
#pragma once

#include "app/SampleStudy.h"
#include "app/SourceOptions.h"

#include <string>
#include <vector>

namespace app {

struct InfoOptions {
    bool json = false;
    std::vector<std::string> files;
};

struct SampleCommandOptions {
    sample::SampleOptions study;
    std::string dir;
};

int RunInfo(const InfoOptions& o);
int RunSample(const SampleCommandOptions& o);
int RunStitch(const StitchOptions& o);
int RunGui(const SourceOptions& o);

// "tessor: <reason>" on stderr; returns the failure status.
int Fail(const std::string& reason);

}  // namespace app
