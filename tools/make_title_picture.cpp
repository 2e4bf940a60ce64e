// Draws the game's 640 by 480 title picture and writes it as a JPEG: a neon grid floor in
// perspective, a glowing light wall receding on the left, a light cycle in side view with
// its wall trailing behind it, and the name in big letters taken from the game's own font.
// The bottom strip stays dark for the two white title lines.
//
// Usage: make_title_picture FONT_FILE OUTPUT.jpg   (normally data/flori.fnt data/vask.jpg)
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <jpeglib.h>

namespace {
const int W = 640, H = 480;
const float HORIZON = 250.0f, FOCAL = 400.0f, EYE_HEIGHT = 100.0f, CENTRE_X = 320.0f;

struct Rgb {
  float r, g, b;
};
Rgb base[H][W];
Rgb glow[H][W];
Rgb scratch[H][W];
unsigned char font[4096];

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void add(Rgb (*layer)[W], int x, int y, Rgb c, float k) {
  if (x < 0 || y < 0 || x >= W || y >= H) return;
  layer[y][x].r += c.r * k;
  layer[y][x].g += c.g * k;
  layer[y][x].b += c.b * k;
}

void blend(int x, int y, Rgb c, float k) {
  if (x < 0 || y < 0 || x >= W || y >= H) return;
  k = clamp01(k);
  Rgb& p = base[y][x];
  p.r = p.r * (1 - k) + c.r * k;
  p.g = p.g * (1 - k) + c.g * k;
  p.b = p.b * (1 - k) + c.b * k;
}

// Three box passes each way: close enough to a Gaussian of the given radius.
void blurGlow(int radius) {
  for (int pass = 0; pass < 3; pass++) {
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        Rgb s = {0, 0, 0};
        for (int d = -radius; d <= radius; d++) {
          int xx = x + d < 0 ? 0 : (x + d >= W ? W - 1 : x + d);
          s.r += glow[y][xx].r, s.g += glow[y][xx].g, s.b += glow[y][xx].b;
        }
        float n = 2.0f * radius + 1;
        scratch[y][x] = {s.r / n, s.g / n, s.b / n};
      }
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        Rgb s = {0, 0, 0};
        for (int d = -radius; d <= radius; d++) {
          int yy = y + d < 0 ? 0 : (y + d >= H ? H - 1 : y + d);
          s.r += scratch[yy][x].r, s.g += scratch[yy][x].g, s.b += scratch[yy][x].b;
        }
        float n = 2.0f * radius + 1;
        glow[y][x] = {s.r / n, s.g / n, s.b / n};
      }
  }
}

void sky() {
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      float t = clamp01(y / HORIZON);  // 0 at the top, 1 at the horizon
      base[y][x] = {0.01f + 0.16f * t * t * t, 0.0f + 0.02f * t, 0.05f + 0.20f * t * t};
    }
}

// The floor, pixel by pixel: each pixel below the horizon is traced back to the floor and
// lit where it falls on a grid line, with the line width measured against the pixel's size.
void gridFloor() {
  const float spacing = 60.0f;
  const Rgb line = {0.1f, 0.85f, 1.0f};
  for (int y = (int)HORIZON + 1; y < H; y++) {
    float dy = y + 0.5f - HORIZON;
    float z = FOCAL * EYE_HEIGHT / dy;
    float pixelX = z / FOCAL;                          // world width of one pixel
    float pixelZ = z * z / (FOCAL * EYE_HEIGHT);       // world depth of one pixel row
    float fog = expf(-z / 2200.0f);
    for (int x = 0; x < W; x++) {
      float wx = (x + 0.5f - CENTRE_X) * z / FOCAL;
      float ax = fabsf(wx - spacing * roundf(wx / spacing));
      float az = fabsf(z - spacing * roundf(z / spacing));
      float lx = clamp01(1.0f - ax / (pixelX * 1.2f + 1.5f)) * fminf(1.0f, 3.0f / pixelX);
      float lz = clamp01(1.0f - az / (pixelZ * 1.2f + 1.5f)) * fminf(1.0f, 3.0f / pixelZ);
      float k = fmaxf(lx, lz) * fog;
      Rgb floorColour = {0.02f, 0.01f, 0.08f + 0.1f * fog};
      base[y][x] = floorColour;
      add(base, x, y, line, 0.8f * k);
      add(glow, x, y, line, 1.2f * k);
      // The far floor melts into a glowing haze at the horizon.
      float haze = expf(-(dy) / 18.0f);
      add(base, x, y, {0.5f, 0.2f, 0.7f}, 0.5f * haze);
    }
  }
  for (int x = 0; x < W; x++) add(glow, x, (int)HORIZON, {0.7f, 0.3f, 1.0f}, 3.0f);
}

