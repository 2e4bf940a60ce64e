// The game's frame presented scaled, on desktop GL's framebuffer objects (GL 3.0,
// ARB_framebuffer_object, or the EXT pair with its blit). In a window of the frame's own
// size the game draws straight into it, as if none of this were here; only a window of
// another size gets the off-screen frame, made when first needed. Where the driver has no
// framebuffer objects the frame is only moved to the centre.
#include "platform/shared/scaled_frame.h"

#include <stdio.h>
#include <string.h>

#include "platform/opengl.h"

namespace {

// The names past GL 1.1, declared here: Windows' own headers stop at 1.1.
enum : GLenum {
  FRAMEBUFFER = 0x8D40,
  READ_FRAMEBUFFER = 0x8CA8,
  DRAW_FRAMEBUFFER = 0x8CA9,
  RENDERBUFFER = 0x8D41,
  COLOR_ATTACHMENT0 = 0x8CE0,
  DEPTH_ATTACHMENT = 0x8D00,
  FRAMEBUFFER_COMPLETE = 0x8CD5,
  RGB8 = 0x8051,
  RGBA8 = 0x8058,
  DEPTH_COMPONENT16 = 0x81A5,
  DEPTH_COMPONENT24 = 0x81A6,
  CLAMP_TO_EDGE = 0x812F,
  FRAGMENT_SHADER = 0x8B30,
  VERTEX_SHADER = 0x8B31,
  LINK_STATUS = 0x8B82,
  CURRENT_PROGRAM = 0x8B8D,
};

typedef void(APIENTRY* GenNamesFn)(GLsizei, GLuint*);
typedef void(APIENTRY* DeleteNamesFn)(GLsizei, const GLuint*);
typedef void(APIENTRY* BindFn)(GLenum, GLuint);
typedef void(APIENTRY* StorageFn)(GLenum, GLenum, GLsizei, GLsizei);
typedef void(APIENTRY* AttachFn)(GLenum, GLenum, GLenum, GLuint);
typedef void(APIENTRY* AttachTextureFn)(GLenum, GLenum, GLenum, GLuint, GLint);
typedef GLenum(APIENTRY* StatusFn)(GLenum);
typedef void(APIENTRY* BlitFn)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,
                               GLbitfield, GLenum);

struct FramebufferCalls {
  GenNamesFn genFramebuffers, genRenderbuffers;
  DeleteNamesFn deleteFramebuffers, deleteRenderbuffers;
  BindFn bindFramebuffer, bindRenderbuffer;
  StorageFn renderbufferStorage;
  AttachFn framebufferRenderbuffer;
  AttachTextureFn framebufferTexture2D;  // may be missing: the frame is then copied to sample it
  StatusFn checkFramebufferStatus;
  BlitFn blitFramebuffer;
};

typedef GLuint(APIENTRY* CreateFn)();
typedef GLuint(APIENTRY* CreateShaderFn)(GLenum);
typedef void(APIENTRY* ShaderSourceFn)(GLuint, GLsizei, const char* const*, const GLint*);
typedef void(APIENTRY* NameFn)(GLuint);
typedef void(APIENTRY* AttachShaderFn)(GLuint, GLuint);
typedef void(APIENTRY* GetivFn)(GLuint, GLenum, GLint*);
typedef GLint(APIENTRY* UniformLocationFn)(GLuint, const char*);
typedef void(APIENTRY* Uniform1iFn)(GLint, GLint);
typedef void(APIENTRY* Uniform2fFn)(GLint, GLfloat, GLfloat);

// GL 2.0's shaders, for the one-pass present.
struct ShaderCalls {
  CreateFn createProgram;
  CreateShaderFn createShader;
  ShaderSourceFn shaderSource;
  NameFn compileShader, linkProgram, useProgram, deleteShader, deleteProgram;
  AttachShaderFn attachShader;
  GetivFn getProgramiv;
  UniformLocationFn getUniformLocation;
  Uniform1iFn uniform1i;
  Uniform2fFn uniform2f;
};

struct Target {
  GLuint framebuffer, color, depth;
  GLuint texture;  // the colour as a texture the present samples, instead of `color`
  int width, height;
};

