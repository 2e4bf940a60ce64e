// Shared matches: a record replays to the same digests, a damaged record is refused in
// words, and nothing one viewer does changes the match.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "render/attract_mode.h"
#include "session/lockstep.h"
#include "session/replay_file.h"
#include "session/session.h"
#include "sim/match_step.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {

std::string recordFile() {
  return testing::TempDir() + "vask_session_" +
         testing::UnitTest::GetInstance()->current_test_info()->name() + ".rec";
}

// A recorded offline match of `steps` steps in which the person turns and speeds now and then.
void playRecordedMatch(const std::string& path, int steps) {
  riderCount = 4;
  for (int i = 0; i < MAX_RIDERS; ++i) {
    riders[i].color = 0x102030u * (i + 1);
    riders[i].target = static_cast<uint8_t>(i == 1 ? 0 : 1);
  }
  localRider = 0;
  startRecording(path.c_str(), 1234, 98765);
  for (int s = 0; s < steps; ++s) {
    if (s % 41 == 7) sessionRiderInput(s % 2 ? INPUT_LEFT : INPUT_RIGHT);
    if (s % 97 == 3) sessionRiderInput(INPUT_FASTER);
    if (s % 97 == 50) sessionRiderInput(INPUT_LET_GO);
    sessionFrameSteps();
  }
  endSession();
  sessionMode = SESSION_OFFLINE;
  recordPath = 0;
}

std::string verify(const std::string& path, int* exitCode) {
  testing::internal::CaptureStdout();
  *exitCode = verifyReplay(path.c_str());
  return testing::internal::GetCapturedStdout();
}

