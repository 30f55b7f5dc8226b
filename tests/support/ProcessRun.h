// Running a command line through the shell in tests: the tessor program and the tools
// around it, with stdout and stderr collected together.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace testfiles {

struct ProcessRun {
    int status = -1;     // exit status, -1 when killed by a signal
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string output;  // stdout and stderr together
};

// A path as one shell word.
inline std::string Quote(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (char ch : path.string())
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

// Runs `commandLine` with sh and waits for it.
inline ProcessRun RunShell(const std::string& commandLine)
{
    ProcessRun run;
    const std::string command = commandLine + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int raw = pipe ? pclose(pipe) : -1;
    if (WIFSIGNALED(raw))
        run.signal = WTERMSIG(raw);
    else if (WIFEXITED(raw) && WEXITSTATUS(raw) >= 128 && WEXITSTATUS(raw) < 160)
        run.signal = WEXITSTATUS(raw) - 128;  // the shell reports its child's signal so
    else if (WIFEXITED(raw))
        run.status = WEXITSTATUS(raw);
    return run;
}

}  // namespace testfiles
