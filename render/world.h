// The 3-D scene of a frame: floor, cycles or crash bursts, and walls of light.
#pragma once

void drawWorld();
void drawFloor();
void drawCycle(int rider);
void drawCrashBurst(float glX, float z, float crashTimer);
void drawTrail(int rider);
