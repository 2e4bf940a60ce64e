// The 3-D scene of every frame: the floor, each rider's cycle or crash burst, and each
// rider's wall of light. Every world x goes to GL negated.
#include "render/world.h"

#include "model/model_reader.h"
#include "platform/opengl.h"
#include "render/arena.h"
#include "render/cycle_model.h"
#include "render/draw_helpers.h"
#include "render/view_volume.h"
#include "sim/riders.h"

namespace {

const float WALL_HEIGHT = 40.0f;
const int WALL_SINK_START = 80;    // after this many crash steps the wall sinks 1 a step
const float TIP_LENGTH = 20.0f;    // the coloured wall stops this far behind the rider
const float TIP_HEIGHT = 0.75f;    // of the wall height, at the rider's end
const float BURST_HALF_WIDTH = 80.0f;
const float BURST_HEIGHT = 100.0f;
const int BURST_LAST_STEP = 9;

// One end of a wall piece: its foot, the height of its top, and the colour of both corners.
struct WallEnd {
  float x, y, z, top;
  float red, green, blue, alpha;
};

int ridersToDraw() {
  if (riderCount < 0) return 0;
  return riderCount > MAX_RIDERS ? MAX_RIDERS : riderCount;
}

WallEnd endAtPoint(const TrailPoint* p, float height) {
  WallEnd e = {p->x, p->y, p->z, p->y + height,
               p->red / 255.0f, p->green / 255.0f, p->blue / 255.0f, p->alpha / 255.0f};
  return e;
}

// One piece as a one-quad strip: near top, near foot, far top, far foot.
void drawWallPiece(const WallEnd& n, const WallEnd& f) {
  glBegin(GL_QUAD_STRIP);
  glColor4f(n.red, n.green, n.blue, n.alpha);
  glVertex3f(-n.x, n.top, n.z);
  glVertex3f(-n.x, n.y, n.z);
  glColor4f(f.red, f.green, f.blue, f.alpha);
  glVertex3f(-f.x, f.top, f.z);
  glVertex3f(-f.x, f.y, f.z);
  glEnd();
}

}  // namespace

void drawWorld() {
  drawFloor();
  int count = ridersToDraw();
  for (int i = 0; i < count; i++) {
    drawCycle(i);
    drawTrail(i);
  }
}

void drawFloor() { glCallList(1); }

void drawCycle(int rider) {
  if (rider < 0 || rider >= MAX_RIDERS) return;
  const Rider* r = &riders[rider];
  glPushMatrix();
  if (r->crashTimer > 0 && r->crashTimer <= BURST_LAST_STEP) {
    drawCrashBurst(-r->x, r->z, (float)r->crashTimer);
  } else if (r->speed > 0.0f) {
    // Lists per rider: heading 0, 2, 1, 3 at offsets 2, 3, 4, 5.
    static const int listOffset[4] = {2, 4, 3, 5};
    if (r->heading >= 0 && r->heading <= 3) {
      glTranslatef(-r->x, r->y, r->z);
      // A cycle wholly outside the view would light no pixel: its ~1000 faces are skipped.
      const CycleBounds& b = cycleBounds[r->heading];
      if (b.radius < 0.0f || sphereMayShow(b.x, b.y, b.z, b.radius))
        glCallList((GLuint)(4 * rider + listOffset[r->heading]));
    }
  }
  glPopMatrix();
}

void drawCrashBurst(float glX, float z, float crashTimer) {
  float r = BURST_HALF_WIDTH * crashTimer;
  float h = BURST_HEIGHT * crashTimer;
  setBurstShade();
  ModelVertex quad[4] = {};
  quad[0].x = glX - r, quad[0].y = h, quad[0].z = z;
  quad[1].x = glX + r, quad[1].y = h, quad[1].z = z;
  quad[2].x = glX + r, quad[2].y = 0, quad[2].z = z;
  quad[3].x = glX - r, quad[3].y = 0, quad[3].z = z;
  drawQuad(quad);
  quad[0].x = glX, quad[0].y = h, quad[0].z = z - r;
  quad[1].x = glX, quad[1].y = h, quad[1].z = z + r;
  quad[2].x = glX, quad[2].y = 0, quad[2].z = z + r;
  quad[3].x = glX, quad[3].y = 0, quad[3].z = z - r;
  drawQuad(quad);
}

void drawTrail(int rider) {
  if (rider < 0 || rider >= MAX_RIDERS) return;
  const Rider* r = &riders[rider];
  float h = WALL_HEIGHT;
  if (r->crashTimer > WALL_SINK_START) h = WALL_HEIGHT - (float)(r->crashTimer - WALL_SINK_START);
  setSmoothUntextured();

  const TrailPoint* p = r->trailHead;
  if (!p || !p->next) return;
  WallEnd nearEnd = endAtPoint(p, h);
  for (p = p->next; p; p = p->next) {
    if (p->next) {
      WallEnd farEnd = endAtPoint(p, h);
      drawWallPiece(nearEnd, farEnd);
      nearEnd = farEnd;
      continue;
    }
    // The moving end: the coloured wall stops short of the rider, then a white tip.
    WallEnd cut = endAtPoint(p, h);
    cut.x = r->x - TIP_LENGTH * r->dirX;
    cut.y = 0.0f;
    cut.z = r->z - TIP_LENGTH * r->dirZ;
    cut.top = h;
    drawWallPiece(nearEnd, cut);
    WallEnd tip = endAtPoint(p, TIP_HEIGHT * h);
    tip.red = tip.green = tip.blue = 1.0f;
    drawWallPiece(cut, tip);
  }
}
