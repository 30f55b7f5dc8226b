// Registration of one junction of two 3000 x 2500 pieces of 16-bit stored samples, read
// row by row and converted as the model reads a decoded piece, to the decided placement.
#include "bench/BenchSupport.h"
#include "stitch/StitchRegister.h"
#include "tests/support/OverlapStudy.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace {

struct StoredPair {
    overlapstudy::Study study;
    std::vector<std::vector<uint16_t>> samples;  // one per piece, row by row
};

const StoredPair& Pair()
{
    static const StoredPair pair = [] {
        StoredPair made;
        made.study = overlapstudy::Make(
            {.seed = 14, .pieces = 2, .rows = bench::kRows, .columns = bench::kCols, .bandMax = 120, .noise = 0.01});
        // Stored as 12-bit integers in 16-bit samples (the body's darkest noise clamped at 0).
        for (const CRegPlane& plane : made.study.planes) {
            std::vector<uint16_t> samples(plane.values.size());
            for (size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<uint16_t>(std::clamp(static_cast<int>(plane.values[i] * 2000.0f), 0, 65535));
            made.samples.push_back(std::move(samples));
        }
        return made;
    }();
    return pair;
}

CRegRows StoredRows(const CRegPlane& plane, const std::vector<uint16_t>& samples)
{
    return {plane.width, plane.height, plane.contentTop, plane.contentBottom,
            [&samples, width = plane.width](int first, int count, float* out) {
                const CRegSampleFormat format{2, false, 1.0f, 0.0f};
                const auto* bytes = reinterpret_cast<const unsigned char*>(samples.data() + static_cast<size_t>(first) * width);
                StoredToDisplay(bytes, count * width, format, out);
            }};
}

void BM_RegisterJunction(benchmark::State& state)
{
    const StoredPair& pair = Pair();
    const CRegRows a = StoredRows(pair.study.planes[0], pair.samples[0]);
    const CRegRows b = StoredRows(pair.study.planes[1], pair.samples[1]);
    CJunction found;
    for (auto _ : state) {
        found = RegisterPair(a, b);
        benchmark::DoNotOptimize(found);
    }
    state.counters["offset_error"] = found.offset - pair.study.junctions[0].offset;
    state.counters["dx_error"] = found.dx - pair.study.junctions[0].dx;
    state.counters["aligned"] = found.aligned;
}

}  // namespace

// CPU time of the whole process: the pyramids are built on two threads. On a shared
// machine it is the steadier figure; the wall time is the one the target is set on.
BENCHMARK(BM_RegisterJunction)->Repetitions(7)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
