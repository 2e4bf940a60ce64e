// Rider cameras: the frame's simulation step and the four views of the local rider.
#pragma once

// The first-person look direction on the floor is (cos cameraYaw, sin cameraYaw) in (x, z).
// Smoothed here; snapped by turns and respawns of the local rider.
extern float cameraYaw;

// The yaw that faces each heading, and the offset each look direction adds to it.
extern const float baseYaw[4];
extern const float lookOffset[4];

// The first-person view covers half the remaining angle toward the target yaw per repaint.
void smoothCameraYaw(int heading, int look);

// The repaint advances every rider one step (offline), then places the camera for the view.
void updateFrame();

// Every view is set through this: the eye and target have their x negated for GL.
void lookAtMirrored(float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
                    float targetZ, float upX, float upY, float upZ);
