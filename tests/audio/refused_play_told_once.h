// What the player is shown when a sound output refuses a play, whichever output it is: one
// box, "Could not play sound", that no later play adds to. The game goes on silent.
#pragma once
#include <gtest/gtest.h>

#include "message_box_recorder.h"

inline void expectRefusedPlayToldOnce() {
  ASSERT_EQ(recordedMessageBoxCount(), 1) << "a refused play is told once";
  const RecordedMessageBox* box = lastRecordedMessageBox();
  EXPECT_STREQ(box->text, "Could not play sound");
  EXPECT_STREQ(box->caption, "DirectSound Error");
  EXPECT_EQ(box->type, (uint32_t)MB_OK);
  EXPECT_EQ(box->owner, nullptr) << "the box has no owner";
}
