// Building a WebGL program from its two shaders, for the layer's shaders.
#pragma once
#include <GLES2/gl2.h>

// Compiles and links the pair. Returns the program, or 0 (and a line on standard error
// naming `owner`) when either shader does not compile or the program does not link.
// `attributes`, when given, lists attribute names (ending with a null) bound to locations
// 0, 1, 2 ... in that order, so programs that share those locations share enabled arrays.
GLuint buildShaderProgram(const char* vertexSource, const char* fragmentSource,
                          const char* owner, const char* const* attributes = 0);
