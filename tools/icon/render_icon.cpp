// Draws the game's icon with the game's own renderer: the player's light cycle, read from
// the game's model file and drawn in the player's colour from the match file, with a
// stretch of its wall of light turning a corner behind it. Drawn off screen on Mesa's
// surfaceless EGL platform (no display, no window), supersampled, then given a dark
// outline that keeps the shape clear at 16 pixels, and written as a PNG for each size.
//
// usage: render_icon DATA_DIR OUT_DIR SIZE...   writes OUT_DIR/vask-<SIZE>.png
//   DATA_DIR holds vask3.wrl and setup.txt (the game's data folder)
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "platform/opengl.h"
#include "platform/window.h"
#include "render/arena.h"
#include "render/world.h"
#include "sim/riders.h"

// The drawing code reads the match's rider table; the tool fills in one rider of its own.
Rider riders[MAX_RIDERS];
int32_t riderCount = 0;
int32_t localRider = 0;

// The model reader reports a missing or damaged file here before it gives up.
int messageBox(WindowHandle, const char* text, const char*, uint32_t) {
  fprintf(stderr, "render_icon: %s\n", text);
  return IDOK;
}

namespace {

const int BUFFER_SIZE = 2048;    // the pbuffer: the largest size times its supersampling
const int MAX_SUPERSAMPLING = 16;
const int MIN_SIZE = 8, MAX_SIZE = 1024;
const unsigned char OUTLINE[3] = {14, 16, 36};  // near the arena's night, darker than any face

// Where the rider and its wall are, and where the camera looks from (game coordinates:
// the rider rides along +x at the game's ride height; its wall turns a corner behind it).
const float RIDE_HEIGHT = 12.0f;
const float WALL[][2] = {{-90.0f, 110.0f}, {-90.0f, 0.0f}, {0.0f, 0.0f}};
const float EYE[3] = {150.0f, 110.0f, -120.0f};
const float TARGET[3] = {-10.0f, 10.0f, 10.0f};
const double FIELD_OF_VIEW = 45.0;  // degrees, up and down

struct Picture {
  int size;
  std::vector<unsigned char> rgba;  // top row first, not premultiplied
};

int fail(const char* what) {
  fprintf(stderr, "render_icon: %s\n", what);
  return 0;
}

int openContext() {
  PFNEGLGETPLATFORMDISPLAYEXTPROC getPlatformDisplay =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  if (!getPlatformDisplay) return fail("EGL has no eglGetPlatformDisplayEXT");
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, 0);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, 0, 0))
    return fail("no surfaceless EGL display (Mesa's libegl-mesa0 and libgl1-mesa-dri)");
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                  EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                  EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24,
                                  EGL_NONE};
  EGLConfig config;
  EGLint found = 0;
  if (!eglChooseConfig(display, configAttribs, &config, 1, &found) || found < 1)
    return fail("no EGL pbuffer configuration with alpha and depth");
  const EGLint surfaceAttribs[] = {EGL_WIDTH, BUFFER_SIZE, EGL_HEIGHT, BUFFER_SIZE, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
  if (surface == EGL_NO_SURFACE) return fail("no EGL pbuffer");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("EGL has no desktop OpenGL");
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, 0);
  if (context == EGL_NO_CONTEXT) return fail("no OpenGL context");
  if (!eglMakeCurrent(display, surface, surface, context)) return fail("eglMakeCurrent failed");
  return 1;
}

// The player's colour: the first line of the match file, each channel held to 0..1 (not a
// number: 0); the built-in red when the file or the line does not read.
void readPlayerColour(float rgb[3]) {
  rgb[0] = 1.0f, rgb[1] = 0.2f, rgb[2] = 0.2f;
  FILE* f = fopen("setup.txt", "r");
  if (!f) return;
  float c[3];
  if (fscanf(f, "%f %f %f", &c[0], &c[1], &c[2]) == 3)
    for (int i = 0; i < 3; i++) rgb[i] = !(c[i] > 0.0f) ? 0.0f : (c[i] > 1.0f ? 1.0f : c[i]);
  fclose(f);
}

// Rider 0 on its way along +x, its wall behind it, as the match would leave them.
void placeRider() {
  memset(riders, 0, sizeof riders);
  riderCount = 1;
  Rider* r = &riders[0];
  float rgb[3];
  readPlayerColour(rgb);
  r->colorRed = rgb[0], r->colorGreen = rgb[1], r->colorBlue = rgb[2];
  r->color = (uint32_t)(r->colorRed * 255) | (uint32_t)(r->colorGreen * 255) << 8 |
             (uint32_t)(r->colorBlue * 255) << 16;
  r->heading = 1, r->dirX = 1.0f, r->dirZ = 0.0f;
  r->speed = 10.0f;
  r->y = RIDE_HEIGHT;
  const int corners = (int)(sizeof WALL / sizeof WALL[0]);
  static TrailPoint points[corners];
  for (int i = 0; i < corners; i++) {
    TrailPoint* p = &points[i];
    memset(p, 0, sizeof *p);
    p->x = WALL[i][0], p->z = WALL[i][1];
    p->red = r->colorRed * 255, p->green = r->colorGreen * 255, p->blue = r->colorBlue * 255;
    p->alpha = 255;
    p->next = i + 1 < corners ? &points[i + 1] : 0;
  }
  r->trailHead = &points[0];
  r->trailTail = &points[corners - 1];
  r->x = r->trailTail->x, r->z = r->trailTail->z;
}

