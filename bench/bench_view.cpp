// The workspace on screen: one arrow-key adjustment from key-down to a repainted surface,
// and one full repaint, with the three 3000 x 2500 16-bit pieces in a 1280 x 900 view.
// The frame is visible (on the offscreen platform) so that paints reach the surface.
#include "bench/BenchSupport.h"

#include "image/CBaseImageData.h"
#include "platform/WinApi.h"
#include "platform/WinMessages.h"
#include "workspace/CViewStitchDicom.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRepetitions = 5;
constexpr int kSelected = 0;  // the top image: every image on screen moves with it
constexpr LONG kResetTop = 200;

// Pending paints and window-system work done, as the message loop does between inputs.
void Repaint(CViewStitchDicom& view)
{
    view.UpdateWindow();
    PumpWaitingMessages();
}

void SetTop(CViewStitchDicom& view, LONG top)
{
    const CRect rc = view.Model().GetRect(kSelected);
    view.Model().SetRect(kSelected, rc.left, top, rc.bottom);
    view.ApplyAdjustment(kSelected);
    view.RecalcLayout();
    view.Invalidate(FALSE);
    Repaint(view);
}

bool LoadStudy(benchmark::State& state, bench::HeadlessView& host)
{
    const auto files = bench::Study("raw", 3);
    if (files.empty() || !host.Load(files)) {
        state.SkipWithError("cannot load the raw study");
        return false;
    }
    CViewStitchDicom& view = host.View();
    view.AutoStitch();
    view.RecalcLayout();
    view.Model().Select(kSelected);
    view.Invalidate(FALSE);
    Repaint(view);
    return true;
}

// The arrow key goes through the view's own key handling when it has one (the first kept
// row moves one row up); otherwise through the command the key stands for.
bool KeyReachesView(CViewStitchDicom& view)
{
    const LONG before = view.Model().GetRect(kSelected).top;
    view.SendMessage(WM_KEYDOWN, VK_DOWN, 1);
    const bool handled = view.Model().GetRect(kSelected).top != before;
    SetTop(view, kResetTop);
    return handled;
}

void BM_ArrowKeyToRepaint(benchmark::State& state)
{
    bench::HeadlessView host(true);
    if (!LoadStudy(state, host))
        return;
    CViewStitchDicom& view = host.View();
    SetTop(view, kResetTop);
    const bool keyPath = KeyReachesView(view);
    state.SetLabel(keyPath ? "WM_KEYDOWN VK_DOWN" : "MoveDown(1): the view has no key handler");
    for (auto _ : state) {
        if (view.Model().GetRect(kSelected).top <= 0) {
            state.PauseTiming();
            SetTop(view, kResetTop);
            state.ResumeTiming();
        }
        if (keyPath)
            view.SendMessage(WM_KEYDOWN, VK_DOWN, 1);
        else
            view.MoveDown(1);
        Repaint(view);
    }
}

void BM_FullRepaint(benchmark::State& state)
{
    bench::HeadlessView host(true);
    if (!LoadStudy(state, host))
        return;
    CViewStitchDicom& view = host.View();
    for (auto _ : state) {
        view.Invalidate(FALSE);
        Repaint(view);
    }
}

BENCHMARK(BM_ArrowKeyToRepaint)->Repetitions(kRepetitions)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Repetitions(kRepetitions)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
