// Drawing API: OpenGL 1.1 and GLU, with whatever the desktop's headers need first.
#pragma once
#if defined(_WIN32) && !defined(APIENTRY)
// Windows' GL headers want three names from <windows.h>; giving them here keeps
// <windows.h>, whose macros would clash with platform/window.h, out of the drawing code.
#define APIENTRY __stdcall
#define CALLBACK __stdcall
#define WINGDIAPI __declspec(dllimport)
#endif
#include <GL/gl.h>
#include <GL/glu.h>