// The scene at `pixels` square, with the picture's square of normalised device coordinates
// (cx +- half, cy +- half) stretched over the whole viewport. Returns the RGBA pixels,
// bottom row first.
std::vector<unsigned char> drawScene(int pixels, float cx, float cy, float half) {
  glViewport(0, 0, pixels, pixels);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Scaling and moving in device coordinates, after the perspective divide.
  glScalef(1.0f / half, 1.0f / half, 1.0f);
  glTranslatef(-cx, -cy, 0.0f);
  gluPerspective(FIELD_OF_VIEW, 1.0, 10.0, 5000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // The game's x goes to GL negated, its camera's with it.
  gluLookAt(-EYE[0], EYE[1], EYE[2], -TARGET[0], TARGET[1], TARGET[2], 0.0, 1.0, 0.0);
  drawTrail(0);
  drawCycle(0);
  glFinish();
  std::vector<unsigned char> rgba((size_t)pixels * pixels * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, pixels, pixels, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

// The square, in device coordinates, that holds every drawn pixel, measured on a picture of
// a view this many times wider than the camera's own, so nothing is cut at its edges.
const float MEASURED_VIEW = 4.0f;
int measureScene(float* cx, float* cy, float* half) {
  const int n = 1024;
  std::vector<unsigned char> rgba = drawScene(n, 0.0f, 0.0f, MEASURED_VIEW);
  int x0 = n, y0 = n, x1 = -1, y1 = -1;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++)
      if (rgba[((size_t)y * n + x) * 4 + 3]) {
        if (x < x0) x0 = x;
        if (x > x1) x1 = x;
        if (y < y0) y0 = y;
        if (y > y1) y1 = y;
      }
  if (x1 < 0) return fail("the cycle and its wall drew nothing");
  if (x0 == 0 || y0 == 0 || x1 == n - 1 || y1 == n - 1)
    return fail("the cycle and its wall do not fit in the view");
  *cx = ((x0 + x1 + 1) / (float)n - 1.0f) * MEASURED_VIEW;
  *cy = ((y0 + y1 + 1) / (float)n - 1.0f) * MEASURED_VIEW;
  int extent = x1 - x0 > y1 - y0 ? x1 - x0 + 1 : y1 - y0 + 1;
  *half = extent / (float)n * MEASURED_VIEW;
  return 1;
}

// The outline's width in pixels at each size: one pixel up to 32, then growing with it.
float outlineWidth(int size) { return size <= 32 ? 1.0f : size / 32.0f; }

// A size's picture: the scene drawn `ss` times larger and averaged down (colour weighted by
// coverage), laid over its own outline, a dark band around everything drawn.
Picture paint(int size, float cx, float cy, float half) {
  int ss = BUFFER_SIZE / size;
  if (ss > MAX_SUPERSAMPLING) ss = MAX_SUPERSAMPLING;
  // Room at the edges for the outline and a pixel more.
  float margin = outlineWidth(size) + 1.0f;
  float scaledHalf = half * size / (size - 2.0f * margin);
  int big = size * ss;
  std::vector<unsigned char> drawn = drawScene(big, cx, cy, scaledHalf);

  std::vector<float> colour((size_t)size * size * 4, 0.0f);  // premultiplied
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      float sum[4] = {0, 0, 0, 0};
      for (int sy = 0; sy < ss; sy++)
        for (int sx = 0; sx < ss; sx++) {
          // GL's rows run bottom up; the picture's top down.
          const unsigned char* p = &drawn[((size_t)(big - 1 - (y * ss + sy)) * big + x * ss + sx) * 4];
          float a = p[3] / 255.0f;
          for (int c = 0; c < 3; c++) sum[c] += p[c] / 255.0f * a;
          sum[3] += a;
        }
      for (int c = 0; c < 4; c++) colour[((size_t)y * size + x) * 4 + c] = sum[c] / (ss * ss);
    }

  // The outline's cover: the drawn cover spread by the outline's width, with a soft edge.
  float width = outlineWidth(size);
  int reach = (int)ceilf(width + 1.0f);
  std::vector<float> outline((size_t)size * size, 0.0f);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      float cover = 0.0f;
      for (int dy = -reach; dy <= reach; dy++)
        for (int dx = -reach; dx <= reach; dx++) {
          int u = x + dx, v = y + dy;
          if (u < 0 || v < 0 || u >= size || v >= size) continue;
          float weight = width + 1.0f - sqrtf((float)(dx * dx + dy * dy));
          if (size <= 32 && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) weight = 1.0f;
          if (weight <= 0.0f) continue;
          if (weight > 1.0f) weight = 1.0f;
          float c = colour[((size_t)v * size + u) * 4 + 3] * weight;
          if (c > cover) cover = c;
        }
      // Small, the outline is whole pixels: a pixel the scene half covers is outlined too.
      if (size <= 32) cover = fminf(1.0f, 2.0f * cover);
      outline[(size_t)y * size + x] = cover;
    }

  Picture picture;
  picture.size = size;
  picture.rgba.resize((size_t)size * size * 4);
  for (size_t i = 0; i < (size_t)size * size; i++) {
    const float* c = &colour[i * 4];
    float under = outline[i] * (1.0f - c[3]);  // the outline shows where the scene does not
    float alpha = c[3] + under;
    for (int k = 0; k < 3; k++) {
      float value = alpha > 0.0f ? (c[k] + OUTLINE[k] / 255.0f * under) / alpha : 0.0f;
      picture.rgba[i * 4 + k] = (unsigned char)lroundf(fminf(fmaxf(value, 0.0f), 1.0f) * 255.0f);
    }
    picture.rgba[i * 4 + 3] = (unsigned char)lroundf(fminf(alpha, 1.0f) * 255.0f);
  }
  return picture;
}

