// Real frames through the game's own render code and data files: the title, and a match
// frame with cycles, walls, a crash burst, the minimap, the scores and the help.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "render/arena.h"
#include "render/camera.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "render/title.h"
#include "render/world.h"
#include "scenes.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {
void startGame(int count) {
  if (chdir(VASK_DATA_DIR) != 0) abort();
  memset(riders, 0, sizeof riders);
  riderCount = count;
  static const float colors[5][3] = {{1, 1, 0}, {0, 0.5f, 1}, {1, 0, 0.5f}, {0, 1, 0}, {1, 1, 1}};
  for (int i = 0; i < count; i++) {
    riders[i].colorRed = colors[i][0], riders[i].colorGreen = colors[i][1];
    riders[i].colorBlue = colors[i][2];
    riders[i].color = (uint32_t)(colors[i][0] * 255) | (uint32_t)(colors[i][1] * 255) << 8 |
                      (uint32_t)(colors[i][2] * 255) << 16;
    riders[i].y = 12;
    riders[i].speed = 10;
  }
  if (!buildArena()) abort();
  initGraphics(0);
  resizeGraphics(640, 480);
}

void ride(int rider, int heading, int count, const float* xz) {
  static const float dirX[4] = {0, 1, 0, -1}, dirZ[4] = {1, 0, -1, 0};
  Rider* r = &riders[rider];
  r->heading = heading, r->dirX = dirX[heading], r->dirZ = dirZ[heading];
  for (int i = 0; i < count; i++) {
    TrailPoint* p = (TrailPoint*)calloc(1, sizeof(TrailPoint));
    p->x = xz[2 * i], p->z = xz[2 * i + 1];
    p->mapX = 125 + p->x / 8, p->mapY = 125 + p->z / 8;
    p->red = r->colorRed * 255, p->green = r->colorGreen * 255, p->blue = r->colorBlue * 255;
    p->alpha = 255;
    if (r->trailTail) r->trailTail->next = p; else r->trailHead = p;
    r->trailTail = p;
  }
  r->x = r->trailTail->x, r->z = r->trailTail->z;
}

void titleFrame() {
  startGame(4);
  showTitle();
}

void matchFrame() {
  startGame(3);
  const float trail0[] = {-600, -200, -600, 100, 0, 100};
  const float trail1[] = {300, -500, 300, 40, 150, 40};
  const float trail2[] = {-100, 600, 250, 600, 250, 350};
  ride(0, 1, 3, trail0);
  ride(1, 3, 3, trail1);
  ride(2, 2, 3, trail2);
  riders[1].crashTimer = 1;   // a burst where it crashed
  riders[2].crashTimer = 90;  // its wall sinking
  riders[0].score = 3, riders[1].score = -1, riders[2].score = 12;
  scoresVisible = 1;
  helpVisible = 1;
  beginFrame();
  lookAtMirrored(-250, 180, -150, 0, 12, 100, 0, 1, 0);
  drawWorld();
  drawHud();
}
}  // namespace

extern const Scene GAME_SCENES[] = {
    {"game_title", titleFrame},
    {"game_match", matchFrame},
};
extern const int GAME_SCENE_COUNT = 2;
