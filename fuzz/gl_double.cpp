#include "fuzz/gl_double.h"

#include <string.h>

#include "fuzz/fuzz_support.h"
#include "platform/opengl.h"

namespace {

enum { MAX_RESERVATIONS = 64 };

struct Reservation {
  GLuint first;
  GLsizei count;
};

Reservation reservations[MAX_RESERVATIONS];
int reservationCount = 0;
GLuint nextListName = 1000;  // well clear of the fixed arena and cycle lists
GLuint openList = 0;
int insideBegin = 0;
int attribDepth = 0;
int clientAttribDepth = 0;
GLuint listBase = 0;
int vertices = 0;
int listsCompiled = 0;
int pixelRectangles = 0;
int listCalls = 0;
volatile unsigned sink = 0;

void readBytes(const void* bytes, size_t count) {
  const unsigned char* p = (const unsigned char*)bytes;
  unsigned sum = 0;
  for (size_t i = 0; i < count; i++) sum += p[i];
  sink = sink + sum;
}

int listExists(GLuint list) {
  if (list >= 1 && list < 1000) return 1;  // fixed numbers compiled without a reservation
  for (int i = 0; i < reservationCount; i++)
    if (list >= reservations[i].first && list < reservations[i].first + (GLuint)reservations[i].count)
      return 1;
  return 0;
}

}  // namespace

void resetGlDouble() {
  reservationCount = 0;
  openList = 0;
  insideBegin = 0;
  attribDepth = clientAttribDepth = 0;
  listBase = 0;
  vertices = listsCompiled = pixelRectangles = listCalls = 0;
}

void checkGlDoubleBalanced() {
  if (openList) fuzzFail("a display list was left open");
  if (insideBegin) fuzzFail("glBegin without glEnd");
  if (attribDepth || clientAttribDepth) fuzzFail("attribute push without pop");
}

int glDoubleVertexCount() { return vertices; }
int glDoubleListsCompiled() { return listsCompiled; }
int glDoublePixelRectangles() { return pixelRectangles; }
int glDoubleListCalls() { return listCalls; }

extern "C" {

GLuint glGenLists(GLsizei range) {
  if (range <= 0) fuzzFail("glGenLists with no range");
  if (reservationCount == MAX_RESERVATIONS) fuzzFail("more list reservations than expected");
  GLuint first = nextListName;
  nextListName += (GLuint)range;
  reservations[reservationCount++] = Reservation{first, range};
  return first;
}

void glDeleteLists(GLuint list, GLsizei range) {
  for (int i = 0; i < reservationCount; i++) {
    if (reservations[i].first == list && reservations[i].count == range) {
      reservations[i] = reservations[--reservationCount];
      return;
    }
  }
}

void glNewList(GLuint list, GLenum mode) {
  if (openList) fuzzFail("glNewList inside another list");
  if (mode != GL_COMPILE) fuzzFail("lists are only compiled");
  if (!listExists(list)) fuzzFail("glNewList on a list that was never reserved");
  openList = list;
}

void glEndList() {
  if (!openList) fuzzFail("glEndList without glNewList");
  openList = 0;
  listsCompiled++;
}

void glListBase(GLuint base) { listBase = base; }

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
  if (type != GL_UNSIGNED_BYTE) fuzzFail("glCallLists with an unexpected type");
  const unsigned char* names = (const unsigned char*)lists;
  listCalls++;
  for (GLsizei i = 0; i < n; i++)
    if (!listExists(listBase + names[i])) fuzzFail("glCallLists runs a list that does not exist");
}

void glBegin(GLenum) {
  if (insideBegin) fuzzFail("glBegin inside glBegin");
  insideBegin = 1;
}

void glEnd() {
  if (!insideBegin) fuzzFail("glEnd without glBegin");
  insideBegin = 0;
}

void glVertex3f(GLfloat, GLfloat, GLfloat) {
  if (!insideBegin) fuzzFail("glVertex3f outside glBegin");
  vertices++;
}

void glBitmap(GLsizei width, GLsizei height, GLfloat, GLfloat, GLfloat, GLfloat,
              const GLubyte* bitmap) {
  // The font sets an unpack alignment of 1: each row is (width + 7) / 8 bytes.
  if (width < 0 || height < 0) fuzzFail("glBitmap with a negative size");
  readBytes(bitmap, (size_t)((width + 7) / 8) * (size_t)height);
}

void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
  if (format != GL_RGB || type != GL_UNSIGNED_BYTE) fuzzFail("glDrawPixels with another format");
  if (width < 0 || height < 0) fuzzFail("glDrawPixels with a negative size");
  if (insideBegin) fuzzFail("glDrawPixels inside glBegin");
  readBytes(pixels, (size_t)width * (size_t)height * 3);
  pixelRectangles++;
}

void glPushAttrib(GLbitfield) { attribDepth++; }
void glPopAttrib() {
  if (attribDepth == 0) fuzzFail("glPopAttrib without a push");
  attribDepth--;
}
void glPushClientAttrib(GLbitfield) { clientAttribDepth++; }
void glPopClientAttrib() {
  if (clientAttribDepth == 0) fuzzFail("glPopClientAttrib without a push");
  clientAttribDepth--;
}

void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glShadeModel(GLenum) {}
void glDisable(GLenum) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}
void glRasterPos2f(GLfloat, GLfloat) {}
void glFlush() {}
void glPixelStorei(GLenum, GLint) {}

}  // extern "C"
