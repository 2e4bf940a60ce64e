// Computer riders: swerve from walls ahead, now and then turn toward the chased rider.
#pragma once

// Movement steers every computer-driven rider after each sub-step's collision test.
void steerComputerRider(int rider);

// True when min(a, b) <= value <= max(a, b).
bool inclusivelyBetween(float value, float a, float b);
