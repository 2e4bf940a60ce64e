// Shader programs of the GL layer: compiled and linked once, the shaders let go after.
#include "platform/web/gl/shader_program.h"

#include <stdio.h>

namespace {

GLuint compileShader(GLenum type, const char* source, const char* owner) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, 0);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    glGetShaderInfoLog(shader, sizeof log, 0, log);
    fprintf(stderr, "%s: shader does not compile: %s\n", owner, log);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

GLuint buildShaderProgram(const char* vertexSource, const char* fragmentSource,
                          const char* owner, const char* const* attributes) {
  GLuint vertex = compileShader(GL_VERTEX_SHADER, vertexSource, owner);
  GLuint fragment = compileShader(GL_FRAGMENT_SHADER, fragmentSource, owner);
  if (!vertex || !fragment) {
    if (vertex) glDeleteShader(vertex);
    if (fragment) glDeleteShader(fragment);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  for (GLuint i = 0; attributes && attributes[i]; i++) glBindAttribLocation(program, i, attributes[i]);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    fprintf(stderr, "%s: shader does not link\n", owner);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}