// A light wall in the plane x = wallX, from depth nearZ to farZ, 40 units high.
void recedingWall(float wallX, float nearZ, float farZ, Rgb colour) {
  const float wallHeight = 40.0f;
  for (int x = 0; x < W; x++) {
    float dx = x + 0.5f - CENTRE_X;
    if (dx * wallX <= 0.0f) continue;
    float z = FOCAL * wallX / dx;
    if (z < nearZ || z > farZ) continue;
    float bottom = HORIZON + FOCAL * EYE_HEIGHT / z;
    float top = HORIZON + FOCAL * (EYE_HEIGHT - wallHeight) / z;
    float fog = expf(-z / 3000.0f);
    for (int y = (int)top; y <= (int)bottom && y < H; y++) {
      float t = (y - top) / (bottom - top + 1e-3f);   // 0 at the top edge, 1 at the foot
      float edge = expf(-(y - top) / 2.0f);
      blend(x, y, colour, (0.45f + 0.35f * (1 - t)) * fog);
      add(base, x, y, {1, 1, 1}, 0.6f * edge * fog);
      add(glow, x, y, colour, (0.5f + 1.5f * edge) * fog);
    }
  }
}

float segmentDistance(float px, float py, float ax, float ay, float bx, float by) {
  float vx = bx - ax, vy = by - ay;
  float t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy);
  t = clamp01(t);
  float dx = px - (ax + t * vx), dy = py - (ay + t * vy);
  return sqrtf(dx * dx + dy * dy);
}

bool insidePolygon(const float (*pts)[2], int n, float x, float y) {
  bool in = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    if ((pts[i][1] > y) != (pts[j][1] > y) &&
        x < (pts[j][0] - pts[i][0]) * (y - pts[i][1]) / (pts[j][1] - pts[i][1]) + pts[i][0])
      in = !in;
  }
  return in;
}

void neonPolygon(const float (*pts)[2], int n, Rgb fill, Rgb edge) {
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      float px = x + 0.5f, py = y + 0.5f;
      float d = 1e9f;
      for (int i = 0, j = n - 1; i < n; j = i++)
        d = fminf(d, segmentDistance(px, py, pts[j][0], pts[j][1], pts[i][0], pts[i][1]));
      if (insidePolygon(pts, n, px, py)) blend(x, y, fill, 1.0f);
      float k = clamp01(1.6f - d);
      if (k > 0) {
        blend(x, y, edge, k);
        add(glow, x, y, edge, 2.0f * k);
      }
    }
}

void neonWheel(float cx, float cy, float radius, Rgb edge) {
  for (int y = (int)(cy - radius - 4); y <= (int)(cy + radius + 4); y++)
    for (int x = (int)(cx - radius - 4); x <= (int)(cx + radius + 4); x++) {
      float d = hypotf(x + 0.5f - cx, y + 0.5f - cy);
      if (d < radius) blend(x, y, {0.01f, 0.01f, 0.03f}, 1.0f);
      float rim = clamp01(2.2f - fabsf(d - radius + 2.0f));
      float hub = clamp01(1.4f - fabsf(d - radius * 0.45f));
      blend(x, y, edge, fmaxf(rim, hub * 0.8f));
      add(glow, x, y, edge, 2.0f * rim + hub);
    }
}

// The cycle rides left; its wall trails out to the right edge behind it.
void lightCycle() {
  const Rgb cyan = {0.2f, 0.95f, 1.0f};
  const float floorY = 412.0f;
  for (int x = 420; x < W; x++)
    for (int y = 350; y <= (int)floorY; y++) {
      float edge = expf(-(y - 350) / 2.0f);
      blend(x, y, cyan, 0.5f + 0.3f * (1.0f - (y - 350) / 62.0f));
      add(base, x, y, {1, 1, 1}, 0.6f * edge);
      add(glow, x, y, cyan, 0.6f + 1.5f * edge);
    }
  const float body[][2] = {{226, 398}, {238, 372}, {268, 352}, {318, 340}, {346, 322},
                           {372, 314}, {392, 322}, {404, 338}, {436, 350}, {446, 372},
                           {440, 398}, {400, 404}, {290, 404}};
  neonPolygon(body, sizeof body / sizeof body[0], {0.02f, 0.03f, 0.07f}, cyan);
  const float canopy[][2] = {{280, 356}, {322, 346}, {346, 332}, {370, 326}, {384, 334},
                             {362, 350}, {300, 360}};
  neonPolygon(canopy, sizeof canopy / sizeof canopy[0], {0.05f, 0.25f, 0.35f}, {0.8f, 1, 1});
  neonWheel(272, 386, 26, cyan);
  neonWheel(404, 386, 26, cyan);
  for (int x = 226; x < W; x++) add(glow, x, (int)floorY + 1, cyan, 1.5f);
}

