// The other riders' engines placed around the local rider, and the local engine's pitch.
#include <gtest/gtest.h>

#include "app/engine_sounds.h"
#include "doubles/recorded_sound.h"
#include "sim/riders.h"

namespace {

void setRider(int i, int heading, float x, float z, float speed) {
  static const float DIR_X[4] = {0, 1, 0, -1};
  static const float DIR_Z[4] = {1, 0, -1, 0};
  Rider& r = riders[i];
  r.heading = heading;
  r.x = x;
  r.y = 12;
  r.z = z;
  r.dirX = DIR_X[heading];
  r.dirZ = DIR_Z[heading];
  r.speed = speed;
}

class EngineSoundsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    riderCount = 4;
    localRider = 0;
    setRider(0, 0, 0, 0, 10);
    for (int i = 1; i < MAX_RIDERS; i++) setRider(i, 0, 100.0f * i, 0, 10);
    clearRecordedSounds();
  }
  const RecordedSound& placeOf(int slot) {
    for (int k = 0; k < recordedSoundCount; k++)
      if (recordedSounds[k].op == SOUND_OP_PLACE && recordedSounds[k].slot == slot)
        return recordedSounds[k];
    ADD_FAILURE() << "slot " << slot << " was not placed";
    return recordedSounds[0];
  }
  int frequency() {
    clearRecordedSounds();
    placeEngineSounds();
    const RecordedSound& last = recordedSounds[recordedSoundCount - 1];
    EXPECT_EQ(last.op, SOUND_OP_SET_FREQUENCY);
    EXPECT_EQ(last.slot, 0);
    return last.value;
  }
};

TEST_F(EngineSoundsTest, EveryOtherRiderIsPlacedInOrderThenTheLocalPitchIsSet) {
  for (int count = 2; count <= 5; count++) {
    riderCount = count;
    clearRecordedSounds();
    placeEngineSounds();
    ASSERT_EQ(recordedSoundCount, count) << count << " riders";
    for (int i = 1; i < count; i++) {
      EXPECT_EQ(recordedSounds[i - 1].op, SOUND_OP_PLACE);
      EXPECT_EQ(recordedSounds[i - 1].slot, i);
    }
    EXPECT_EQ(recordedSounds[count - 1].op, SOUND_OP_SET_FREQUENCY);
    EXPECT_EQ(recordedSounds[count - 1].slot, 0);
  }
}

TEST_F(EngineSoundsTest, PositionIsTheScaledDistanceAheadOfTheLocalRider) {
  setRider(0, 1, 1000, -2000, 10);      // travelling +x
  setRider(1, 0, 1400, -1200, 10);      // 400 ahead, 800 to the side
  setRider(2, 2, 600, -2000, 10);       // 400 behind
  setRider(3, 1, 1000, 3000, 10);       // straight to the side
  placeEngineSounds();
  EXPECT_FLOAT_EQ(placeOf(1).y, 1.0f);
  EXPECT_FLOAT_EQ(placeOf(2).y, -1.0f);
  EXPECT_FLOAT_EQ(placeOf(3).y, 0.0f);
  for (int i = 1; i <= 3; i++) {
    EXPECT_EQ(placeOf(i).x, 0.0f);
    EXPECT_EQ(placeOf(i).z, 0.0f);
  }

  SetUp();
  setRider(0, 2, 0, 0, 10);  // travelling -z: ahead is toward -z
  setRider(1, 1, 0, -2000, 10);
  setRider(2, 1, 0, 2000, 10);
  placeEngineSounds();
  EXPECT_FLOAT_EQ(placeOf(1).y, 5.0f);
  EXPECT_FLOAT_EQ(placeOf(2).y, -5.0f);
}

TEST_F(EngineSoundsTest, VelocityFollowsTheLocalHeadingTable) {
  // Rider 1 travels +z at speed 14 (s = 5), rider 2 travels +x at speed 12 (s = 3),
  // rider 3 travels -x and has crashed (s = -9).
  struct Want {
    float v1x, v1y, v2x, v2y, v3x, v3y;
  } want[4] = {
      {0, 5, 3, 0, 9, 0},     // heading 0: ( s dirX,  s dirZ)
      {-5, 0, 0, 3, 0, 9},    // heading 1: (-s dirZ,  s dirX)
      {0, 5, -3, 0, -9, 0},   // heading 2: (-s dirX,  s dirZ)
      {5, 0, 0, 3, 0, 9},     // heading 3: ( s dirZ,  s dirX)
  };
  for (int h = 0; h < 4; h++) {
    SetUp();
    setRider(0, h, 0, 0, 10);
    setRider(1, 0, 50, 50, 14);
    setRider(2, 1, -50, 50, 12);
    setRider(3, 3, 50, -50, 0);
    placeEngineSounds();
    EXPECT_FLOAT_EQ(placeOf(1).vx, want[h].v1x) << "heading " << h;
    EXPECT_FLOAT_EQ(placeOf(1).vy, want[h].v1y) << "heading " << h;
    EXPECT_FLOAT_EQ(placeOf(2).vx, want[h].v2x) << "heading " << h;
    EXPECT_FLOAT_EQ(placeOf(2).vy, want[h].v2y) << "heading " << h;
    EXPECT_FLOAT_EQ(placeOf(3).vx, want[h].v3x) << "heading " << h;
    EXPECT_FLOAT_EQ(placeOf(3).vy, want[h].v3y) << "heading " << h;
    for (int i = 1; i <= 3; i++) EXPECT_EQ(placeOf(i).vz, 0.0f) << "heading " << h;
  }
}

TEST_F(EngineSoundsTest, LocalPitchFollowsSpeedTruncatedTowardZero) {
  struct Case {
    float speed;
    int hertz;
  } cases[] = {
      {10.0f, 22450}, {25.0f, 28450}, {0.0f, 18450}, {9.0f, 22050},
      {10.004f, 22451},  // -401.6 drops to -401, not -402
      {8.996f, 22049},   // 1.6 drops to 1, not 2
  };
  for (const Case& c : cases) {
    riders[0].speed = c.speed;
    EXPECT_EQ(frequency(), c.hertz) << "speed " << c.speed;
  }
}

}  // namespace
