// The 60-a-second grid of frame slots (the rule is in frame_pacer.h).
#include "platform/shared/frame_pacer.h"

namespace {

const int64_t MICROSECONDS = 1000000;

// Integer time of slot n, so the grid does not drift from 60 a second over a long match.
int64_t slotTime(const FramePacer* pacer, int64_t n) {
  return pacer->origin + n * MICROSECONDS / FRAMES_PER_SECOND;
}

}  // namespace

int64_t framePacerTimeToSlot(const FramePacer* pacer, int64_t now) {
  if (!pacer->started) return 0;
  int64_t due = slotTime(pacer, pacer->nextSlot);
  return due > now ? due - now : 0;
}

void framePacerTakeSlot(FramePacer* pacer, int64_t now) {
  if (!pacer->started || now < pacer->origin) {
    // The first repaint (or a clock that went back) starts the grid afresh.
    pacer->started = 1;
    pacer->origin = now;
    pacer->nextSlot = 1;
    return;
  }
  // The first slot strictly after now (the rounding of slotTime may need one more), and
  // never the slot just used again.
  int64_t n = (now - pacer->origin) * FRAMES_PER_SECOND / MICROSECONDS + 1;
  if (slotTime(pacer, n) <= now) n++;
  pacer->nextSlot = n > pacer->nextSlot ? n : pacer->nextSlot + 1;
}
