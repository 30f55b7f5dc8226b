// Registration of one junction of two 3000 x 2500 pieces (16-bit stored values, as the
// model converts them), from the display planes to the decided placement.
#include "bench/BenchSupport.h"
#include "stitch/StitchRegister.h"
#include "tests/support/OverlapStudy.h"

#include <benchmark/benchmark.h>

namespace {

const overlapstudy::Study& Pair()
{
    static const overlapstudy::Study study = [] {
        overlapstudy::Study made = overlapstudy::Make(
            {.seed = 14, .pieces = 2, .rows = bench::kRows, .columns = bench::kCols, .bandMax = 120, .noise = 0.01});
        // Stored as 12-bit integers: the planes hold what a 16-bit piece converts to.
        for (CRegPlane& plane : made.planes)
            for (float& v : plane.values)
                v = static_cast<float>(static_cast<int>(v * 2000.0f));
        return made;
    }();
    return study;
}

void BM_RegisterJunction(benchmark::State& state)
{
    const overlapstudy::Study& study = Pair();
    CJunction found;
    for (auto _ : state) {
        found = RegisterPair(study.planes[0], study.planes[1]);
        benchmark::DoNotOptimize(found);
    }
    state.counters["offset_error"] = found.offset - study.junctions[0].offset;
    state.counters["dx_error"] = found.dx - study.junctions[0].dx;
    state.counters["aligned"] = found.aligned;
}

}  // namespace

BENCHMARK(BM_RegisterJunction)->Repetitions(7)->UseRealTime()->Unit(benchmark::kMillisecond);
