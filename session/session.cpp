#include "session/session.h"

#include <stdio.h>

#include "session/lockstep.h"
#include "session/match_record.h"
#include "session/replay_file.h"
#include "session/room_session.h"
#include "sim/match_step.h"
#include "sim/rider_input.h"
#include "sim/riders.h"

int32_t sessionMode = SESSION_OFFLINE;
const char* recordPath = 0;

namespace {

Bundle pending;             // the viewer's inputs for the next step, offline
size_t replayAt = 0;        // where the replay's next bundle starts in the log
uint32_t replayStep = 0;

// A long recording is written every minute too, so a crash loses at most that much.
const uint32_t SAVE_PERIOD = 3600;

}  // namespace

bool keepStep(const Bundle& bundle, uint64_t* digest) {
  uint64_t taken = 0;
  recordBundle(bundle);
  bool due = runStep(bundle, &taken);
  if (due) recordDigest(matchStep, taken);
  if (recordPath && matchStep % SAVE_PERIOD == 0) saveReplayFile(recordPath, matchRecord);
  if (digest) *digest = taken;
  return due;
}

void startRecording(const char* path, uint32_t resetSeed, uint32_t runSeed) {
  MatchSettings settings;
  settingsFromMatch(&settings);
  uint8_t steering[PROTOCOL_RIDERS] = {0};
  steering[localRider] = 1;  // offline, the person steers its own rider
  beginRecord(resetSeed, runSeed, settings, steering, static_cast<uint8_t>(localRider));
  startSharedMatch(matchRecord);
  sessionMode = SESSION_RECORDING;
  recordPath = path;
  pending.count = 0;
}

bool startReplay(const char* path, char* why, unsigned whySize) {
  if (!loadReplayFile(path, &matchRecord, why, whySize)) return false;
  startSharedMatch(matchRecord);
  localRider = matchRecord.viewer;
  sessionMode = SESSION_REPLAY;
  replayAt = 0;
  replayStep = 0;
  return true;
}

bool replayFinished() { return sessionMode == SESSION_REPLAY && replayStep >= matchRecord.steps; }

int verifyReplay(const char* path) {
  char why[200];
  if (!loadReplayFile(path, &matchRecord, why, sizeof why)) {
    fprintf(stderr, "%s: %s\n", path, why);
    return 1;
  }
  startSharedMatch(matchRecord);
  size_t at = 0, next = 0;
  Bundle bundle;
  for (uint32_t step = 0; step < matchRecord.steps; ++step) {
    if (!readLogBundle(matchRecord.log.data(), matchRecord.log.size(), &at, &bundle)) return 1;
    uint64_t digest;
    if (!runStep(bundle, &digest)) continue;
    printf("step %u digest %016llx\n", static_cast<unsigned>(matchStep),
           static_cast<unsigned long long>(digest));
    while (next < matchRecord.digests.size() && matchRecord.digests[next].step < matchStep) ++next;
    if (next < matchRecord.digests.size() && matchRecord.digests[next].step == matchStep &&
        matchRecord.digests[next].digest != digest) {
      printf("step %u differs: the record has %016llx\n", static_cast<unsigned>(matchStep),
             static_cast<unsigned long long>(matchRecord.digests[next].digest));
      fflush(stdout);
      return 1;
    }
  }
  fflush(stdout);
  return 0;
}

void sessionRiderInput(int input) {
  switch (sessionMode) {
    case SESSION_OFFLINE:
      applyRiderInput(localRider, input);
      break;
    case SESSION_RECORDING:
      if (pending.count < MAX_BUNDLE_EVENTS)
        pending.events[pending.count++] =
            BundleEvent{EVENT_INPUT, static_cast<uint8_t>(localRider), static_cast<uint8_t>(input)};
      break;
    case SESSION_ROOM:
      roomRiderInput(input);
      break;
    default:
      break;  // a replay's riders are steered by its record
  }
}

void sessionWatch() {
  if (sessionMode == SESSION_RECORDING && pending.count < MAX_BUNDLE_EVENTS)
    pending.events[pending.count++] =
        BundleEvent{EVENT_FREED, static_cast<uint8_t>(localRider), 0};
}

void sessionFrameSteps() {
  switch (sessionMode) {
    case SESSION_RECORDING:
      keepStep(pending, 0);
      pending.count = 0;
      break;
    case SESSION_REPLAY: {
      Bundle bundle;
      if (replayStep >= matchRecord.steps ||
          !readLogBundle(matchRecord.log.data(), matchRecord.log.size(), &replayAt, &bundle))
        break;  // the last step stays on screen
      runStep(bundle, 0);
      replayStep += 1;
      break;
    }
    case SESSION_ROOM:
      roomFrameSteps();
      break;
    default:
      break;
  }
}

void endSession() {
  if (sessionMode == SESSION_ROOM) leaveRoom();
  if (recordPath && (sessionMode == SESSION_RECORDING || sessionMode == SESSION_ROOM))
    saveReplayFile(recordPath, matchRecord);
}
