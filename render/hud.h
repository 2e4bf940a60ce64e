// The head-up display: minimap, scores and key help, then the buffer swap.
#pragma once

void drawHud();
void drawMinimap();
void drawMinimapLine(float x1, float y1, float x2, float y2);
