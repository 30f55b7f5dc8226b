// Where a command's time goes: wall-clock totals per pipeline stage, printed to stderr
// when the command ends. Off unless the environment sets TESSOR_TRACE (to anything but
// "0" or empty); off, a StageScope costs one relaxed atomic load.
#pragma once

#include <chrono>
#include <string>

namespace platform {

enum class Stage { StartUp, Parse, Decode, Analyse, Compose, Encode, Write, kCount };

// True when TESSOR_TRACE asks for the report (read once).
bool StageTraceEnabled();
// Adds one call of `seconds` to the stage's total (thread-safe).
void AddStageTime(Stage stage, double seconds);
// One line per stage that ran: "tessor: <stage> <ms> ms in <calls> calls", then the
// process's time since main began.
std::string StageTraceReport();
// Marks the start of main(), and the end of the start-up (main() to the command's work).
void MarkProcessStart();
void EndStartUp();

// Times its own lifetime into `stage` when tracing is on.
class StageScope {
public:
    explicit StageScope(Stage stage) : m_stage(stage), m_on(StageTraceEnabled())
    {
        if (m_on)
            m_start = std::chrono::steady_clock::now();
    }
    ~StageScope()
    {
        if (m_on)
            AddStageTime(m_stage, std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count());
    }
    StageScope(const StageScope&) = delete;
    StageScope& operator=(const StageScope&) = delete;

private:
    Stage m_stage;
    bool m_on;
    std::chrono::steady_clock::time_point m_start{};
};

}  // namespace platform