// Letters from the game's font, each font pixel a scale by scale block, with a bright core
// and a glow around it.
void bigText(const char* text, int left, int top, int scale, Rgb colour) {
  for (int c = 0; text[c]; c++) {
    const unsigned char* glyph = font + 16 * (unsigned char)text[c];
    for (int row = 0; row < 16; row++)
      for (int col = 0; col < 8; col++) {
        if (!(glyph[row] & (0x80 >> col))) continue;
        for (int y = 0; y < scale; y++)
          for (int x = 0; x < scale; x++) {
            int px = left + c * 8 * scale + col * scale + x;
            int py = top + row * scale + y;
            float t = (float)(row * scale + y - 2 * scale) / (10.0f * scale);  // down the letter
            Rgb core = {colour.r + (1 - colour.r) * (1 - t) * 0.7f,
                        colour.g + (1 - colour.g) * (1 - t) * 0.7f,
                        colour.b + (1 - colour.b) * (1 - t) * 0.7f};
            blend(px, py, core, 1.0f);
            add(glow, px, py, colour, 1.4f);
          }
      }
  }
}

int textWidth(const char* text, int scale) { return (int)strlen(text) * 8 * scale; }

// The two title lines sit in the bottom 40 rows: darken them so white text stays legible.
void darkenBottom() {
  for (int y = H - 48; y < H; y++) {
    float k = clamp01((y - (H - 48)) / 16.0f) * 0.85f;
    for (int x = 0; x < W; x++) {
      Rgb& p = base[y][x];
      p.r *= 1 - k, p.g *= 1 - k, p.b *= 1 - k;
      Rgb& g = glow[y][x];
      g.r *= 1 - k, g.g *= 1 - k, g.b *= 1 - k;
    }
  }
}

int writeJpeg(const char* path) {
  FILE* out = fopen(path, "wb");
  if (!out) return 0;
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = W;
  info.image_height = H;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  jpeg_start_compress(&info, TRUE);
  static unsigned char row[W * 3];
  while (info.next_scanline < H) {
    int y = info.next_scanline;
    for (int x = 0; x < W; x++) {
      const Rgb& p = base[y][x];
      // Soft tone curve so bright glows saturate gently instead of clipping.
      const float channel[3] = {p.r, p.g, p.b};
      for (int c = 0; c < 3; c++) {
        float v = 255.0f * (1.0f - expf(-1.6f * channel[c])) / (1.0f - expf(-1.6f));
        row[3 * x + c] = (unsigned char)(v > 255.0f ? 255.0f : (v < 0.0f ? 0.0f : v));
      }
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return fclose(out) == 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s FONT_FILE OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  FILE* f = fopen(argv[1], "rb");
  if (!f || fread(font, 1, sizeof font, f) != sizeof font) {
    fprintf(stderr, "%s: need the 4096-byte font file %s\n", argv[0], argv[1]);
    if (f) fclose(f);
    return 1;
  }
  fclose(f);

  sky();
  gridFloor();
  recedingWall(-160.0f, 120.0f, 5000.0f, {1.0f, 0.45f, 0.05f});
  lightCycle();
  const Rgb cyan = {0.15f, 0.85f, 1.0f};
  const Rgb orange = {1.0f, 0.55f, 0.1f};
  bigText("VASK", (W - textWidth("VASK", 10)) / 2, 0, 10, cyan);
  bigText("LIGHT CYCLES", (W - textWidth("LIGHT CYCLES", 5)) / 2, 118, 5, orange);
  darkenBottom();
  blurGlow(5);
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) add(base, x, y, glow[y][x], 0.55f);
  blurGlow(12);  // a second, wider halo from what is left of the glow
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) add(base, x, y, glow[y][x], 0.35f);
  darkenBottom();

  if (!writeJpeg(argv[2])) {
    fprintf(stderr, "%s: could not write %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}
