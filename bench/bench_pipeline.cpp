// The stitching pipeline on the 3000 x 2500 16-bit study: loading into the view, the
// automatic pass, the save, and decoding per transfer syntax (decoded pixel bytes per
// second). Each phase runs once per iteration; repetitions give the medians.
#include "bench/BenchSupport.h"

#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "workspace/CViewStitchDicom.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kRepetitions = 5;
constexpr DWORD kTagPixelData = 0x7FE00010;
const char* const kSyntaxes[] = {"raw", "jpeg-lossless", "jpeg-ls", "rle"};

// The study of the benchmark's arguments: range(0) indexes kSyntaxes, range(1) the pieces.
std::vector<std::string> StudyOf(benchmark::State& state)
{
    const std::string syntax = kSyntaxes[state.range(0)];
    state.SetLabel(syntax);
    auto files = bench::Study(syntax, static_cast<int>(state.range(1)));
    if (files.empty())
        state.SkipWithError("no study");
    return files;
}

void SetDecodedRate(benchmark::State& state, std::int64_t bytesPerIteration)
{
    state.counters["decoded"] = benchmark::Counter(static_cast<double>(bytesPerIteration) * state.iterations(),
                                                   benchmark::Counter::kIsRate, benchmark::Counter::kIs1000);
}

// Also reports the memory the loaded view holds (resident set after loading less before),
// the workspace's share of what the dialog holds with the study open.
void BM_LoadFiles(benchmark::State& state)
{
    const auto files = StudyOf(state);
    double heldMiB = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = bench::ResidentMiB();
        auto view = std::make_unique<bench::HeadlessView>();
        state.ResumeTiming();
        if (!view->Load(files))
            state.SkipWithError("LoadFiles failed");
        state.PauseTiming();
        heldMiB = bench::ResidentMiB() - before;
        view.reset();
        state.ResumeTiming();
    }
    SetDecodedRate(state, bench::kPieceBytes * state.range(1));
    state.counters["held_MiB"] = heldMiB;
}

void BM_AutoStitch(benchmark::State& state)
{
    const auto files = StudyOf(state);
    bench::HeadlessView view;
    if (!files.empty() && !view.Load(files))
        state.SkipWithError("LoadFiles failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(view.View().AutoStitch());
}

void BM_SaveStitchedFile(benchmark::State& state)
{
    const auto files = StudyOf(state);
    bench::HeadlessView view;
    if (!files.empty() && !view.Load(files))
        state.SkipWithError("LoadFiles failed");
    view.View().AutoStitch();
    const std::string out = bench::ScratchDir() + "/stitched-" + kSyntaxes[state.range(0)] + ".dcm";
    for (auto _ : state) {
        if (!view.View().SaveStitchedFile("", out.c_str()))
            state.SkipWithError("SaveStitchedFile failed");
    }
    SetDecodedRate(state, bench::kPieceBytes * state.range(1));
}

// Decoding only: the data set is in memory, each iteration decodes frame 0 into a bitmap.
void BM_Decode(benchmark::State& state)
{
    const auto files = StudyOf(state);
    LDicomDS ds;
    if (files.empty() || ds.LoadDS(files[0].c_str(), 0) != DICOM_SUCCESS) {
        state.SkipWithError("cannot load the data set");
        return;
    }
    pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, kTagPixelData, FALSE);
    for (auto _ : state) {
        LBitmap bitmap;
        if (ds.GetImage(pixel, &bitmap, 0, 0, ORDER_BGRORGRAY, 0, nullptr, nullptr) != DICOM_SUCCESS)
            state.SkipWithError("GetImage failed");
        benchmark::DoNotOptimize(bitmap.GetWidth());
    }
    SetDecodedRate(state, bench::kPieceBytes);
}

// From the file to a bitmap, as a source image is loaded: reading, parsing and decoding.
void BM_LoadBitmap(benchmark::State& state)
{
    const auto files = StudyOf(state);
    for (auto _ : state) {
        LBitmap bitmap;
        if (files.empty() || bitmap.Load(files[0].c_str(), 0, ORDER_BGRORGRAY) != SUCCESS)
            state.SkipWithError("Load failed");
        benchmark::DoNotOptimize(bitmap.GetWidth());
    }
    SetDecodedRate(state, bench::kPieceBytes);
}

// Every syntax with 3 pieces, and the raw study with 6 for scaling.
void PipelineArgs(benchmark::internal::Benchmark* b)
{
    for (int s = 0; s < 4; ++s)
        b->Args({s, 3});
    b->Args({0, 6});
    b->ArgNames({"syntax", "pieces"});
}

// The first piece of each 3-piece study.
void SyntaxArgs(benchmark::internal::Benchmark* b)
{
    for (int s = 0; s < 4; ++s)
        b->Args({s, 3});
    b->ArgNames({"syntax", "pieces"});
}

BENCHMARK(BM_LoadFiles)->Apply(PipelineArgs)->Iterations(1)->Repetitions(kRepetitions)->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoStitch)->Args({0, 3})->Args({0, 6})->ArgNames({"syntax", "pieces"})->Repetitions(kRepetitions)
    ->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveStitchedFile)->Apply(PipelineArgs)->Iterations(1)->Repetitions(kRepetitions)->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Apply(SyntaxArgs)->Repetitions(kRepetitions)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBitmap)->Apply(SyntaxArgs)->Repetitions(kRepetitions)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
