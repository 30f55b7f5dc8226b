// The tessor command line: every command and its options, declared once. The declarations
// fill each command's option structure, make the help texts and refuse bad usage.
#pragma once

namespace app {

// Parses argv, runs the chosen command and returns the exit status: 0 after --help, 2 (with
// one line on stderr) for a usage error, otherwise the command's own status.
int RunCommandLine(int argc, char** argv);

}  // namespace app
