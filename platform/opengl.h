// Drawing API: OpenGL 1.1 and GLU, with whatever the desktop's headers need first.
#pragma once
#include <GL/gl.h>
#include <GL/glu.h>
