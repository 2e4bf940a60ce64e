// The walls gathered for a movement call must decide every collision and every swerve as
// testing all walls does. Real matches supply the walls: seeded attract-mode matches run
// for a while, then at many moments each moving rider is taken through the sub-steps of a
// call both ways, from the same state.
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include "sim/collision.h"
#include "sim/computer_rider.h"
#include "sim/movement.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/turning.h"
#include "sim/ui_state.h"
#include "sim/wall_candidates.h"
#include "tests/doubles/recorded_sound.h"

namespace {

struct Saved {
  Rider rider[MAX_RIDERS];
  TrailPoint tail[MAX_RIDERS];
};

Saved save() {
  Saved s;
  for (int i = 0; i < riderCount; ++i) {
    s.rider[i] = riders[i];
    s.tail[i] = *riders[i].trailTail;
  }
  return s;
}

// Puts every rider back, dropping corners a turn added after the saved moving end.
void restore(const Saved& s) {
  for (int i = 0; i < riderCount; ++i) {
    TrailPoint* tail = s.rider[i].trailTail;
    TrailPoint* extra = tail->next;
    while (extra) {
      TrailPoint* next = extra->next;
      free(extra);
      extra = next;
    }
    *tail = s.tail[i];
    riders[i] = s.rider[i];
  }
}

// Moves rider a on by `subSteps` sub-steps of 2 units, its moving end with it.
void advance(int a, int subSteps) {
  Rider& r = riders[a];
  for (int k = 0; k < subSteps; ++k) {
    r.x += 2.0f * r.dirX;
    r.z += 2.0f * r.dirZ;
  }
  r.trailTail->x = r.x;
  r.trailTail->z = r.z;
}

struct Outcome {
  float speed;
  int32_t heading, chaseTimer;
  int32_t scores[MAX_RIDERS];
  long trailPoints;
};

Outcome outcomeOf(int a) {
  Outcome o;
  memset(&o, 0, sizeof o);
  o.speed = riders[a].speed;
  o.heading = riders[a].heading;
  o.chaseTimer = riders[a].chaseTimer;
  for (int i = 0; i < riderCount; ++i) o.scores[i] = riders[i].score;
  for (const TrailPoint* p = riders[a].trailHead; p; p = p->next) ++o.trailPoints;
  return o;
}

bool same(const Outcome& x, const Outcome& y) {
  return x.speed == y.speed && x.heading == y.heading && x.chaseTimer == y.chaseTimer &&
         memcmp(x.scores, y.scores, sizeof x.scores) == 0 && x.trailPoints == y.trailPoints;
}

void startMatch(uint32_t seed) {
  riderCount = 5;
  demoActive = 1;
  for (int i = 0; i < MAX_RIDERS; ++i) riders[i].color = 0x204060u + 0x10u * (uint32_t)i;
  seedRandom(seed);
  resetMatch();
}

TEST(WallCandidates, GatheredWallsDecideCollisionsAndSwervesAsAllWallsDo) {
  long comparisons = 0, crashes = 0, swerves = 0, gathered = 0;
  for (uint32_t seed : {3u, 17u, 2024u}) {
    startMatch(seed);
    for (int step = 1; step <= 2500; ++step) {
      for (int i = 0; i < riderCount; ++i) moveRider(i);
      clearRecordedSounds();
      if (step % 5 != 0) continue;
      for (int a = 0; a < riderCount; ++a) {
        if (riders[a].speed == 0.0f) continue;
        const Saved start = save();
        for (int k = 1; k <= 13; ++k) {
          // The collision test, k sub-steps into the call.
          gatherWallCandidates(a, 16);
          advance(a, k);
          const bool usable = wallCandidatesFor(a) != 0;
          gathered += usable;
          checkCollision(a);
          const Outcome withGathered = outcomeOf(a);
          restore(start);
          dropWallCandidates();
          advance(a, k);
          ASSERT_EQ(wallCandidatesFor(a), nullptr);
          checkCollision(a);
          const Outcome withAll = outcomeOf(a);
          ASSERT_TRUE(same(withGathered, withAll))
              << "seed " << seed << " step " << step << " rider " << a << " sub-step " << k;
          crashes += withAll.speed == 0.0f;
          restore(start);

          // The steering from the same place, with the same draws.
          gatherWallCandidates(a, 16);
          advance(a, k);
          seedRandom(seed + (uint32_t)step);
          steerComputerRider(a);
          const Outcome steeredGathered = outcomeOf(a);
          restore(start);
          dropWallCandidates();
          advance(a, k);
          seedRandom(seed + (uint32_t)step);
          steerComputerRider(a);
          const Outcome steeredAll = outcomeOf(a);
          ASSERT_TRUE(same(steeredGathered, steeredAll))
              << "steering, seed " << seed << " step " << step << " rider " << a << " sub-step " << k;
          swerves += steeredAll.heading != start.rider[a].heading;
          restore(start);
          ++comparisons;
        }
        clearRecordedSounds();
      }
    }
  }
  // The matches must have offered the cases that matter, through gathered walls.
  EXPECT_GT(comparisons, 10000);
  EXPECT_EQ(gathered, comparisons);
  EXPECT_GT(crashes, 50);
  EXPECT_GT(swerves, 50);
}

TEST(WallCandidates, ATurnAnotherRiderOrAPlaceOffTheStretchTestsEveryWall) {
  startMatch(5);
  for (int i = 0; i < riderCount; ++i) riders[i].speed = 10.0f;
  gatherWallCandidates(1, 4);  // 8 units ahead
  ASSERT_NE(wallCandidatesFor(1), nullptr);
  EXPECT_EQ(wallCandidatesFor(2), nullptr);

  const Saved start = save();
  advance(1, 4);
  EXPECT_NE(wallCandidatesFor(1), nullptr);
  advance(1, 1);  // 10 units ahead: beyond what was gathered
  EXPECT_EQ(wallCandidatesFor(1), nullptr);
  restore(start);

  turnRider(1, TURN_LEFT_KEY);
  EXPECT_EQ(wallCandidatesFor(1), nullptr);
  restore(start);
  dropWallCandidates();
  EXPECT_EQ(wallCandidatesFor(1), nullptr);
}

TEST(WallCandidates, TooManyWallsNearTheLineStillCrashOnTheRightOne) {
  // Rider 1's wall zigzags across rider 0's line x = 0 far more often than can be gathered;
  // rider 0, whose look-ahead point starts 51 units short of the first crossing, must hit it.
  startMatch(8);
  riderCount = 2;
  demoActive = 0;
  Rider& wall = riders[1];
  for (TrailPoint* p = wall.trailHead; p;) {
    TrailPoint* next = p->next;
    free(p);
    p = next;
  }
  wall.trailHead = wall.trailTail = 0;
  float z = 1000.0f;
  for (int k = 0; k < 2 * MAX_WALL_CANDIDATES + 10; ++k) {
    wall.x = (k % 4 == 0 || k % 4 == 3) ? -100.0f : 100.0f;
    wall.z = z;
    appendTrailPoint(1);
    if (k % 2 == 1) z += 2.0f;
  }
  wall.speed = 0.0f;
  wall.crashTimer = 1;
  Rider& r = riders[0];
  r.x = 0.0f;
  r.z = 1000.0f - 85.0f - 51.0f;
  r.heading = 0;
  r.dirX = 0.0f;
  r.dirZ = 1.0f;
  r.speed = 10.0f;
  r.accel = 0.0f;
  r.trailHead->x = r.trailTail->x = 0.0f;
  r.trailHead->z = r.trailTail->z = r.z;
  r.score = 0;
  wall.score = 0;

  gatherWallCandidates(0, 16);
  EXPECT_EQ(wallCandidatesFor(0), nullptr);  // crowded: nothing gathered
  dropWallCandidates();
  for (int step = 0; step < 10 && r.speed > 0.0f; ++step) moveRider(0);
  EXPECT_EQ(r.speed, 0.0f);
  EXPECT_EQ(wall.score, 1);  // rider 1's wall, not the edge or its own
  EXPECT_EQ(r.z, 916.0f);  // the first sub-step whose look-ahead point passes z = 1000
}

}  // namespace
