// The steps due at each of the browser's animation frames: a display slower than 60 Hz gets
// the steps it missed, up to four a frame, so the match keeps 60 a second; a stall is
// followed by one step, not a burst. Times are counted in microseconds by hand.
#include "platform/shared/frame_pacer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int64_t SECOND = 1000000;
const int64_t EARLY = 2000;  // a refresh this close to a slot counts as on it
const int MOST = 4;

// The steps given at each of `frames` refreshes of a `hz` display, every other one half a
// millisecond early, from a pacer started at the first; as "1 2 1 ...".
std::string stepsAt(FramePacer* pacer, int hz, int frames, int64_t start = 0) {
  std::string out;
  for (int i = 0; i < frames; i++) {
    const int64_t now = start + i * SECOND / hz - (i % 2 ? 500 : 0);
    if (i) out += ' ';
    out += std::to_string(framePacerTakeDueSlots(pacer, now, EARLY, MOST));
  }
  return out;
}

int total(const std::string& steps) {
  int sum = 0;
  for (char c : steps)
    if (c != ' ') sum += c - '0';
  return sum;
}

TEST(FramePacer, EachRefreshGetsTheStepsDueSoTheMatchKeepsSixtyASecond) {
  const struct {
    int hz;
    const char* firstFrames;  // from the one that starts the grid
  } displays[] = {
      {30, "1 2 2 2 2 2"}, {50, "1 1 1 1 1 2 1 1 1 1 2"}, {60, "1 1 1 1 1 1"},
      {120, "1 0 1 0 1 0"}, {20, "1 3 3 3 3"}, {15, "1 4 4 4 4"},
  };
  for (const auto& d : displays) {
    FramePacer pacer = {};
    const std::string first = stepsAt(&pacer, d.hz, std::string(d.firstFrames).size() / 2 + 1);
    EXPECT_EQ(first, d.firstFrames) << d.hz << " Hz";
    // Ten more seconds hold 600 steps, give or take the one a slot's edge may move.
    FramePacer longRun = {};
    EXPECT_NEAR(total(stepsAt(&longRun, d.hz, 10 * d.hz + 1)) - 1, 600, 1) << d.hz << " Hz";
  }
}

TEST(FramePacer, FramesSlowerThanFifteenHertzGetFourStepsAndTheRestIsDropped) {
  FramePacer pacer = {};
  EXPECT_EQ(stepsAt(&pacer, 10, 4), "1 4 4 4");
  // The grid moved past the dropped slots: a frame a slot later gets one step.
  EXPECT_EQ(framePacerTakeDueSlots(&pacer, 300000 + SECOND / 60, EARLY, MOST), 1);
}

TEST(FramePacer, AStallOfASecondOrMoreIsFollowedByOneStepAndAFreshGrid) {
  FramePacer pacer = {};
  stepsAt(&pacer, 60, 60);
  const int64_t last = 59 * SECOND / 60 - 500;
  // Nearly a second missed: the most a frame may make up.
  EXPECT_EQ(framePacerTakeDueSlots(&pacer, last + SECOND - SECOND / 30, EARLY, MOST), MOST);
  const int64_t back = last + 3 * SECOND;  // the page hidden for three seconds
  EXPECT_EQ(framePacerTakeDueSlots(&pacer, back, EARLY, MOST), 1);
  // The grid starts at the frame that came back: the next slot is a 60th of a second on.
  EXPECT_EQ(framePacerTakeDueSlots(&pacer, back + SECOND / 60 - 500, EARLY, MOST), 1);
  EXPECT_EQ(framePacerTakeDueSlots(&pacer, back + SECOND / 60 + 5000, EARLY, MOST), 0);
}

}  // namespace