void putBigEndian(std::vector<unsigned char>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((unsigned char)(v >> shift));
}

void putChunk(std::vector<unsigned char>& out, const char* kind, const std::vector<unsigned char>& body) {
  putBigEndian(out, (uint32_t)body.size());
  size_t start = out.size();
  out.insert(out.end(), kind, kind + 4);
  out.insert(out.end(), body.begin(), body.end());
  putBigEndian(out, (uint32_t)crc32(0L, &out[start], (uInt)(out.size() - start)));
}

// An 8-bit RGBA PNG, every row with filter 0 (none), compressed by zlib at its best.
int writePng(const char* path, const Picture& picture) {
  int n = picture.size;
  std::vector<unsigned char> raw;
  for (int y = 0; y < n; y++) {
    raw.push_back(0);
    raw.insert(raw.end(), &picture.rgba[(size_t)y * n * 4], &picture.rgba[(size_t)(y + 1) * n * 4]);
  }
  uLongf packedSize = compressBound((uLong)raw.size());
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), (uLong)raw.size(), 9) != Z_OK)
    return fail("zlib could not compress a picture");
  packed.resize(packedSize);

  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> file(signature, signature + 8), header;
  putBigEndian(header, (uint32_t)n);
  putBigEndian(header, (uint32_t)n);
  const unsigned char rest[5] = {8, 6, 0, 0, 0};  // depth 8, RGBA, deflate, no filter choice, no interlace
  header.insert(header.end(), rest, rest + 5);
  putChunk(file, "IHDR", header);
  putChunk(file, "IDAT", packed);
  putChunk(file, "IEND", std::vector<unsigned char>());

  FILE* f = fopen(path, "wb");
  if (!f) return fprintf(stderr, "render_icon: cannot write %s: %s\n", path, strerror(errno)), 0;
  int ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  if (fclose(f) != 0) ok = 0;
  if (!ok) fprintf(stderr, "render_icon: cannot write %s\n", path);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: render_icon DATA_DIR OUT_DIR SIZE...\n");
    return 2;
  }
  std::vector<int> sizes;
  for (int i = 3; i < argc; i++) {
    char* end = 0;
    long n = strtol(argv[i], &end, 10);
    if (*argv[i] == '\0' || *end != '\0' || n < MIN_SIZE || n > MAX_SIZE) {
      fprintf(stderr, "render_icon: size '%s' is not a whole number from %d to %d\n", argv[i],
              MIN_SIZE, MAX_SIZE);
      return 2;
    }
    sizes.push_back((int)n);
  }
  // Output paths are made before moving into the data folder, so a relative one still works.
  std::vector<std::string> paths;
  for (int n : sizes) paths.push_back(std::string(argv[2]) + "/vask-" + std::to_string(n) + ".png");
  for (std::string& p : paths) {
    if (p[0] == '/') continue;
    char here[4096];
    if (!getcwd(here, sizeof here)) return fail("cannot read the working folder"), 1;
    p = std::string(here) + "/" + p;
  }
  if (chdir(argv[1]) != 0) {
    fprintf(stderr, "render_icon: no data folder %s: %s\n", argv[1], strerror(errno));
    return 1;
  }
  // Mesa's rasteriser on this thread: the pictures are small, and a sanitized build's leak
  // check at exit then has no rasteriser threads to stop.
  setenv("LP_NUM_THREADS", "0", 0);
  if (!openContext()) return 1;
  placeRider();
  if (!buildArena()) return 1;  // reads vask3.wrl
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  buildDisplayLists();

  float cx, cy, half;
  if (!measureScene(&cx, &cy, &half)) return 1;
  for (size_t i = 0; i < sizes.size(); i++)
    if (!writePng(paths[i].c_str(), paint(sizes[i], cx, cy, half))) return 1;
  GLenum error = glGetError();
  if (error != GL_NO_ERROR) return fprintf(stderr, "render_icon: GL error 0x%x\n", error), 1;
  return 0;
}
