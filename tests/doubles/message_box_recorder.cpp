// Records message boxes instead of showing them; see message_box_recorder.h.
#include "message_box_recorder.h"

#include <stdio.h>
#include <string.h>

static RecordedMessageBox recorded[RECORDED_MESSAGE_BOX_LIMIT];
static int recordedCount = 0;

static void copyCut(char* to, const char* from) {
  strncpy(to, from, RECORDED_TEXT_SIZE - 1);
  to[RECORDED_TEXT_SIZE - 1] = '\0';
}

int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  if (recordedCount < RECORDED_MESSAGE_BOX_LIMIT) {
    RecordedMessageBox* box = &recorded[recordedCount];
    memset(box, 0, sizeof *box);
    box->owner = owner;
    copyCut(box->text, text ? text : "");
    box->hasCaption = caption != 0;
    copyCut(box->caption, caption ? caption : "");
    box->type = type;
  }
  recordedCount++;
  fprintf(stderr, "messageBox [%s]: %s\n", caption ? caption : "Error", text ? text : "");
  fflush(stderr);
  return IDOK;
}

int recordedMessageBoxCount() { return recordedCount; }

const RecordedMessageBox* recordedMessageBox(int index) {
  if (index < 0 || index >= recordedCount || index >= RECORDED_MESSAGE_BOX_LIMIT) return 0;
  return &recorded[index];
}

const RecordedMessageBox* lastRecordedMessageBox() {
  int kept = recordedCount < RECORDED_MESSAGE_BOX_LIMIT ? recordedCount : RECORDED_MESSAGE_BOX_LIMIT;
  return recordedMessageBox(kept - 1);
}

void clearRecordedMessageBoxes() { recordedCount = 0; }
