// The benchmark program: creates the offscreen GUI application the view needs, then
// hands over to Google Benchmark. Message boxes go to stderr instead of blocking.
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    InitGuiApplication(qtArgc, qtArgv);
    SetMessageBoxSinkForTest([](const char* text, UINT) {
        std::fprintf(stderr, "message box: %s\n", text);
        return IDOK;
    });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
