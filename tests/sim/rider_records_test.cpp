// The random generator, respawning, trail points and the match reset.
#include <gtest/gtest.h>
#include <math.h>

#include "arena.h"
#include "render/attract_mode.h"
#include "render/camera.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"
#include "tests/doubles/recorded_sound.h"

TEST(RandomGenerator, SameSeedSameSequenceAndEveryValueInRange) {
  seedRandom(12345);
  int32_t first[50];
  for (int32_t& v : first) v = drawRandom();
  seedRandom(12345);
  for (int32_t v : first) EXPECT_EQ(drawRandom(), v);

  seedRandom(777);
  int residue[4] = {0, 0, 0, 0};
  int32_t low = 32767, high = 0;
  for (int i = 0; i < 20000; ++i) {
    int32_t v = drawRandom();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
    low = v < low ? v : low;
    high = v > high ? v : high;
    ++residue[v % 4];
  }
  // Spread over the whole range, and every heading about equally likely.
  EXPECT_LT(low, 100);
  EXPECT_GT(high, 32667);
  for (int r : residue) EXPECT_GT(r, 4500);

  seedRandom(1);
  int32_t fromOne = drawRandom();
  seedRandom(2);
  EXPECT_NE(drawRandom(), fromOne);
}

TEST(Respawn, DrawsXThenZThenHeadingAndPlacesTheRiderThere) {
  clearArena(3);
  for (uint32_t seed = 1; seed < 40; ++seed) {
    seedRandom(seed);
    int32_t dx = drawRandom(), dz = drawRandom(), dh = drawRandom();
    seedRandom(seed);
    respawnRider(2);
    const Rider& r = riders[2];
    EXPECT_EQ(r.x, static_cast<float>(dx % 10000 - 5000));
    EXPECT_EQ(r.z, static_cast<float>(dz % 10000 - 5000));
    EXPECT_EQ(r.heading, dh % 4);
    EXPECT_EQ(r.dirX, expectedDirX[r.heading]);
    EXPECT_EQ(r.dirZ, expectedDirZ[r.heading]);
    EXPECT_EQ(r.y, 12.0f);
  }
}

