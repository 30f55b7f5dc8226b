// The tessor program: hosts the stitching module and runs its pipeline from the command line.
#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    return app::RunCommandLine(argc, argv);
}
