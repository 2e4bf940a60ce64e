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
// burst that makes up the slots it missed. The desktop's pumps pace this way: a window
// there is shown at the display's own refresh, whatever it is, as soon as it is drawn.
void framePacerTakeSlot(FramePacer* pacer, int64_t now);

// For a pump that gets control only at the display's refreshes (the browser's animation
// frames), which may come fewer than 60 a second (30 on a phone saving power, 50 on a 50 Hz
// display): the number of steps due at `now`, one for every slot come since the last call
// (a slot up to `early` microseconds ahead counts as come: a refresh's time jitters), at
// most `most`; the first call, and the first after a stall of STALL_MICROSECONDS or more
// (a hidden page, a box), gives one and starts the grid afresh at `now`, so nothing bursts
// after a stall, as on the desktop. The grid then moves to the first slot not come, so
// slots beyond `most` are dropped, not carried over. 0 when no slot has come.
enum { STALL_MICROSECONDS = 1000000 };
int framePacerTakeDueSlots(FramePacer* pacer, int64_t now, int64_t early, int most);
