// The head-up display over the scene: minimap, scores, key help, then the buffer swap.
#include "render/hud.h"
#include <stdio.h>
#include "platform/gl_context.h"
#include "platform/opengl.h"
#include "render/draw_helpers.h"
#include "render/font.h"
#include "render/graphics.h"
#include "sim/riders.h"
#include "sim/room_view.h"
#include "sim/ui_state.h"

namespace {
// The riders taken part, kept within the array however the count was set.
int takingPart() { return riderCount < MAX_RIDERS ? riderCount : MAX_RIDERS; }
}  // namespace

void drawMinimapLine(float x1, float y1, float x2, float y2) {
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
}

void drawMinimap() {
  if (demoActive == 1) return;  // the tour shows the arena itself
  glDisable(GL_DEPTH_TEST);
  setPackedColor(0x606060);
  glRectf(25.0f, 455.0f, 225.0f, 255.0f);
  // +x to the right and +z up; later riders over earlier ones.
  for (int i = 0; i < takingPart(); i++) {
    setPackedColor(riders[i].color);
    for (const TrailPoint* p = riders[i].trailHead; p && p->next; p = p->next) {
      const TrailPoint* q = p->next;
      drawMinimapLine(p->mapX, 480.0f - p->mapY, q->mapX, 480.0f - q->mapY);
    }
  }
  glEnable(GL_DEPTH_TEST);
}

void drawHud() {
  // The last score always starts at x 600.
  int count = takingPart();
  int step = count > 1 ? 600 / (count - 1) : 600;

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  drawMinimap();

  if (scoresVisible != 0) {
    for (int i = 0; i < count; i++) {
      char text[16];
      setPackedColor(riders[i].color);
      // In a room the viewer's own rider is marked among the people's.
      snprintf(text, sizeof text, markOwnRider && i == localRider ? ">%d" : "%d",
               (int)riders[i].score);
      drawText((float)(i * step), 434.0f, text);
    }
  }

  if (helpVisible != 0) {
    setPackedColor(0xFFFFFFFFu);
    drawText(0.0f, 414.0f, "Arrow keys: Turn/Accel");
    drawText(0.0f, 399.0f, "Z:Look left  X:Look right  C:Look back");
    drawText(0.0f, 384.0f, "V:Change view");
  }

  if (roomNoticeFrames > 0) {
    roomNoticeFrames -= 1;
    setPackedColor(0xFFFFFFFFu);
    drawText(0.0f, 20.0f, roomNotice);
  }

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);

  glFlush();
  swapBuffers(deviceContext);
}
