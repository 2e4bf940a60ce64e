// Frame pacing shared by the window layers of every backend: repaints are handed out at
// 60 a second, so the match (one step per drawn frame) keeps its speed on any display.
#pragma once
#include <stdint.h>

enum { FRAMES_PER_SECOND = 60 };

// Frame slots lie on a fixed grid from the first repaint on: slot n at
// origin + n / FRAMES_PER_SECOND seconds. Times are in microseconds of a monotonic clock.
struct FramePacer {
  int started;       // 0 until the first repaint has been handed out
  int64_t origin;    // time of slot 0
  int64_t nextSlot;  // index of the first slot not yet used
};

// The message pump asks, whenever a repaint is pending and nothing else waits, how long
// until that repaint may be handed out: 0 when its slot has come (or no repaint was ever
// handed out), else the microseconds to wait for the slot.
int64_t framePacerTimeToSlot(const FramePacer* pacer, int64_t now);

// The message pump tells the pacer it has just handed out a repaint. The next slot is the
// first one after `now`: a late frame is followed by one step at the next slot, never by a
// burst that makes up the slots it missed.
void framePacerTakeSlot(FramePacer* pacer, int64_t now);
