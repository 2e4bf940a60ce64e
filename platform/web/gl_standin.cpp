// Stand-in for the GL 1.1 layer over OpenGL ES 2 until it joins this backend (in gl/): the
// GL 1.1 and GLU names the game calls, accepting every call and drawing nothing, so the
// rest of the browser build links and runs (windows, keys, boxes, files, sound, music).
// The calls that WebGL 1 has under the same name are WebGL's own and do work.
#include <GL/gl.h>
#include <GL/glu.h>

extern "C" {
void glBegin(GLenum) {}
void glEnd() {}
void glVertex2f(GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glShadeModel(GLenum) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glPushMatrix() {}
void glPopMatrix() {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}
void glGetFloatv(GLenum, GLfloat* values) {
  for (int i = 0; i < 16; i++) values[i] = (i % 5 == 0) ? 1.0f : 0.0f;  // an identity matrix
}
GLuint glGenLists(GLsizei) { return 1; }
void glNewList(GLuint, GLenum) {}
void glEndList() {}
void glCallList(GLuint) {}
void glCallLists(GLsizei, GLenum, const GLvoid*) {}
void glListBase(GLuint) {}
void glDeleteLists(GLuint, GLsizei) {}
void glBitmap(GLsizei, GLsizei, GLfloat, GLfloat, GLfloat, GLfloat, const GLubyte*) {}
void glRasterPos2f(GLfloat, GLfloat) {}
void glDrawPixels(GLsizei, GLsizei, GLenum, GLenum, const GLvoid*) {}
void glRectf(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glPushAttrib(GLbitfield) {}
void glPopAttrib() {}
void glPushClientAttrib(GLbitfield) {}
void glPopClientAttrib() {}
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
void gluLookAt(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
               GLdouble) {}
}
