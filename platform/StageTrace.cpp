#include "platform/StageTrace.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

constexpr std::array<const char*, size_t(Stage::kCount)> kStageNames = {
    "start-up", "parse", "decode", "analyse", "compose", "encode", "write"};

struct StageTotal {
    std::atomic<long long> nanoseconds{0};
    std::atomic<long> calls{0};
};

std::array<StageTotal, size_t(Stage::kCount)>& Totals()
{
    static std::array<StageTotal, size_t(Stage::kCount)> totals;
    return totals;
}

std::atomic<long long>& ProcessStart()
{
    static std::atomic<long long> start{0};
    return start;
}

long long NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool StageTraceEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("TESSOR_TRACE");
        return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
    }();
    return enabled;
}

void AddStageTime(Stage stage, double seconds)
{
    StageTotal& total = Totals()[size_t(stage)];
    total.nanoseconds.fetch_add(static_cast<long long>(seconds * 1e9), std::memory_order_relaxed);
    total.calls.fetch_add(1, std::memory_order_relaxed);
}

void MarkProcessStart() { ProcessStart().store(NowNanoseconds()); }

void EndStartUp()
{
    if (const long long start = ProcessStart().load(); StageTraceEnabled() && start != 0)
        AddStageTime(Stage::StartUp, double(NowNanoseconds() - start) / 1e9);
}

std::string StageTraceReport()
{
    std::string report;
    char line[128];
    for (size_t i = 0; i < kStageNames.size(); ++i) {
        const StageTotal& total = Totals()[i];
        const long calls = total.calls.load();
        if (calls == 0)
            continue;
        std::snprintf(line, sizeof line, "tessor: %-8s %9.1f ms in %ld calls\n", kStageNames[i],
                      double(total.nanoseconds.load()) / 1e6, calls);
        report += line;
    }
    if (const long long start = ProcessStart().load(); start != 0) {
        std::snprintf(line, sizeof line, "tessor: %-8s %9.1f ms since main\n", "total",
                      double(NowNanoseconds() - start) / 1e6);
        report += line;
    }
    return report;
}

}  // namespace platform
