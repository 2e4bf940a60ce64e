// A stand-in for the OpenGL 1.1 entry points the model, font and title code call. It keeps
// no pixels but checks how it is used: display lists and glBegin/glEnd never nest, pushes
// and pops pair up, glCallLists only runs lists that exist, and every byte handed over by
// pointer (glBitmap, glDrawPixels, glCallLists) is read, so AddressSanitizer sees a short one.
#pragma once

void resetGlDouble();
// Fails the run unless no list or glBegin is open and every push was popped.
void checkGlDoubleBalanced();

int glDoubleVertexCount();      // glVertex3f calls since the reset
int glDoubleListsCompiled();    // glEndList calls since the reset
int glDoublePixelRectangles();  // glDrawPixels calls since the reset
int glDoubleListCalls();        // glCallLists calls since the reset