Bytes fileBytes(const std::string& path) {
  Bytes bytes;
  FILE* f = fopen(path.c_str(), "rb");
  int c;
  while (f && (c = getc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  if (f) fclose(f);
  return bytes;
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

}  // namespace

TEST(MatchRecord, ReplaysToEveryDigestItRecordedAndNamesTheFirstStepThatDiffers) {
  const std::string path = recordFile();
  playRecordedMatch(path, 1250);
  ASSERT_EQ(matchRecord.steps, 1250u);
  ASSERT_EQ(matchRecord.digests.size(), 20u);  // one every 60 steps

  int exitCode = -1;
  std::string out = verify(path, &exitCode);
  EXPECT_EQ(exitCode, 0) << out;
  char expected[64];
  snprintf(expected, sizeof expected, "step 1200 digest %016llx\n",
           static_cast<unsigned long long>(matchRecord.digests[19].digest));
  EXPECT_NE(out.find(expected), std::string::npos) << out;
  EXPECT_NE(out.find("step 60 digest "), std::string::npos) << out;

  // The same record with the digest of step 600 changed: verification stops there.
  MatchRecord changed = matchRecord;
  changed.digests[9].digest ^= 1;
  Bytes bytes;
  writeReplay(bytes, changed);
  writeBytes(path, bytes);
  out = verify(path, &exitCode);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("step 600 differs"), std::string::npos) << out;
  EXPECT_EQ(out.find("step 660 digest"), std::string::npos) << "verification goes on after a difference";
  remove(path.c_str());
}

TEST(MatchRecord, WhatOnlyTheViewerDoesNeverChangesASharedMatch) {
  const std::string path = recordFile();
  playRecordedMatch(path, 600);
  MatchRecord first = matchRecord;

  // The same record replayed while this viewer watches in attract mode, its shots drawing.
  char why[200];
  ASSERT_TRUE(startReplay(path.c_str(), why, sizeof why)) << why;
  demoActive = 1;
  std::vector<uint64_t> digests;
  for (uint32_t s = 0; s < first.steps; ++s) {
    if (s % 50 == 0) chooseAttractShot();
    sessionFrameSteps();
    if (matchStep % DIGEST_PERIOD == 0) digests.push_back(matchDigest());
  }
  demoActive = 0;
  sessionMode = SESSION_OFFLINE;
  ASSERT_EQ(digests.size(), first.digests.size());
  for (size_t i = 0; i < digests.size(); ++i)
    EXPECT_EQ(digests[i], first.digests[i].digest) << "step " << first.digests[i].step;
  remove(path.c_str());
}

TEST(MatchRecord, ADamagedOrForeignRecordIsRefusedInWords) {
  const std::string path = recordFile();
  playRecordedMatch(path, 300);
  Bytes whole = fileBytes(path);
  ASSERT_GT(whole.size(), 100u);
  MatchRecord record;
  char why[200];

  // Every cut of the file, and every byte of its start changed, is refused or read whole;
  // never read past its end (the sanitized run would say so).
  for (size_t n = 0; n < whole.size(); ++n)
    EXPECT_FALSE(readReplay(whole.data(), n, &record, why, sizeof why)) << "cut at " << n;
  for (size_t i = 8; i < 140 && i < whole.size(); ++i) {
    Bytes bad = whole;
    bad[i] ^= 0xff;
    readReplay(bad.data(), bad.size(), &record, why, sizeof why);
  }

  Bytes foreign(whole.begin(), whole.end());
  foreign[0] = 'X';
  EXPECT_FALSE(readReplay(foreign.data(), foreign.size(), &record, why, sizeof why));
  EXPECT_STREQ(why, "it is not a Vask Light Cycles match record");
  Bytes later = whole;
  later[8] = 2;
  EXPECT_FALSE(readReplay(later.data(), later.size(), &record, why, sizeof why));
  EXPECT_STREQ(why, "it is a record of version 2; this build reads version 1");

  int exitCode = 0;
  writeBytes(path, Bytes(whole.begin(), whole.begin() + whole.size() / 2));
  testing::internal::CaptureStderr();
  verify(path, &exitCode);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(said.find("it is damaged"), std::string::npos) << said;
  remove(path.c_str());
}

TEST(Lockstep, APersonsRiderTakesCornersAtFullSpeedAndAFreedOneSlowsLikeTheComputers) {
  MatchRecord start = {};
  start.resetSeed = start.runSeed = 42;
  start.settings.riderCount = 3;
  startSharedMatch(start);
  Bundle bundle = {};
  bundle.count = 2;
  bundle.events[0] = BundleEvent{EVENT_TOOK, 2, 7};
  bundle.events[1] = BundleEvent{EVENT_INPUT, 2, INPUT_FASTER};
  runStep(bundle, 0);
  EXPECT_EQ(riderSteering[2], STEER_PERSON);
  ASSERT_EQ(lastSteeringChangeCount, 1);
  EXPECT_EQ(lastSteeringChanges[0].client, 7);
  for (int i = 0; i < 200; ++i) runStep(Bundle{}, 0);
  const float fast = riders[2].speed;
  ASSERT_GT(fast, 10.5f);
  bundle.count = 1;
  bundle.events[0] = BundleEvent{EVENT_INPUT, 2, INPUT_LEFT};
  Bundle turn = bundle;
  // The turn comes before the step; the speed it keeps is the one it had.
  const int heading = riders[2].heading;
  runStep(turn, 0);
  EXPECT_EQ(riders[2].heading, (heading + 3) & 3);
  EXPECT_GE(riders[2].speed, fast) << "a person's corner is taken at full speed";

  bundle.events[0] = BundleEvent{EVENT_FREED, 2, 0};
  runStep(bundle, 0);
  EXPECT_EQ(riderSteering[2], STEER_COMPUTER);
  EXPECT_EQ(riders[2].accel, 0.0f) << "nobody holds its key any more";
  sessionMode = SESSION_OFFLINE;
  matchShared = 0;
  riderSteering[0] = STEER_PERSON;
  for (int i = 1; i < MAX_RIDERS; ++i) riderSteering[i] = STEER_COMPUTER;
}

TEST(Lockstep, TheDigestSeesEveryPartOfTheMatch) {
  MatchRecord start = {};
  start.resetSeed = start.runSeed = 9;
  start.settings.riderCount = 2;
  startSharedMatch(start);
  for (int i = 0; i < 10; ++i) runStep(Bundle{}, 0);
  const uint64_t before = matchDigest();
  auto changes = [&](const char* what, auto change, auto undo) {
    change();
    EXPECT_NE(matchDigest(), before) << what;
    undo();
    EXPECT_EQ(matchDigest(), before) << what;
  };
  Rider& r = riders[1];
  changes("x", [&] { r.x += 2.0f; }, [&] { r.x -= 2.0f; });
  changes("speed", [&] { r.speed += 1.0f; }, [&] { r.speed -= 1.0f; });
  changes("score", [&] { r.score += 1; }, [&] { r.score -= 1; });
  changes("chase timer", [&] { r.chaseTimer += 1; }, [&] { r.chaseTimer -= 1; });
  changes("crash timer", [&] { r.crashTimer += 1; }, [&] { r.crashTimer -= 1; });
  changes("steering", [&] { riderSteering[1] = STEER_PERSON; }, [&] { riderSteering[1] = STEER_COMPUTER; });
  changes("a corner", [&] { r.trailHead->z += 2.0f; }, [&] { r.trailHead->z -= 2.0f; });
  const uint32_t state = randomState();
  changes("the generator", [&] { drawRandom(); }, [&] { seedRandom(state); });
  matchShared = 0;
  riderSteering[0] = STEER_PERSON;
}
