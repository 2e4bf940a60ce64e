// Test double of the platform message box: every call is recorded (and written to standard
// error, like the real box, so death tests can match the text of a box shown just before exit).
#pragma once
#include <stdint.h>

#include "platform/window.h"

enum {
  RECORDED_MESSAGE_BOX_LIMIT = 32,   // calls past this are counted but not kept
  RECORDED_TEXT_SIZE = 512,          // longer texts and captions are kept cut
};

struct RecordedMessageBox {
  WindowHandle owner;
  char text[RECORDED_TEXT_SIZE];
  char caption[RECORDED_TEXT_SIZE];
  int hasCaption;  // 0 when the caller passed a null caption (the box shows "Error")
  uint32_t type;
};

// Number of messageBox calls since the last clearRecordedMessageBoxes.
int recordedMessageBoxCount();

// Call number `index` (0 the first), or null if it was not kept.
const RecordedMessageBox* recordedMessageBox(int index);

// The last kept call, or null if none.
const RecordedMessageBox* lastRecordedMessageBox();

// Forgets every recorded call.
void clearRecordedMessageBoxes();
