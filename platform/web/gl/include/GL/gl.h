// <GL/gl.h> for code drawn through the browser's GL 1.1 layer: each GL 1.1 name the game
// calls is the layer's function of that name.
#pragma once
#include "platform/web/gl/gl11.h"
#define GL_VERSION_1_1 1

#define glBegin gl11Begin
#define glEnd gl11End
#define glVertex2f gl11Vertex2f
#define glVertex3f gl11Vertex3f
#define glColor4f gl11Color4f
#define glRectf gl11Rectf
#define glShadeModel gl11ShadeModel
#define glGenLists gl11GenLists
#define glNewList gl11NewList
#define glEndList gl11EndList
#define glCallList gl11CallList
#define glCallLists gl11CallLists
#define glDeleteLists gl11DeleteLists
#define glListBase gl11ListBase
#define glMatrixMode gl11MatrixMode
#define glLoadIdentity gl11LoadIdentity
#define glPushMatrix gl11PushMatrix
#define glPopMatrix gl11PopMatrix
#define glTranslatef gl11Translatef
#define glOrtho gl11Ortho
#define glGetFloatv gl11GetFloatv
#define glViewport gl11Viewport
#define glRasterPos2f gl11RasterPos2f
#define glBitmap gl11Bitmap
#define glDrawPixels gl11DrawPixels
#define glPixelStorei gl11PixelStorei
#define glPushAttrib gl11PushAttrib
#define glPopAttrib gl11PopAttrib
#define glPushClientAttrib gl11PushClientAttrib
#define glPopClientAttrib gl11PopClientAttrib
#define glEnable gl11Enable
#define glDisable gl11Disable
#define glClear gl11Clear
#define glClearColor gl11ClearColor
#define glHint gl11Hint
#define glFlush gl11Flush
