// The scaled present worked out on the processor (see scaled_picture.h).
#include "scaled_picture.h"

#include <math.h>
#include <stdlib.h>

namespace {

// Along one axis: the two frame pixels a window pixel samples, and the weight of the second.
struct Tap {
  int first, second;
  double weight;
};

std::vector<Tap> tapsOf(int size, int toSize) {
  const double scale = (double)toSize / size;
  const double flat = 0.5 - 0.5 / scale;  // the middle of a frame pixel, where it stays as it is
  std::vector<Tap> taps(toSize);
  for (int i = 0; i < toSize; i++) {
    const double at = (i + 0.5) / scale;  // the window pixel's centre, in frame pixels
    const double pixel = floor(at), fromCentre = at - pixel - 0.5;
    const double clamped = fromCentre < -flat ? -flat : fromCentre > flat ? flat : fromCentre;
    // Where it samples, counted from the first frame pixel's centre: linear filtering then
    // blends the pixel whose centre is at or below with the next.
    const double sample = pixel + (fromCentre - clamped) * scale;
    const double below = floor(sample);
    auto inside = [&](double p) { return p < 0 ? 0 : p >= size ? size - 1 : (int)p; };
    taps[i] = Tap{inside(below), inside(below + 1), sample - below};
  }
  return taps;
}

}  // namespace

std::vector<uint8_t> sharplyScaled(const std::vector<uint8_t>& frame, int width, int height,
                                   int toWidth, int toHeight) {
  const std::vector<Tap> across = tapsOf(width, toWidth), down = tapsOf(height, toHeight);
  std::vector<uint8_t> scaled((size_t)toWidth * toHeight * 3);
  for (int y = 0; y < toHeight; y++) {
    const Tap& v = down[y];
    for (int x = 0; x < toWidth; x++) {
      const Tap& h = across[x];
      for (int c = 0; c < 3; c++) {
        auto at = [&](int fx, int fy) { return (double)frame[((size_t)fy * width + fx) * 3 + c]; };
        const double lower = at(h.first, v.first) * (1 - h.weight) + at(h.second, v.first) * h.weight;
        const double upper = at(h.first, v.second) * (1 - h.weight) + at(h.second, v.second) * h.weight;
        scaled[((size_t)y * toWidth + x) * 3 + c] = (uint8_t)lround(lower * (1 - v.weight) + upper * v.weight);
      }
    }
  }
  return scaled;
}

int pixelsOff(const std::vector<uint8_t>& shown, const std::vector<uint8_t>& expected, int tolerance,
              size_t* first) {
  if (first) *first = 0;
  if (shown.size() != expected.size()) return (int)(expected.size() / 3);
  int off = 0;
  for (size_t i = 0; i < shown.size(); i += 3) {
    const bool differs = abs(shown[i] - expected[i]) > tolerance ||
                         abs(shown[i + 1] - expected[i + 1]) > tolerance ||
                         abs(shown[i + 2] - expected[i + 2]) > tolerance;
    if (differs && off++ == 0 && first) *first = i / 3;
  }
  return off;
}
