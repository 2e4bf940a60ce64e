// Where a game frame's time goes: the same five-rider attract-mode frames as the frame-rate
// benchmark, drawn stage by stage with glFinish after each stage, so each stage's time
// includes the rasterizer threads finishing its pixels. The stages add up to more than a
// normal frame (which overlaps them), but their shares show what costs. A second pass draws
// the world with a one-pixel scissor: what a stage still costs then is its vertex work, and
// the rest is filling pixels.
// Usage: vask_bench_frame_parts FRAMES   (on a display). Prints "empty <µs>", then
// "stage <name>|<µs>|<µs with a one-pixel scissor>" per stage.
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "bench/game_setup.h"
#include "platform/opengl.h"
#include "render/camera.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "render/world.h"
#include "sim/riders.h"

namespace {
double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

enum { CLEAR, STEP, FLOOR, CYCLES, WALLS, HUD, STAGES };
const char* stageNames[STAGES] = {"clear", "simulation step and camera", "floor",
                                  "cycles and crash bursts", "walls of light",
                                  "scores and swap"};
double stageTime[2][STAGES];

void mark(int pass, int stage, double* since) {
  glFinish();
  double t = now();
  stageTime[pass][stage] += t - *since;
  *since = t;
}

int ridersDrawn() { return riderCount < MAX_RIDERS ? riderCount : MAX_RIDERS; }

// One frame as the repaint draws it, timed stage by stage; pass 1 scissors the world.
void drawTimedFrame(int pass) {
  double t = now();
  beginFrame();
  mark(pass, CLEAR, &t);
  updateFrame();
  mark(pass, STEP, &t);
  if (pass == 1) {
    glScissor(0, 0, 1, 1);
    glEnable(GL_SCISSOR_TEST);
  }
  drawFloor();
  mark(pass, FLOOR, &t);
  for (int i = 0; i < ridersDrawn(); ++i) drawCycle(i);
  mark(pass, CYCLES, &t);
  for (int i = 0; i < ridersDrawn(); ++i) drawTrail(i);
  mark(pass, WALLS, &t);
  glDisable(GL_SCISSOR_TEST);
  drawHud();
  mark(pass, HUD, &t);
  runLoopChores();
}
}  // namespace

int main(int argc, char** argv) {
  long frames = argc > 1 ? atol(argv[1]) : 3000;
  if (frames < 1) frames = 3000;
  if (!bringUpGame()) return 1;
  startAttractMode();
  for (int i = 0; i < 300; ++i) {  // the same warm-up as the frame-rate benchmark
    drawGameFrame();
    runLoopChores();
  }
  double emptyTime = 0.0;
  for (long f = 0; f < frames; ++f) {
    double t = now();
    drawEmptyFrame();
    glFinish();
    emptyTime += now() - t;
    drawTimedFrame(f % 2);  // the passes take turns, so both see the same kind of match
  }
  double perFrame = 1e6 / (double)((frames + 1) / 2);
  printf("empty %.1f\n", emptyTime / (double)frames * 1e6);
  for (int s = 0; s < STAGES; ++s)
    printf("stage %s|%.1f|%.1f\n", stageNames[s], stageTime[0][s] * perFrame,
           stageTime[1][s] * 1e6 / (double)(frames / 2 > 0 ? frames / 2 : 1));
  takeDownGame();
  return 0;
}
