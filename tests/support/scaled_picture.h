// What the scaled present (platform/shared/scaled_frame.h) must show of a frame, worked out
// on the processor, and the check the presentation tests compare what was shown against.
// Pictures are RGB rows, bottom row first, as glReadPixels reads them.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

// The frame (width by height) scaled to `toWidth` by `toHeight`, a scale of 1 or more: each
// pixel inside one of the frame's pixels is that pixel as it is, and a pixel across an edge
// blends the two by how much of it each covers. At a whole-number scale each of the frame's
// pixels becomes a block of the same colour.
std::vector<uint8_t> sharplyScaled(const std::vector<uint8_t>& frame, int width, int height,
                                   int toWidth, int toHeight);

// How many pixels of `shown` differ from `expected` by more than `tolerance` in a channel
// (every pixel, when the sizes differ); `first`, when given, gets the first such pixel's index.
int pixelsOff(const std::vector<uint8_t>& shown, const std::vector<uint8_t>& expected, int tolerance,
              size_t* first = nullptr);