TEST(Respawn, ResetsTheRideButKeepsTheScoreAndReplacesTheTrail) {
  clearArena(3);
  layTrail(1, {{0, 0}, {500, 0}, {500, 700}, {-200, 700}});
  Rider& r = riders[1];
  r.score = -7;
  r.speed = 0.0f;
  r.accel = 0.008f;
  r.crashTimer = 119;
  r.chaseTimer = 150;
  r.target = 2;
  r.color = 0x00a0b0c0u;
  lookDirection = 1;
  cameraYaw = 0.25f;
  respawnRider(1);

  EXPECT_EQ(r.score, -7);
  EXPECT_EQ(r.speed, 10.0f);
  EXPECT_EQ(r.accel, 0.0f);
  EXPECT_EQ(r.crashTimer, 0);
  EXPECT_EQ(r.chaseTimer, 0);
  EXPECT_EQ(r.target, 2);          // only the local rider's target is set here
  EXPECT_EQ(lookDirection, 1);     // and only its respawn touches the view
  EXPECT_EQ(cameraYaw, 0.25f);

  ASSERT_EQ(trailLength(1), 2);
  const TrailPoint* head = r.trailHead;
  const TrailPoint* tail = r.trailTail;
  EXPECT_EQ(head->next, tail);
  EXPECT_EQ(tail->next, nullptr);
  for (const TrailPoint* p : {head, tail}) {
    EXPECT_EQ(p->x, r.x);
    EXPECT_EQ(p->y, 0.0f);
    EXPECT_EQ(p->z, r.z);
    EXPECT_EQ(p->mapX, r.x * 0.009765625f + 125.0f);
    EXPECT_EQ(p->mapY, 125.0f - r.z * 0.009765625f);
    EXPECT_EQ(p->red, 192.0f);
    EXPECT_EQ(p->green, 176.0f);
    EXPECT_EQ(p->blue, 160.0f);
  }
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST(Respawn, LocalRiderChasesRiderOneLooksAheadAndFacesItsHeading) {
  clearArena(2);
  bool seen[4] = {false, false, false, false};
  for (uint32_t seed = 100; seed < 140; ++seed) {
    riders[0].target = 0;
    lookDirection = 2;
    cameraYaw = -1.0f;
    seedRandom(seed);
    respawnRider(0);
    EXPECT_EQ(riders[0].target, 1);
    EXPECT_EQ(lookDirection, 3);
    EXPECT_EQ(cameraYaw, baseYaw[riders[0].heading]);
    seen[riders[0].heading] = true;
  }
  for (bool s : seen) EXPECT_TRUE(s);
  EXPECT_EQ(baseYaw[0], 1.570795f);
  EXPECT_EQ(baseYaw[1], 0.0f);
  EXPECT_EQ(baseYaw[2], 4.712385f);
  EXPECT_EQ(baseYaw[3], 3.14159f);
}

TEST(TrailPoints, TakeTheRiderColourAndTheLocalRiderAlwaysBlue63) {
  clearArena(2);
  riders[0].color = 0u;
  riders[1].color = 0u;
  placeRider(0, 1024.0f, -2048.0f, 1);
  TrailPoint* local = appendTrailPoint(0);
  TrailPoint* other = appendTrailPoint(1);
  EXPECT_EQ(riders[0].trailTail, local);
  EXPECT_EQ(riders[1].trailTail, other);
  EXPECT_EQ(local->red, 0.0f);
  EXPECT_EQ(local->green, 0.0f);
  EXPECT_EQ(local->blue, 63.0f);
  EXPECT_EQ(other->blue, 0.0f);
  EXPECT_EQ(local->mapX, 135.0f);  // 1024 world units are 10 minimap units
  EXPECT_EQ(local->mapY, 145.0f);  // world +z points up the minimap

  riders[0].color = 0x00ff8001u;
  local = appendTrailPoint(0);
  EXPECT_EQ(local->red, 1.0f);
  EXPECT_EQ(local->green, 128.0f);
  EXPECT_EQ(local->blue, 63.0f);
  riders[0].color = 0;
}

TEST(MatchReset, RespawnsEveryRiderThenPicksTheFirstShot) {
  clearArena(4);
  for (int i = 0; i < 4; ++i) {
    riders[i].score = 5 + i;
    layTrail(i, {{0, 0}, {100, 0}, {100, 100}});
  }
  const uint32_t seed = 4242;
  seedRandom(seed);
  int32_t draws[14];
  for (int32_t& d : draws) d = drawRandom();
  seedRandom(seed);
  resetMatch();

  for (int i = 0; i < 4; ++i) {
    const Rider& r = riders[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(r.speed, 10.0f);
    EXPECT_EQ(r.accel, 0.0f);
    EXPECT_EQ(r.y, 12.0f);
    EXPECT_EQ(r.x, static_cast<float>(draws[3 * i] % 10000 - 5000));
    EXPECT_EQ(r.z, static_cast<float>(draws[3 * i + 1] % 10000 - 5000));
    EXPECT_EQ(r.heading, draws[3 * i + 2] % 4);
    EXPECT_EQ(trailLength(i), 2);
    EXPECT_EQ(r.trailTail->x, r.x);
    EXPECT_EQ(r.trailTail->z, r.z);
  }
  EXPECT_EQ(shotType, draws[12] % 6);
  EXPECT_EQ(shotRider, draws[13] % 4);
  EXPECT_EQ(shotTimer, 0);
}

TEST(MatchReset, SpawnsAreWholeNumbersWithinTheCentralSquare) {
  clearArena(5);
  for (uint32_t seed = 0; seed < 200; ++seed) {
    seedRandom(seed * 7919u);
    resetMatch();
    for (int i = 0; i < 5; ++i) {
      const Rider& r = riders[i];
      ASSERT_EQ(r.x, floorf(r.x));
      ASSERT_EQ(r.z, floorf(r.z));
      ASSERT_GE(r.x, -5000.0f);
      ASSERT_LE(r.x, 4999.0f);
      ASSERT_GE(r.z, -5000.0f);
      ASSERT_LE(r.z, 4999.0f);
      ASSERT_GE(r.heading, 0);
      ASSERT_LE(r.heading, 3);
    }
  }
}
