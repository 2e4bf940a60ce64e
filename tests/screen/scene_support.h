// Scene-test helpers: the game's GL state on the test window, front-buffer reads after a
// swap, a private working directory, and small files written for the code to read.
#pragma once
#include <stdint.h>
#include <string>

// Opens the hidden test window (once per process), points the game's device context at it
// and sets the drawing state the game's graphics set-up leaves. Returns 0 without a window.
int openSceneWindow();

// Loads the overlay projection: 640 by 480 units, origin lower left, identity modelview.
void loadOverlay();

// Clears both colour buffers to one colour (each swap shows one of them).
void fillBothBuffers(float r, float g, float b);

// A pixel of the frame last swapped, as 8-bit RGB.
void readShownPixel(int x, int y, uint8_t rgb[3]);

// The whole frame last swapped, bottom row first, 3 bytes per pixel.
std::string readShownBuffer();

// Writes the shown buffer as a binary PPM for a person to look at (top row first).
void saveShownPpm(const char* path);

// Makes a fresh empty temporary directory the working directory; leaveTempDir goes back.
void enterTempDir();
void leaveTempDir();

void writeBytes(const char* name, const void* bytes, size_t count);
std::string readBytes(const char* path);

// Writes a JPEG of the given size and component count (1 or 3). Pixels come from fill,
// which is given the column and the row counted from the top.
typedef void (*PixelFill)(int x, int rowFromTop, uint8_t* out);
void writeJpeg(const char* name, int width, int height, int components, PixelFill fill);
