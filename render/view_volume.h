// Whether a sphere can show in the current view: frames skip what lies wholly outside it.
#pragma once

// Called by the world drawing before it sends a cycle's list, with the sphere in the
// coordinates of the current modelview matrix. Returns 0 only when the sphere lies entirely
// outside one plane of the view volume of the current projection and modelview matrices,
// so a skipped draw could not have lit a pixel.
int sphereMayShow(float x, float y, float z, float radius);
