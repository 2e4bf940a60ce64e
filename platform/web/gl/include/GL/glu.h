// <GL/glu.h> for code drawn through the browser's GL 1.1 layer.
#pragma once
#include <GL/gl.h>

#define gluPerspective glu11Perspective
#define gluLookAt glu11LookAt
