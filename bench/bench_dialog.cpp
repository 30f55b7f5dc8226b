// The dialog's first frame: from creating "Stitch Images" on the three 3000 x 2500 16-bit
// pieces, the way tessor gui opens it (centred on the screen, the host's own profile), to
// the first idle turn of its modal loop at which the dialog and its view are on screen and
// painted. The dialog then closes itself; closing is not timed.
#include "bench/BenchSupport.h"

#include "dialog/CDlgStitchDicom.h"
#include "platform/SystemMetrics.h"
#include "platform/WinApp.h"
#include "workspace/CViewStitchDicom.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kRepetitions = 5;
using Clock = std::chrono::steady_clock;

// Stops its own clock and closes at the first idle turn with everything painted.
class CFirstFrameDlg : public CDlgStitchDicom {
public:
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = CDlgStitchDicom::OnKickIdle(wParam, lParam);
        if (!m_bPainted && ShowsPaintedView()) {
            m_bPainted = true;
            m_painted = Clock::now();
            EndDialog(IDCANCEL);
        }
        return result;
    }

    bool Painted() const { return m_bPainted; }
    Clock::time_point PaintedAt() const { return m_painted; }

private:
    bool ShowsPaintedView()
    {
        return IsWindowVisible() && m_pView != nullptr && m_pView->IsWindowVisible() && m_pView->GetImageCount() > 0 &&
               !m_pView->GetUpdateRect(nullptr) && !GetUpdateRect(nullptr);
    }

    bool m_bPainted = false;
    Clock::time_point m_painted;
};

void BM_DialogFirstFrame(benchmark::State& state)
{
    const auto files = bench::Study("raw", 3);
    if (files.empty()) {
        state.SkipWithError("cannot write the raw study");
        return;
    }
    // The dialog's placement goes to a profile of the benchmark's own.
    const std::filesystem::path profile = std::filesystem::path(bench::ScratchDir()) / "profile";
    std::filesystem::create_directories(profile);
    setenv("TESSOR_PROFILE_DIR", profile.c_str(), 1);
    const std::string out = (std::filesystem::path(bench::ScratchDir()) / "dialog.dcm").string();
    CWinApp host("tessor-host");
    for (auto _ : state) {
        CStringArray arrFiles;
        for (const std::string& file : files)
            arrFiles.Add(file.c_str());
        CRect rcHost(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        const Clock::time_point start = Clock::now();
        CFirstFrameDlg dlg;
        dlg.StitchDicom(arrFiles, out.c_str(), "", "", "", 0, rcHost);
        if (!dlg.Painted()) {
            state.SkipWithError("the dialog closed before its first painted frame");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(dlg.PaintedAt() - start).count());
    }
}

BENCHMARK(BM_DialogFirstFrame)
    ->Repetitions(kRepetitions)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
