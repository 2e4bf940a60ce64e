// Collisions and scoring: walls and the arena edge within the stretch ahead of a rider.
#pragma once

// Movement tests the rider after every sub-step; the first hit crashes it.
void checkCollision(int rider);

// Crashes `rider`: engine off, crash sound, speed 0, and the score settled. `hitRider` is
// the owner of the wall hit (the rider itself for its own wall), or -1 for the edge.
void crashRider(int rider, int hitRider);

// True when value lies strictly between the bounds, in either order.
bool strictlyBetween(float value, float a, float b);
