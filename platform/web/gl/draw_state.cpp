// What the layer last told ES 2 about drawing: program, bindings, viewport and the layout of
// its vertex arrays. WebGL checks and forwards every call, and a frame of the game sets the
// same few things over and over: each is sent only when it changes. Whoever else draws on
// the context (the present) tells the layer afterwards, and the next draw sends all again.
#include <string.h>
#include "platform/web/gl/layer_state.h"

namespace {
// A field that holds UNKNOWN (or a layout kind of -1) is sent at its next use.
const GLuint UNKNOWN = ~0u;
struct DrawState {
  GLuint program, arrayBuffer, texture;
  GLint viewport[4];
  GLuint layoutBuffer;  // the buffer the arrays point into, in layoutKind
  int layoutKind;
};
DrawState drawn;

const GLenum CAPABILITIES[] = {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST,
                               GL_STENCIL_TEST};
enum { CAPABILITY_COUNT = sizeof CAPABILITIES / sizeof CAPABILITIES[0] };
int capabilityOn[CAPABILITY_COUNT];
float clearColor[4];
}  // namespace

void useProgram(GLuint program) {
  if (drawn.program == program) return;
  glUseProgram(program);
  drawn.program = program;
}

void bindArrayBuffer(GLuint buffer) {
  if (drawn.arrayBuffer == buffer) return;
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  drawn.arrayBuffer = buffer;
}

void bindTexture(GLuint texture) {
  if (drawn.texture == texture) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  drawn.texture = texture;
}

void setViewport(const GLint viewport[4]) {
  if (memcmp(drawn.viewport, viewport, sizeof drawn.viewport) == 0) return;
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  memcpy(drawn.viewport, viewport, sizeof drawn.viewport);
}

int vertexLayoutSet(GLuint buffer, int kind) {
  return drawn.layoutBuffer == buffer && drawn.layoutKind == kind;
}

void vertexLayoutNowSet(GLuint buffer, int kind) {
  drawn.layoutBuffer = buffer;
  drawn.layoutKind = kind;
}

void bufferDeleted(GLuint buffer) {
  // A name ES 2 hands out again must not pass for the arrays' old buffer.
  if (drawn.layoutBuffer == buffer) drawn.layoutBuffer = UNKNOWN;
  if (drawn.arrayBuffer == buffer) drawn.arrayBuffer = 0;
}

void textureDeleted(GLuint texture) {
  if (drawn.texture == texture) drawn.texture = 0;
}

void setCapability(GLenum cap, int on) {
  for (int i = 0; i < CAPABILITY_COUNT; i++)
    if (CAPABILITIES[i] == cap) capabilityOn[i] = on;
  if (on) glEnable(cap);
  else glDisable(cap);
}

void setClearColor(const float color[4]) {
  memcpy(clearColor, color, sizeof clearColor);
  glClearColor(color[0], color[1], color[2], color[3]);
}

void forgetDrawState() {
  drawn.program = drawn.arrayBuffer = drawn.texture = drawn.layoutBuffer = UNKNOWN;
  drawn.layoutKind = -1;
  drawn.viewport[0] = drawn.viewport[1] = drawn.viewport[2] = drawn.viewport[3] = -1;
}

void startDrawState() {
  memset(capabilityOn, 0, sizeof capabilityOn);  // GL's own start: every switch off
  memset(clearColor, 0, sizeof clearColor);
  for (GLuint i = 0; i < LAYER_ATTRIBUTES; i++) glEnableVertexAttribArray(i);
  forgetDrawState();
}

// Whoever drew in between turned every switch off, as the present does.
void restoreLayerDrawState() {
  for (int i = 0; i < CAPABILITY_COUNT; i++)
    if (capabilityOn[i]) glEnable(CAPABILITIES[i]);
  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  for (GLuint i = 0; i < LAYER_ATTRIBUTES; i++) glEnableVertexAttribArray(i);
  forgetDrawState();
}
