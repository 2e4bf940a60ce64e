#include "fuzz/fuzz_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "platform/window.h"

char lastMessageBoxText[256];
int messageBoxCount = 0;
char debugOutputText[1024];

namespace {
char scratchPath[512];
char writtenName[64];

// A run that ends normally leaves no scratch files behind.
void removeScratch() {
  if (writtenName[0]) unlink(writtenName);
  if (scratchPath[0] && chdir("/") == 0) rmdir(scratchPath);
}
}  // namespace

void enterScratchDirectory() {
  const char* base = getenv("TMPDIR");
  snprintf(scratchPath, sizeof scratchPath, "%s/vask-fuzz-XXXXXX", base && *base ? base : "/tmp");
  if (!mkdtemp(scratchPath) || chdir(scratchPath) != 0) fuzzFail("cannot make a scratch directory");
  atexit(removeScratch);
}

void writeInputFile(const char* name, const uint8_t* data, size_t size) {
  snprintf(writtenName, sizeof writtenName, "%s", name);
  FILE* file = fopen(name, "wb");
  if (!file) fuzzFail("cannot write the input file");
  if (size && fwrite(data, 1, size, file) != size) fuzzFail("cannot write the input file");
  if (fclose(file) != 0) fuzzFail("cannot write the input file");
}

void fuzzFail(const char* what) {
  printf("fuzz property failed: %s\n", what);
  fflush(stdout);
  fprintf(stderr, "fuzz property failed: %s\n", what);
  abort();
}

void clearMessageBoxes() {
  lastMessageBoxText[0] = '\0';
  messageBoxCount = 0;
}

int messageBox(WindowHandle, const char* text, const char*, uint32_t) {
  if (!text) fuzzFail("message box without a text");
  snprintf(lastMessageBoxText, sizeof lastMessageBoxText, "%s", text);
  messageBoxCount++;
  return IDOK;
}

void clearDebugOutputText() { debugOutputText[0] = '\0'; }

void outputDebugString(const char* text) {
  if (!text) fuzzFail("debugger output without a text");
  // Reading the whole text lets AddressSanitizer check it is a terminated string.
  size_t used = strlen(debugOutputText);
  snprintf(debugOutputText + used, sizeof debugOutputText - used, "%s", text);
}
