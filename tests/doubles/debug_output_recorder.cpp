// The recording stand-in for outputDebugString.
#include "tests/doubles/debug_output_recorder.h"

#include <string.h>

#include "platform/window.h"

char recordedDebugText[RECORDED_DEBUG_TEXT_SIZE];
int debugOutputCallCount = 0;

void clearDebugOutput() {
  recordedDebugText[0] = '\0';
  debugOutputCallCount = 0;
}

void outputDebugString(const char* text) {
  ++debugOutputCallCount;
  if (!text) return;
  size_t used = strlen(recordedDebugText);
  size_t room = RECORDED_DEBUG_TEXT_SIZE - 1 - used;
  size_t length = strlen(text);
  if (length > room) length = room;
  memcpy(recordedDebugText + used, text, length);
  recordedDebugText[used + length] = '\0';
}
