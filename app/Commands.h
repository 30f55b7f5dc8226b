// The tessor program's commands. The command line (main.cpp) fills each command's
// options; each Run function returns the process exit status.
#pragma once

#include "app/SampleStudy.h"
#include "app/SourceOptions.h"

#include <cstdio>
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
// Opens the window module (app/GuiModule.h) and runs the dialog in it.
int RunGui(const GuiOptions& o);

// "tessor: <reason>" on stderr; returns the failure status.
inline int Fail(const std::string& reason)
{
    std::fprintf(stderr, "tessor: %s\n", reason.c_str());
    return 1;
}

}  // namespace app
