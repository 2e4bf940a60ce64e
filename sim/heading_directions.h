// The unit direction of each heading, shared by respawning and turning.
#pragma once

// Heading 0 travels +z, 1 +x, 2 -z, 3 -x.
const float headingDirX[4] = {0.0f, 1.0f, 0.0f, -1.0f};
const float headingDirZ[4] = {1.0f, 0.0f, -1.0f, 0.0f};
