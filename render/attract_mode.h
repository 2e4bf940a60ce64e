// Attract mode: a scripted camera touring a self-running match, and its engine sounds.
#pragma once
#include <stdint.h>

extern int32_t shotType;     // camera move 0..5
extern int32_t shotRider;    // the rider shown
extern int32_t shotTimer;    // repaints spent in this shot, 0..199
extern float shotDistance;   // side camera distance, moves 0 and 3
extern double shotAngle;     // circling angle, moves 4 and 5
extern float shotEyeX, shotEyeY, shotEyeZ;  // the eye; also where the sounds are heard

// The match reset and the end of each shot pick a new move and rider.
void chooseAttractShot();

// The repaint sets the attract view and ends the shot after 200 repaints.
void placeAttractCamera();

// The main loop places every engine relative to the touring eye while attract mode runs.
void placeAttractSounds();
