// The 60-a-second grid of frame slots (the rule is in frame_pacer.h).
#include "platform/shared/frame_pacer.h"

namespace {

const int64_t MICROSECONDS = 1000000;

// Integer time of slot n, so the grid does not drift from 60 a second over a long match.
int64_t slotTime(const FramePacer* pacer, int64_t n) {
  return pacer->origin + n * MICROSECONDS / FRAMES_PER_SECOND;
}

// The first slot strictly after now (the rounding of slotTime may need one more).
int64_t firstSlotAfter(const FramePacer* pacer, int64_t now) {
  int64_t n = (now - pacer->origin) * FRAMES_PER_SECOND / MICROSECONDS + 1;
  return slotTime(pacer, n) <= now ? n + 1 : n;
}

// The first repaint (or a clock that went back) starts the grid afresh.
void startGrid(FramePacer* pacer, int64_t now) {
  pacer->started = 1;
  pacer->origin = now;
  pacer->nextSlot = 1;
}

}  // namespace

int64_t framePacerTimeToSlot(const FramePacer* pacer, int64_t now) {
  if (!pacer->started) return 0;
  int64_t due = slotTime(pacer, pacer->nextSlot);
  return due > now ? due - now : 0;
}

void framePacerTakeSlot(FramePacer* pacer, int64_t now) {
  if (!pacer->started || now < pacer->origin) {
    startGrid(pacer, now);
    return;
  }
  // Never the slot just used again.
  int64_t n = firstSlotAfter(pacer, now);
  pacer->nextSlot = n > pacer->nextSlot ? n : pacer->nextSlot + 1;
}

int framePacerTakeDueSlots(FramePacer* pacer, int64_t now, int64_t early, int most) {
  if (!pacer->started || now < pacer->origin ||
      now - slotTime(pacer, pacer->nextSlot) >= STALL_MICROSECONDS) {
    startGrid(pacer, now);
    return 1;
  }
  int64_t n = firstSlotAfter(pacer, now + early);
  if (n <= pacer->nextSlot) return 0;
  int64_t due = n - pacer->nextSlot;
  pacer->nextSlot = n;
  return due < most ? (int)due : most;
}
