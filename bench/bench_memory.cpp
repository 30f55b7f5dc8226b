// The machine's cost of first touching fresh memory, which dominates loading and saving
// here: a 15 MB block (one decoded piece) mapped and written once, with 4 KiB pages and
// with transparent huge pages asked for.
#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <cstring>

namespace {

void BM_FirstTouch(benchmark::State& state)
{
    const size_t bytes = static_cast<size_t>(bench::kPieceBytes);
    const bool huge = state.range(0) != 0;
    state.SetLabel(huge ? "MADV_HUGEPAGE" : "4 KiB pages");
    for (auto _ : state) {
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            break;
        }
        if (huge)
            madvise(block, bytes, MADV_HUGEPAGE);
        std::memset(block, 1, bytes);
        benchmark::ClobberMemory();
        munmap(block, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bench::kPieceBytes);
}

BENCHMARK(BM_FirstTouch)->Arg(0)->Arg(1)->ArgName("huge")->Repetitions(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
