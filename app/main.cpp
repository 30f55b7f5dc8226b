// The tessor program: hosts the stitching module and runs its pipeline from the command line.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: tessor <command> [options]\n"
                  "commands: info, sample (gui and stitch arrive with the dialog and the pipeline)");
        return argc < 2 ? 1 : 0;
    }
    std::fprintf(stderr, "tessor: unknown command '%s'\n", argv[1]);
    return 1;
}
