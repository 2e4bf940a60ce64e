// The off-screen frame the game draws into, and its present onto the canvas: one pass of a
// small shader that keeps each sample at its texel's centre over the part of the texel a
// whole-number scale would fill, and moves it towards the next texel only across the
// remainder, where bilinear filtering then blends the two. At a whole-number scale every
// sample is a texel's centre: the picture is the frame's, each texel a square of pixels.
#include "platform/web/gl/scaled_present.h"

#include <stdio.h>
#include <GLES2/gl2.h>

#include "platform/web/gl/layer_state.h"
#include "platform/web/gl/shader_program.h"

namespace {

// WebGL's packed depth and stencil, for a depth buffer as deep as the canvas's own.
const GLenum DEPTH_STENCIL_FORMAT = 0x84F9;
const GLenum DEPTH_STENCIL_ATTACHMENT_POINT = 0x821A;

const char* const PRESENT_VERTEX_SHADER =
    "attribute vec2 aCorner;\n"
    "uniform vec2 uFrameSize;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  gl_Position = vec4(aCorner * 2.0 - 1.0, 0.0, 1.0);\n"
    "  vTexel = aCorner * uFrameSize;\n"
    "}\n";

// uWhole: the whole-number part of the scale (at least 1). Of each texel's square on the
// screen, the middle 1 - 1/uWhole samples its own centre; the band at its edges, as wide as
// one screen pixel, slides to the neighbour's.
const char* const PRESENT_FRAGMENT_SHADER =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform sampler2D uFrame;\n"
    "uniform vec2 uFrameSize;\n"
    "uniform vec2 uWhole;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  vec2 cell = floor(vTexel);\n"
    "  vec2 offset = vTexel - cell - 0.5;\n"
    "  vec2 band = 0.5 - 0.5 / uWhole;\n"
    "  vec2 moved = (offset - clamp(offset, -band, band)) * uWhole;\n"
    "  gl_FragColor = vec4(texture2D(uFrame, (cell + 0.5 + moved) / uFrameSize).rgb, 1.0);\n"
    "}\n";

struct Present {
  int started;
  int frameWidth, frameHeight;
  GLuint framebuffer, colour, depth;
  GLuint program, corners;
  GLint frameSizeUniform, wholeUniform, frameUniform;
  GLint uniformsFor[2];  // the canvas size the uniforms were last set for
};
// The corners go in at location 0, where the layer keeps positions: the present turns the
// layer's other arrays off while it draws, and the layer turns them on again.
const char* const PRESENT_ATTRIBUTES[] = {"aCorner", 0};
Present present;

int buildProgram() {
  GLuint program =
      buildShaderProgram(PRESENT_VERTEX_SHADER, PRESENT_FRAGMENT_SHADER, "scaled present",
                         PRESENT_ATTRIBUTES);
  if (!program) return 0;
  present.program = program;
  present.frameSizeUniform = glGetUniformLocation(program, "uFrameSize");
  present.wholeUniform = glGetUniformLocation(program, "uWhole");
  present.frameUniform = glGetUniformLocation(program, "uFrame");
  const float corners[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  glGenBuffers(1, &present.corners);
  glBindBuffer(GL_ARRAY_BUFFER, present.corners);
  glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
  return 1;
}

// A depth buffer as deep as the canvas's, else the 16 bits every WebGL has.
int attachDepth() {
  glGenRenderbuffers(1, &present.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, present.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, DEPTH_STENCIL_FORMAT, present.frameWidth, present.frameHeight);
  if (glGetError() == GL_NO_ERROR) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, DEPTH_STENCIL_ATTACHMENT_POINT, GL_RENDERBUFFER, present.depth);
    if (glGetError() == GL_NO_ERROR && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
      return 1;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, DEPTH_STENCIL_ATTACHMENT_POINT, GL_RENDERBUFFER, 0);
    glGetError();
  }
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, present.frameWidth, present.frameHeight);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, present.depth);
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void freeAll() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (present.framebuffer) glDeleteFramebuffers(1, &present.framebuffer);
  if (present.colour) glDeleteTextures(1, &present.colour);
  if (present.depth) glDeleteRenderbuffers(1, &present.depth);
  if (present.corners) glDeleteBuffers(1, &present.corners);
  if (present.program) glDeleteProgram(present.program);
  present = Present{};
}

// The largest area of the frame's shape in the canvas, centred.
void areaOf(int canvasWidth, int canvasHeight, GLint area[4]) {
  const long fw = present.frameWidth, fh = present.frameHeight;
  long w = canvasWidth, h = canvasHeight;
  if (w * fh <= h * fw) h = w * fh / fw;
  else w = h * fw / fh;
  area[0] = (GLint)((canvasWidth - w) / 2);
  area[1] = (GLint)((canvasHeight - h) / 2);
  area[2] = (GLint)w;
  area[3] = (GLint)h;
}

}  // namespace

int scaledPresentStart(int frameWidth, int frameHeight) {
  if (present.started || frameWidth <= 0 || frameHeight <= 0) return present.started;
  present.frameWidth = frameWidth;
  present.frameHeight = frameHeight;
  if (!buildProgram()) {
    freeAll();
    return 0;
  }
  glGenTextures(1, &present.colour);
  glBindTexture(GL_TEXTURE_2D, present.colour);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, frameWidth, frameHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &present.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, present.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, present.colour, 0);
  glGetError();
  if (!attachDepth()) {
    fprintf(stderr, "scaled present: no off-screen frame; the picture keeps its size\n");
    freeAll();
    return 0;
  }
  // The game's frame starts black, as a fresh canvas does.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  restoreLayerDrawState();
  present.started = 1;
  return 1;
}

int scaledPresentActive() { return present.started; }

void scaledPresentShow(int canvasWidth, int canvasHeight) {
  if (!present.started || canvasWidth <= 0 || canvasHeight <= 0) return;
  // Nothing is read back from GL: a query waits for everything drawn so far.
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_STENCIL_TEST);
  glViewport(0, 0, canvasWidth, canvasHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  GLint area[4];
  areaOf(canvasWidth, canvasHeight, area);
  if (area[2] > 0 && area[3] > 0) {
    glViewport(area[0], area[1], area[2], area[3]);
    glUseProgram(present.program);
    if (present.uniformsFor[0] != canvasWidth || present.uniformsFor[1] != canvasHeight) {
      int wholeX = area[2] / present.frameWidth, wholeY = area[3] / present.frameHeight;
      glUniform2f(present.frameSizeUniform, (float)present.frameWidth, (float)present.frameHeight);
      glUniform2f(present.wholeUniform, (float)(wholeX > 1 ? wholeX : 1), (float)(wholeY > 1 ? wholeY : 1));
      glUniform1i(present.frameUniform, 0);
      present.uniformsFor[0] = canvasWidth;
      present.uniformsFor[1] = canvasHeight;
    }
    glBindTexture(GL_TEXTURE_2D, present.colour);
    for (GLuint i = 1; i < LAYER_ATTRIBUTES; i++) glDisableVertexAttribArray(i);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, present.corners);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, 0);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    // Left bound, the frame's texture would be read while drawn into: WebGL refuses that.
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, present.framebuffer);
  restoreLayerDrawState();
}

void scaledPresentStop() {
  if (!present.started) return;
  freeAll();
}
