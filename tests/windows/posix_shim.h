// The few POSIX calls the shared test suites use that the Windows C runtime lacks
// (compiled into the Windows test programs only).
#pragma once
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

inline char* mkdtemp(char* pattern) {
  if (_mktemp_s(pattern, strlen(pattern) + 1) != 0 || _mkdir(pattern) != 0) return 0;
  return pattern;
}
