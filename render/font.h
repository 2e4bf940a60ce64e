// The 8 by 16 bitmap font: 256 glyph display lists and text in the overlay.
#pragma once
#include <stdint.h>

extern uint8_t fontGlyphs[4096];   // the file's glyphs, rows bottom first
extern uint32_t fontListBase;      // list fontListBase + g draws glyph g

// The graphics set-up loads "flori.fnt" once, after the fixed display lists exist.
void loadFont();

// Draws a zero-terminated byte string starting 10 units right of x, in the current colour.
void drawText(float x, float y, const char* text);
