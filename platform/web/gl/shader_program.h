// Building a WebGL program from its two shaders, for the layer's shaders.
#pragma once
#include <GLES2/gl2.h>

// Compiles and links the pair. Returns the program, or 0 (and a line on standard error
// naming `owner`) when either shader does not compile or the program does not link.
GLuint buildShaderProgram(const char* vertexSource, const char* fragmentSource,
                          const char* owner);