FramebufferCalls fb;
ShaderCalls sh;
GlEntryLoader loader = 0;
GLuint sharpProgram = 0;  // 0: the driver has no shaders, and the present takes two blits
int sharpTried = 0;       // the program is compiled when a present first needs it
GLuint frameTexture = 0;  // the frame copied for the shader, where it cannot sample it itself
GLint scaleAt = -1;       // where the program takes the scale, window pixels to frame pixels
Target gameFrame;   // 640 by 480: what the game draws into
Target wholeFrame;  // the game's frame times a whole number, made when first needed
GLenum colorFormat = RGBA8;
GLenum depthFormat = DEPTH_COMPONENT16;
int started = 0;
int canScale = 0;       // the driver has framebuffer objects
int offscreen = 0;      // the game draws into gameFrame
int backInWindow = 0;   // a present has just gone back to the window: see scaledFrameSwapped

bool hasExtension(const char* name) {
  const char* all = (const char*)glGetString(GL_EXTENSIONS);
  if (!all) return false;
  const size_t length = strlen(name);
  for (const char* at = strstr(all, name); at; at = strstr(at + 1, name)) {
    const bool starts = at == all || at[-1] == ' ';
    const bool ends = at[length] == '\0' || at[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

// The core names from GL 3.0 or ARB_framebuffer_object, else the EXT ones. A loader may
// hand out addresses for what the driver lacks (wglGetProcAddress can), so the version or
// the extensions decide first.
bool loadCalls(GlEntryLoader load) {
  const char* version = (const char*)glGetString(GL_VERSION);
  const bool core = (version && version[0] >= '3' && version[0] <= '9' && version[1] == '.') ||
                    hasExtension("GL_ARB_framebuffer_object");
  const bool ext = hasExtension("GL_EXT_framebuffer_object") &&
                   hasExtension("GL_EXT_framebuffer_blit");
  if (!core && !ext) return false;
  const char* suffix = core ? "" : "EXT";
  char name[64];
  auto get = [&](const char* base) {
    snprintf(name, sizeof name, "%s%s", base, suffix);
    return load(name);
  };
  fb.genFramebuffers = (GenNamesFn)get("glGenFramebuffers");
  fb.genRenderbuffers = (GenNamesFn)get("glGenRenderbuffers");
  fb.deleteFramebuffers = (DeleteNamesFn)get("glDeleteFramebuffers");
  fb.deleteRenderbuffers = (DeleteNamesFn)get("glDeleteRenderbuffers");
  fb.bindFramebuffer = (BindFn)get("glBindFramebuffer");
  fb.bindRenderbuffer = (BindFn)get("glBindRenderbuffer");
  fb.renderbufferStorage = (StorageFn)get("glRenderbufferStorage");
  fb.framebufferRenderbuffer = (AttachFn)get("glFramebufferRenderbuffer");
  fb.checkFramebufferStatus = (StatusFn)get("glCheckFramebufferStatus");
  fb.blitFramebuffer = (BlitFn)get("glBlitFramebuffer");
  fb.framebufferTexture2D = (AttachTextureFn)get("glFramebufferTexture2D");
  return fb.genFramebuffers && fb.genRenderbuffers && fb.deleteFramebuffers &&
         fb.deleteRenderbuffers && fb.bindFramebuffer && fb.bindRenderbuffer &&
         fb.renderbufferStorage && fb.framebufferRenderbuffer && fb.checkFramebufferStatus &&
         fb.blitFramebuffer;
}

void deleteTarget(Target* target) {
  if (target->framebuffer) fb.deleteFramebuffers(1, &target->framebuffer);
  if (target->color) fb.deleteRenderbuffers(1, &target->color);
  if (target->depth) fb.deleteRenderbuffers(1, &target->depth);
  if (target->texture) glDeleteTextures(1, &target->texture);
  *target = Target{};
}

// A texture of the frame's size for the shader to sample: smoothed, and clamped at the
// frame's edges. The texture bound before is bound again.
GLuint makeSampledTexture(int width, int height) {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, (GLint)colorFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
  return texture;
}

// depthFormat 0: colour only. `sampled`: the colour is a texture the present can sample
// with no copy, where the driver can attach one. Leaves the new target bound; false (and
// nothing made) when the driver cannot complete it.
bool makeTarget(Target* target, int width, int height, GLenum depthFormat, bool sampled = false) {
  *target = Target{};
  target->width = width;
  target->height = height;
  fb.genFramebuffers(1, &target->framebuffer);
  fb.bindFramebuffer(FRAMEBUFFER, target->framebuffer);
  if (sampled && fb.framebufferTexture2D) {
    target->texture = makeSampledTexture(width, height);
    fb.framebufferTexture2D(FRAMEBUFFER, COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->texture, 0);
  } else {
    fb.genRenderbuffers(1, &target->color);
    fb.bindRenderbuffer(RENDERBUFFER, target->color);
    fb.renderbufferStorage(RENDERBUFFER, colorFormat, width, height);
    fb.framebufferRenderbuffer(FRAMEBUFFER, COLOR_ATTACHMENT0, RENDERBUFFER, target->color);
  }
  if (depthFormat) {
    fb.genRenderbuffers(1, &target->depth);
    fb.bindRenderbuffer(RENDERBUFFER, target->depth);
    fb.renderbufferStorage(RENDERBUFFER, depthFormat, width, height);
    fb.framebufferRenderbuffer(FRAMEBUFFER, DEPTH_ATTACHMENT, RENDERBUFFER, target->depth);
  }
  fb.bindRenderbuffer(RENDERBUFFER, 0);
  if (fb.checkFramebufferStatus(FRAMEBUFFER) == FRAMEBUFFER_COMPLETE) return true;
  fb.bindFramebuffer(FRAMEBUFFER, 0);
  const bool triedTexture = target->texture != 0;
  deleteTarget(target);
  // A driver that cannot draw into such a texture may still take a renderbuffer.
  return triedTexture && makeTarget(target, width, height, depthFormat, false);
}

// Black where the frame does not reach, a bar on each side of it: clearing only the bars
// costs far less than clearing the whole window at large sizes.
void clearBars(const FrameArea& area, int windowWidth, int windowHeight) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glEnable(GL_SCISSOR_TEST);
  const int bars[4][4] = {
      {0, 0, area.x, windowHeight},
      {area.x + area.width, 0, windowWidth - area.x - area.width, windowHeight},
      {area.x, 0, area.width, area.y},
      {area.x, area.y + area.height, area.width, windowHeight - area.y - area.height},
  };
  for (const auto& bar : bars) {
    if (bar[2] <= 0 || bar[3] <= 0) continue;
    glScissor(bar[0], bar[1], bar[2], bar[3]);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
}

// The game's scissor would cut a blit short: it is off for the blit's time.
void blitFrom(GLuint from, int fromWidth, int fromHeight, GLuint to, int x, int y, int width,
              int height, GLenum filter) {
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  if (scissor) glDisable(GL_SCISSOR_TEST);
  fb.bindFramebuffer(READ_FRAMEBUFFER, from);
  fb.bindFramebuffer(DRAW_FRAMEBUFFER, to);
  fb.blitFramebuffer(0, 0, fromWidth, fromHeight, x, y, x + width, y + height,
                     GL_COLOR_BUFFER_BIT, filter);
  if (scissor) glEnable(GL_SCISSOR_TEST);
}

void blit(const Target& from, GLuint to, int x, int y, int width, int height, GLenum filter) {
  blitFrom(from.framebuffer, from.width, from.height, to, x, y, width, height, filter);
}

// Sharp bilinear in one pass: across the middle of each of the frame's pixels the sample
// stays at its centre (nearest), and only within half a window pixel of its edges does it
// move to the edge, where linear filtering blends the two neighbours. Each window pixel
// that lies inside one frame pixel shows it as it is, and one that straddles an edge
// blends the two by how much of it each covers: at any scale of 1 or more, 1.25 included,
// an edge is at most one window pixel wide.
const char* const SHARP_VERTEX =
    "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_Position = gl_Vertex; }\n";
const char* const SHARP_FRAGMENT =
    "uniform sampler2D frame;\n"
    "uniform vec2 scale;\n"
    "void main() {\n"
    "  vec2 texel = gl_TexCoord[0].xy * vec2(640.0, 480.0);\n"
    "  vec2 fromCentre = fract(texel) - 0.5;\n"
    "  vec2 flat = 0.5 - 0.5 / scale;\n"
    "  vec2 inside = (fromCentre - clamp(fromCentre, -flat, flat)) * scale + 0.5;\n"
    "  gl_FragColor = texture2D(frame, (floor(texel) + inside) / vec2(640.0, 480.0));\n"
    "}\n";

void makeSharpProgram(GlEntryLoader load) {
  const char* version = (const char*)glGetString(GL_VERSION);
  if (!version || version[0] < '2' || version[0] > '9' || version[1] != '.') return;
  sh.createProgram = (CreateFn)load("glCreateProgram");
  sh.createShader = (CreateShaderFn)load("glCreateShader");
  sh.shaderSource = (ShaderSourceFn)load("glShaderSource");
  sh.compileShader = (NameFn)load("glCompileShader");
  sh.linkProgram = (NameFn)load("glLinkProgram");
  sh.useProgram = (NameFn)load("glUseProgram");
  sh.deleteShader = (NameFn)load("glDeleteShader");
  sh.deleteProgram = (NameFn)load("glDeleteProgram");
  sh.attachShader = (AttachShaderFn)load("glAttachShader");
  sh.getProgramiv = (GetivFn)load("glGetProgramiv");
  sh.getUniformLocation = (UniformLocationFn)load("glGetUniformLocation");
  sh.uniform1i = (Uniform1iFn)load("glUniform1i");
  sh.uniform2f = (Uniform2fFn)load("glUniform2f");
  if (!sh.createProgram || !sh.createShader || !sh.shaderSource || !sh.compileShader ||
      !sh.linkProgram || !sh.useProgram || !sh.deleteShader || !sh.deleteProgram ||
      !sh.attachShader || !sh.getProgramiv || !sh.getUniformLocation || !sh.uniform1i ||
      !sh.uniform2f)
    return;
  GLuint program = sh.createProgram();
  const char* const sources[2] = {SHARP_VERTEX, SHARP_FRAGMENT};
  const GLenum kinds[2] = {VERTEX_SHADER, FRAGMENT_SHADER};
  for (int i = 0; i < 2; i++) {
    GLuint shader = sh.createShader(kinds[i]);
    sh.shaderSource(shader, 1, &sources[i], 0);
    sh.compileShader(shader);
    sh.attachShader(program, shader);
    sh.deleteShader(shader);  // goes with the program
  }
  sh.linkProgram(program);
  GLint linked = 0;
  sh.getProgramiv(program, LINK_STATUS, &linked);
  if (!linked) {
    sh.deleteProgram(program);
    return;
  }
  GLint previous = 0;
  glGetIntegerv(CURRENT_PROGRAM, &previous);
  sh.useProgram(program);
  sh.uniform1i(sh.getUniformLocation(program, "frame"), 0);
  scaleAt = sh.getUniformLocation(program, "scale");
  sh.useProgram((GLuint)previous);

  sharpProgram = program;
}

// The frame, sampled where the game drew it (copied to a texture first only where the driver
// cannot draw into one), drawn once into the area of the window's buffer with the program:
// one pass over the pixels it writes. Every state it touches is put back.
void presentInOnePass(const FrameArea& area) {
  GLint previous = 0;
  glGetIntegerv(CURRENT_PROGRAM, &previous);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  if (gameFrame.texture) {
    glBindTexture(GL_TEXTURE_2D, gameFrame.texture);  // sampled where the game drew it
  } else {
    if (!frameTexture) frameTexture = makeSampledTexture(GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT);
    fb.bindFramebuffer(READ_FRAMEBUFFER, gameFrame.framebuffer);
    glBindTexture(GL_TEXTURE_2D, frameTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT);
  }
  fb.bindFramebuffer(FRAMEBUFFER, 0);
  const GLenum off[] = {GL_DEPTH_TEST, GL_BLEND,        GL_FOG,          GL_LIGHTING,
                        GL_ALPHA_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_CULL_FACE,
                        GL_POLYGON_STIPPLE, GL_DITHER};
  for (GLenum cap : off) glDisable(cap);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glViewport(area.x, area.y, area.width, area.height);
  sh.useProgram(sharpProgram);
  sh.uniform2f(scaleAt, (GLfloat)area.width / GAME_FRAME_WIDTH, (GLfloat)area.height / GAME_FRAME_HEIGHT);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-1.0f, 1.0f);
  glEnd();
  sh.useProgram((GLuint)previous);
  glPopAttrib();
}

void presentOffscreen(const FrameArea& area) {
  if (area.whole >= 1 && area.width == GAME_FRAME_WIDTH * area.whole &&
      area.height == GAME_FRAME_HEIGHT * area.whole) {
    blit(gameFrame, 0, area.x, area.y, area.width, area.height, GL_NEAREST);
    return;
  }
  // Sharp at every scale of 1 or more: at 125 % and 150 % (800 by 600, 960 by 720) and on
  // 1366 by 768 and 1600 by 900 panels the whole part is 1, and a plain smoothed scale
  // there would blur every line.
  if (area.whole >= 1 && !sharpTried) {
    sharpTried = 1;
    makeSharpProgram(loader);
  }
  if (area.whole >= 1 && sharpProgram) {
    presentInOnePass(area);
    return;
  }
  // Without shaders: a nearest scale to a whole number (at least twice, so that between 1
  // and 2 the smoothed scale goes down to the window from a sharp picture larger than it),
  // then the smoothed one for the rest.
  if (area.whole >= 1) {
    const int times = area.whole < 2 ? 2 : area.whole;
    const int width = GAME_FRAME_WIDTH * times, height = GAME_FRAME_HEIGHT * times;
    if (wholeFrame.width != width || wholeFrame.height != height) {
      deleteTarget(&wholeFrame);
      if (!makeTarget(&wholeFrame, width, height, 0)) wholeFrame = Target{};
    }
    if (wholeFrame.framebuffer) {
      blit(gameFrame, wholeFrame.framebuffer, 0, 0, width, height, GL_NEAREST);
      blit(wholeFrame, 0, area.x, area.y, area.width, area.height, GL_LINEAR);
      return;
    }
  }
  blit(gameFrame, 0, area.x, area.y, area.width, area.height, GL_LINEAR);
}

// Without an off-screen frame, the frame's place in the window: the middle.
FrameArea inPlaceArea(int windowWidth, int windowHeight) {
  FrameArea area = {0, 0, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, 1};
  if (windowWidth > GAME_FRAME_WIDTH) area.x = (windowWidth - GAME_FRAME_WIDTH) / 2;
  if (windowHeight > GAME_FRAME_HEIGHT) area.y = (windowHeight - GAME_FRAME_HEIGHT) / 2;
  return area;
}

// Copies the frame's 640 by 480 pixels within the window's back buffer, the game's state
// left as it was.
void copyInWindow(int fromX, int fromY, int toX, int toY, int windowWidth, int windowHeight) {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, windowWidth, 0.0, windowHeight, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, windowWidth, windowHeight);
  const GLenum off[] = {GL_DEPTH_TEST, GL_BLEND,    GL_TEXTURE_2D, GL_FOG,
                        GL_LIGHTING,   GL_ALPHA_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST};
  for (GLenum cap : off) glDisable(cap);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPixelZoom(1.0f, 1.0f);
  glRasterPos2i(toX, toY);
  glCopyPixels(fromX, fromY, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, GL_COLOR);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

// No off-screen frame: the game drew into the window's lower left corner, which is copied
// to the centre. The window is kept at least as large as the frame.
void presentInPlace(int windowWidth, int windowHeight) {
  const FrameArea area = inPlaceArea(windowWidth, windowHeight);
  if (area.x || area.y) copyInWindow(0, 0, area.x, area.y, windowWidth, windowHeight);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  clearBars(area, windowWidth, windowHeight);
  glPopAttrib();
}

}  // namespace

FrameArea frameAreaOf(int windowWidth, int windowHeight) {
  FrameArea area = {0, 0, 0, 0, 0};
  if (windowWidth <= 0 || windowHeight <= 0) return area;
  if ((long)windowWidth * 3 >= (long)windowHeight * 4) {
    area.height = windowHeight;
    area.width = (int)((long)windowHeight * 4 / 3);
  } else {
    area.width = windowWidth;
    area.height = (int)((long)windowWidth * 3 / 4);
  }
  area.x = (windowWidth - area.width) / 2;
  area.y = (windowHeight - area.height) / 2;
  const int acrossWhole = area.width / GAME_FRAME_WIDTH, downWhole = area.height / GAME_FRAME_HEIGHT;
  area.whole = acrossWhole < downWhole ? acrossWhole : downWhole;
  return area;
}

namespace {

void sayCannotScale() {
  fprintf(stderr,
          "This computer's OpenGL cannot draw off-screen: the game stays 640 by 480, in the "
          "middle of its window.\n");
}

// The window is no longer the frame's size: the frame the game has just drawn in the
// window's lower left corner moves into the off-screen frame (made now if need be), where
// the game draws from now on. So the first scaled present shows that frame, and the title,
// which draws its text over its picture, finds the picture there. Returns 0 when the driver
// cannot make the frame after all.
bool takeFrameOffscreen() {
  if (!gameFrame.framebuffer &&
      !makeTarget(&gameFrame, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, depthFormat, true)) {
    canScale = 0;
    fb = FramebufferCalls{};
    sayCannotScale();
    return false;
  }
  blitFrom(0, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, gameFrame.framebuffer, 0, 0, GAME_FRAME_WIDTH,
           GAME_FRAME_HEIGHT, GL_NEAREST);
  fb.bindFramebuffer(FRAMEBUFFER, gameFrame.framebuffer);
  offscreen = 1;
  return true;
}

bool isFrameSize(int windowWidth, int windowHeight) {
  return windowWidth == GAME_FRAME_WIDTH && windowHeight == GAME_FRAME_HEIGHT;
}

}  // namespace

int scaledFrameStart(GlEntryLoader load) {
  if (started) return canScale;
  started = 1;
  // The frame is like the window's buffer, so the game's depth tests and blending give the
  // same pixels in it as they would in the window.
  GLint depthBits = 0, alphaBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  colorFormat = alphaBits > 0 ? RGBA8 : RGB8;
  depthFormat = depthBits > 16 ? DEPTH_COMPONENT24 : DEPTH_COMPONENT16;
  loader = load;
  canScale = load && loadCalls(load);
  if (!canScale) {
    fb = FramebufferCalls{};
    sayCannotScale();
  }
  return canScale;
}

int scaledFrameOffscreen() { return offscreen; }

void scaledFrameFollow(int windowWidth, int windowHeight) {
  if (!started || offscreen || !canScale || windowWidth <= 0 || windowHeight <= 0) return;
  if (!isFrameSize(windowWidth, windowHeight)) takeFrameOffscreen();
}

void scaledFramePresent(int windowWidth, int windowHeight) {
  if (!started || windowWidth <= 0 || windowHeight <= 0) return;
  scaledFrameFollow(windowWidth, windowHeight);
  if (!offscreen) {
    // At the frame's own size the game's picture is the window's already: nothing to do.
    if (!isFrameSize(windowWidth, windowHeight)) presentInPlace(windowWidth, windowHeight);
    return;
  }
  GLfloat clearColor[4];
  GLboolean colorMask[4];
  GLint scissorBox[4];
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glGetIntegerv(GL_SCISSOR_BOX, scissorBox);  // the bars are cleared through the scissor
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

  const FrameArea area = frameAreaOf(windowWidth, windowHeight);
  fb.bindFramebuffer(FRAMEBUFFER, 0);
  clearBars(area, windowWidth, windowHeight);
  presentOffscreen(area);

  // Back at the frame's own size, the game draws into the window again from its next frame.
  if (isFrameSize(windowWidth, windowHeight)) {
    offscreen = 0;
    backInWindow = 1;
  } else {
    fb.bindFramebuffer(FRAMEBUFFER, gameFrame.framebuffer);
  }
  glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
  if (scissor) glEnable(GL_SCISSOR_TEST);
  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  glColorMask(colorMask[0], colorMask[1], colorMask[2], colorMask[3]);
}

void scaledFrameSwapped(int windowWidth, int windowHeight) {
  if (!started || windowWidth <= 0 || windowHeight <= 0) return;
  if (backInWindow) {
    // The other colour buffer gets the picture too, as the title's own drawing leaves both
    // (it draws its text over its picture); then the off-screen frame goes.
    backInWindow = 0;
    blit(gameFrame, 0, 0, 0, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, GL_NEAREST);
    fb.bindFramebuffer(FRAMEBUFFER, 0);
    deleteTarget(&wholeFrame);
    deleteTarget(&gameFrame);
    return;
  }
  if (offscreen) return;
  const FrameArea area = inPlaceArea(windowWidth, windowHeight);
  if (area.x || area.y) copyInWindow(area.x, area.y, 0, 0, windowWidth, windowHeight);
}

void scaledFrameStop() {
  if (canScale) {
    fb.bindFramebuffer(FRAMEBUFFER, 0);
    deleteTarget(&wholeFrame);
    deleteTarget(&gameFrame);
  }
  if (sharpProgram) sh.deleteProgram(sharpProgram);
  if (frameTexture) glDeleteTextures(1, &frameTexture);
  sharpProgram = frameTexture = 0;
  sharpTried = 0;
  sh = ShaderCalls{};
  fb = FramebufferCalls{};
  loader = 0;
  started = 0;
  canScale = 0;
  offscreen = 0;
  backInWindow = 0;
}
