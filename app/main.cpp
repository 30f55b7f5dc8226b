// The tessor program: hosts the stitching module and runs its pipeline from the command line.
#include "app/Commands.h"

#include <cstdio>
#include <string>

namespace {
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const app::Arguments&);
};

constexpr Command kCommands[] = {
    {"gui", "open the \"Stitch Images\" dialog on the files; exit 0 when saved", app::RunGui},
    {"info", "show what each DICOM file yields when loaded as a source image", app::RunInfo},
    {"sample", "write a synthetic long-length study of overlapping exposures", app::RunSample},
    {"stitch", "join the files into one stitched DICOM image, without a window", app::RunStitch},
};

void PrintUsage(std::FILE* out)
{
    std::fputs("usage: tessor <command> [options]\n\ncommands:\n", out);
    for (const Command& command : kCommands)
        std::fprintf(out, "  %-8s %s\n", command.name, command.summary);
    std::fputs("\n'tessor <command> --help' describes a command's options.\n", out);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (app::IsHelp(name)) {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (name == command.name)
            return command.run(app::Arguments(argv + 2, argv + argc));
    }
    return app::Fail("unknown command '" + name + "' (see tessor --help)");
}
