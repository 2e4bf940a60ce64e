#include "fuzz/model_exit_seam.h"

#include <stdlib.h>

jmp_buf modelExitJump;
int modelExitArmed = 0;
int modelExitCode = 0;
FILE* lastOpenedFile = 0;

extern "C" {
[[noreturn]] void __real_exit(int code);
FILE* __real_fopen(const char* path, const char* mode);

[[noreturn]] void __wrap_exit(int code) {
  if (modelExitArmed) {
    modelExitArmed = 0;
    modelExitCode = code;
    longjmp(modelExitJump, 1);
  }
  __real_exit(code);
}

FILE* __wrap_fopen(const char* path, const char* mode) {
  FILE* file = __real_fopen(path, mode);
  if (modelExitArmed) lastOpenedFile = file;
  return file;
}
}
