// Frame rate at 640 by 480: the game's repaint in a five-rider attract-mode match (the
// real model, display lists and font, through the window procedure) against the cheapest
// frame on the same window and context (clear and swap). Both run in the same process,
// unpaced. A third run draws the game's frame at 60 a second, as paced play does: each of
// its frames starts after an idle wait. A fourth draws the same frames with the window at
// 1920 by 1080, where each swap presents the 640 by 480 frame scaled to the full height; its
// repetitions are interleaved with the others'. All report the process's CPU time per
// frame (llvmpipe's threads included).
// Run on a private Xvfb from bench/run_all.sh.
#include <stdio.h>

#include <benchmark/benchmark.h>

#include "bench/game_setup.h"
#include "sim/riders.h"

namespace {

void emptyFrame(benchmark::State& state) {
  for (auto _ : state) drawEmptyFrame();
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void gameFrame(benchmark::State& state) {
  long points = 0, frames = 0;
  for (auto _ : state) {
    drawGameFrame();
    state.PauseTiming();
    runLoopChores();
    points += countTrailPoints();
    ++frames;
    state.ResumeTiming();
  }
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
  state.counters["trail_points"] = frames ? (double)points / (double)frames : 0.0;
  state.counters["riders"] = riderCount;
}

// The game's frame, and the empty one, presented in a larger window: only the size of the
// present and of the swap differ.
void gameFramePresentedAt(benchmark::State& state) {
  const int width = (int)state.range(0), height = (int)state.range(1);
  if (!presentFramesAt(width, height)) {
    state.SkipWithError("the window did not take the size");
    return;
  }
  for (auto _ : state) {
    drawGameFrame();
    state.PauseTiming();
    runLoopChores();
    state.ResumeTiming();
  }
  presentFramesAt(640, 480);
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void emptyFramePresentedAt(benchmark::State& state) {
  if (!presentFramesAt((int)state.range(0), (int)state.range(1))) {
    state.SkipWithError("the window did not take the size");
    return;
  }
  for (auto _ : state) drawEmptyFrame();
  presentFramesAt(640, 480);
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// Only the frames are timed, not the waits between them.
void pacedGameFrame(benchmark::State& state) {
  for (auto _ : state) {
    drawGameFrame();
    state.PauseTiming();
    runLoopChores();
    waitForFrameSlot();
    state.ResumeTiming();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!bringUpGame()) return 1;
  if (riderCount != 5) fprintf(stderr, "bench: the match file gives %d riders, not 5\n", riderCount);
  startAttractMode();
  for (int i = 0; i < 300; ++i) {  // riders have laid some walls before timing starts
    drawGameFrame();
    runLoopChores();
  }
  benchmark::RegisterBenchmark("empty_frame", emptyFrame)->UseRealTime()->MeasureProcessCPUTime()
      ->Iterations(3000);
  benchmark::RegisterBenchmark("game_frame", gameFrame)->UseRealTime()->MeasureProcessCPUTime()
      ->Iterations(3000);
  benchmark::RegisterBenchmark("empty_frame_presented_at", emptyFramePresentedAt)
      ->Args({1920, 1080})->UseRealTime()->MeasureProcessCPUTime()->Iterations(1000);
  benchmark::RegisterBenchmark("game_frame_presented_at", gameFramePresentedAt)
      ->Args({1920, 1080})->UseRealTime()->MeasureProcessCPUTime()->Iterations(1000);
  benchmark::RegisterBenchmark("paced_game_frame", pacedGameFrame)->UseRealTime()
      ->MeasureProcessCPUTime()->Iterations(300);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  takeDownGame();
  return 0;
}
