// Small drawing helpers: the packed colour and four shading presets.
#pragma once
#include <stdint.h>

// Sends a packed colour (red bits 0-7, green 8-15, blue 16-23; top byte ignored), alpha 1.
void setPackedColor(uint32_t color);

void setFloorShade();        // flat, dark blue (0, 0, 0.4)
void setBurstShade();        // flat, red
void setFlatUntextured();    // texturing off, flat shading (cycle faces)
void setSmoothUntextured();  // texturing off, smooth shading (trail walls)
