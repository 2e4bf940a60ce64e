// The browser's OpenGL 1.1: the part of GL 1.1 and GLU the game draws with, over OpenGL ES 2
// (WebGL 1), so the render code compiles unchanged. Natively it builds on any GLES 2 driver.
//
// What it provides: immediate mode (GL_TRIANGLES, GL_QUAD_STRIP, GL_POLYGON, GL_LINES) and
// glRectf, flat and smooth shading, display lists with a list base, glBitmap at glRasterPos2f,
// glDrawPixels (GL_RGB / GL_UNSIGNED_BYTE), the modelview and projection stacks with
// glGetFloatv of both, glPushAttrib(GL_LIST_BIT), glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT),
// and gluPerspective / gluLookAt. Anything else is not there.
//
// How the game's code reaches it: put platform/web/gl/include first on the include path. Its
// <GL/gl.h> and <GL/glu.h> include this header and map each GL 1.1 name (glBegin ...) onto
// the layer's function of the same name with a gl11 prefix (gl11Begin ...), so the layer's
// own calls into ES 2 (glClear, glEnable ...) and the game's never meet in the linker.
//
// How a backend uses it: create an ES 2 context with a depth buffer (WebGL 1 through
// emscripten_webgl_create_context with depth on, antialias off; natively EGL with
// EGL_OPENGL_ES2_BIT), make it current, call gl11Start() once, and draw. gl11Stop() before
// the context goes. Only one context: the layer's state is global, like GL's own.
// Primitives may wait inside the layer to be drawn together until glFlush (the game
// flushes before every swap): a backend that shows or reads the picture at another time
// calls gl11Flush() first. The layer sends ES 2 only what changed since its last draw, so
// other drawing on the same context goes through the layer's own scaled present
// (scaled_present.h), which puts the layer's state back.
#pragma once
#include <stddef.h>
#include <stdint.h>

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef int GLsizei;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef void GLvoid;

// The enums the game uses, with GL's own values.
#define GL_FALSE 0
#define GL_TRUE 1
#define GL_LINES 0x0001
#define GL_TRIANGLES 0x0004
#define GL_QUAD_STRIP 0x0008
#define GL_POLYGON 0x0009
#define GL_COMPILE 0x1300
#define GL_UNSIGNED_BYTE 0x1401
#define GL_FLOAT 0x1406
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_DEPTH_TEST 0x0B71
#define GL_TEXTURE_2D 0x0DE1
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_PERSPECTIVE_CORRECTION_HINT 0x0C50
#define GL_NICEST 0x1102
#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000
#define GL_LIST_BIT 0x00020000
#define GL_CLIENT_PIXEL_STORE_BIT 0x00000001

// Sets up the layer's shader and buffers on the current ES 2 context, and GL 1.1's initial
// state. Returns 1, or 0 when the shader does not build.
int gl11Start();
// Frees everything the layer made on the context, display lists included.
void gl11Stop();

void gl11Begin(GLenum mode);
void gl11End();
void gl11Vertex2f(GLfloat x, GLfloat y);
void gl11Vertex3f(GLfloat x, GLfloat y, GLfloat z);
void gl11Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void gl11Rectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2);
void gl11ShadeModel(GLenum mode);

GLuint gl11GenLists(GLsizei range);
void gl11NewList(GLuint list, GLenum mode);
void gl11EndList();
void gl11CallList(GLuint list);
void gl11CallLists(GLsizei n, GLenum type, const GLvoid* lists);
void gl11DeleteLists(GLuint list, GLsizei range);
void gl11ListBase(GLuint base);

void gl11MatrixMode(GLenum mode);
void gl11LoadIdentity();
void gl11PushMatrix();
void gl11PopMatrix();
void gl11Translatef(GLfloat x, GLfloat y, GLfloat z);
void gl11Ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar);
void gl11GetFloatv(GLenum pname, GLfloat* params);
void gl11Viewport(GLint x, GLint y, GLsizei width, GLsizei height);

void gl11RasterPos2f(GLfloat x, GLfloat y);
void gl11Bitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                GLfloat ymove, const GLubyte* bitmap);
void gl11DrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                    const GLvoid* pixels);
void gl11PixelStorei(GLenum pname, GLint param);

void gl11PushAttrib(GLbitfield mask);
void gl11PopAttrib();
void gl11PushClientAttrib(GLbitfield mask);
void gl11PopClientAttrib();
void gl11Enable(GLenum cap);
void gl11Disable(GLenum cap);
void gl11Clear(GLbitfield mask);
void gl11ClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void gl11Hint(GLenum target, GLenum mode);
void gl11Flush();
// While set, what is drawn is left out, though all the rest (matrices, lists compiled, state,
// clears) goes on as ever: for a frame the backend will not show, such as a step run to
// catch up that the next step's picture hides.
void gl11DiscardDrawing(int discard);

void glu11Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void glu11LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                 GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);
