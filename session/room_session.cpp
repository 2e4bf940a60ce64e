#include "session/room_session.h"

#include <stdio.h>
#include <string.h>

#include "platform/network.h"
#include "protocol/protocol.h"
#include "session/lockstep.h"
#include "session/match_record.h"
#include "session/session.h"
#include "sim/match_step.h"
#include "sim/riders.h"
#include "sim/room_view.h"
#include "sim/ui_state.h"

const char* const DEFAULT_RELAY = "ws://127.0.0.1:8765";

namespace {

enum Phase {
  PHASE_NONE,        // offline
  PHASE_ASKING,      // connecting, or waiting for the welcome
  PHASE_PLAYING,     // the relay's bundles step the match
  PHASE_ALONE,       // the relay is gone: this machine steps the match
};

const int NOTICE_FRAMES = 300;  // five seconds
const int MAX_CLIENTS = 256;

NetworkHandle link = 0;
Phase phase = PHASE_NONE;
int32_t modeBefore = SESSION_OFFLINE;  // what the match goes back to when no room takes us
bool hosting = false;
char roomCode[ROOM_CODE_LENGTH];
int ownClient = -1;
bool inRoom[MAX_CLIENTS];
int heldAccel = 0;  // the speed key the relay last heard: 0, INPUT_FASTER or INPUT_SLOWER
bool freeOthers = false;  // the first step alone gives everyone else's rider to the computer
Bundle alone;       // the viewer's inputs for the next step alone

void notice(const char* text) {
  snprintf(roomNotice, sizeof roomNotice, "%s", text);
  roomNoticeFrames = NOTICE_FRAMES;
  roomViewChanged = 1;
  fprintf(stderr, "%s\n", text);
}

void describeRoom() {
  if (phase != PHASE_PLAYING && phase != PHASE_ALONE) return;
  snprintf(roomTitleLine, sizeof roomTitleLine, "ROOM %.4s-%.4s", roomCode, roomCode + 4);
  int people = 0;
  for (int i = 0; i < MAX_CLIENTS; ++i) people += inRoom[i];
  char riding[32] = "";
  size_t used = 0;
  for (int i = 0; i < riderCount && i < MAX_RIDERS; ++i)
    if (riderSteering[i] == STEER_PERSON && used + 3 < sizeof riding)
      used += snprintf(riding + used, sizeof riding - used, " %d", i + 1);
  snprintf(roomPeopleLine, sizeof roomPeopleLine, "%d IN THE ROOM  RIDERS TAKEN:%s", people,
           used ? riding : " NONE");
  roomViewChanged = 1;
}

// Who came and went, and who took which rider: the room's roster and our own rider.
void followRoster(const Bundle& bundle) {
  bool changed = false;
  for (int i = 0; i < bundle.count; ++i) {
    const BundleEvent& e = bundle.events[i];
    if (e.kind == EVENT_CAME || e.kind == EVENT_WENT) {
      inRoom[e.rider] = e.kind == EVENT_CAME;
      changed = true;
    }
  }
  for (int i = 0; i < lastSteeringChangeCount; ++i) {
    const SteeringChange& c = lastSteeringChanges[i];
    if (c.client == ownClient) {
      localRider = c.rider;
      markOwnRider = 1;
    } else if (c.client < 0 && c.rider == localRider) {
      markOwnRider = 0;
    }
    changed = true;
  }
  if (changed) describeRoom();
}

void runBundle(const Bundle& bundle, bool live) {
  uint64_t digest;
  bool due = keepStep(bundle, &digest);
  followRoster(bundle);
  if (due && live && link) {
    Bytes out;
    writeDigest(out, matchStep, digest);
    networkSend(link, out.data(), out.size());
  }
}

// The room as the relay has it: a new match from its start, run up to now.
void welcome(const Welcome& w) {
  memcpy(roomCode, w.code, ROOM_CODE_LENGTH);
  ownClient = w.client;
  memset(inRoom, 0, sizeof inRoom);
  uint8_t steering[PROTOCOL_RIDERS] = {0};
  beginRecord(w.seed, w.seed, w.settings, steering, 0);
  startSharedMatch(matchRecord);
  localRider = 0;
  markOwnRider = 0;
  heldAccel = 0;
  phase = PHASE_PLAYING;
  sessionMode = SESSION_ROOM;
  size_t at = 0;
  Bundle bundle;
  for (uint32_t i = 0; i < w.steps && readLogBundle(w.log, w.logSize, &at, &bundle); ++i)
    runBundle(bundle, false);
  describeRoom();
  printf("room %.8s\n", roomCode);
  fflush(stdout);
  fprintf(stderr, "in room %.8s from step %u\n", roomCode, static_cast<unsigned>(w.steps));
}

void goAlone(const char* why) {
  if (phase == PHASE_PLAYING) {
    phase = PHASE_ALONE;
    freeOthers = true;
    alone.count = 0;
    char text[ROOM_TEXT_SIZE];
    snprintf(text, sizeof text, "THE RELAY IS GONE: PLAYING ON ALONE");
    notice(text);
    fprintf(stderr, "relay: %s\n", why);
  } else if (phase == PHASE_ASKING) {
    phase = PHASE_NONE;
    sessionMode = modeBefore;  // played here as if no room had been asked for
    char text[ROOM_TEXT_SIZE];
    snprintf(text, sizeof text, "NO ROOM: %s", why);
    for (char* p = text; *p; ++p)
      if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    snprintf(roomTitleLine, sizeof roomTitleLine, "%s", text);
    roomViewChanged = 1;
    fprintf(stderr, "relay: %s\n", why);
  }
  networkClose(link);
  link = 0;
}

// The code a new room asks for: 40 bits from the match's seed and where this process's
// stack lies, which differs from one start to the next. The relay gives the room another
// when one of its rooms has it already.
void proposeRoomCode(uint32_t seed, char code[ROOM_CODE_LENGTH]) {
  int here = 0;
  uint64_t x = (static_cast<uint64_t>(seed) << 32) ^ static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&here));
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  x ^= x >> 31;
  roomCodeFromBits(x & 0xffffffffffull, code);
}

void handle(const uint8_t* data, size_t size) {
  static RelayMessage m;  // large (a whole bundle); one at a time
  if (!readRelayMessage(data, size, &m)) {
    goAlone("the relay sent a message this build cannot read");
    return;
  }
  switch (m.type) {
    case MSG_WELCOME:
      if (m.welcome.version != PROTOCOL_VERSION) {
        goAlone("the relay speaks another version");
        return;
      }
      welcome(m.welcome);
      break;
    case MSG_BUNDLE:
      if (phase != PHASE_PLAYING) break;
      if (m.step == matchRecord.steps) runBundle(m.bundle, true);
      else if (m.step > matchRecord.steps) goAlone("the relay skipped a step");
      break;  // an older step is one we have
    case MSG_REFUSED:
      goAlone(m.text[0] ? m.text : "the relay refused us");
      break;
    case MSG_OUT_OF_STEP:
      // A welcome with the room's whole log follows: the match is run again from it.
      fprintf(stderr, "out of step at step %u: catching up from the room's log\n",
              static_cast<unsigned>(m.step));
      break;
    default:
      break;
  }
}

}  // namespace

bool startRoom(const char* relayUrl, const char* code, uint32_t seed) {
  hosting = code == 0;
  char parsedCode[ROOM_CODE_LENGTH];
  if (hosting) proposeRoomCode(seed, parsedCode);
  else if (!parseRoomCode(code, parsedCode)) return false;
  // The room's code is in the address too: relays behind a load balancer that routes by
  // it are all one relay to the people of a room.
  char url[512];
  const char* base = relayUrl ? relayUrl : DEFAULT_RELAY;
  size_t length = strlen(base);
  while (length > 0 && base[length - 1] == '/') --length;
  if (length > 400) return false;
  snprintf(url, sizeof url, "%.*s/room/%.8s", static_cast<int>(length), base, parsedCode);
  link = networkOpen(url);
  if (!link) return false;
  Bytes out;
  if (hosting) {
    MatchSettings settings;
    settingsFromMatch(&settings);
    writeHost(out, seed, settings);
  } else {
    writeJoin(out, parsedCode);
  }
  networkSend(link, out.data(), out.size());
  phase = PHASE_ASKING;
  modeBefore = sessionMode;
  sessionMode = SESSION_ROOM;
  snprintf(roomTitleLine, sizeof roomTitleLine, "LOOKING FOR THE ROOM");
  roomViewChanged = 1;
  return true;
}

void roomPump() {
  if (!link) return;
  const uint8_t* data;
  size_t size;
  // Everything that has arrived: a machine that fell behind runs several steps now.
  while (link && networkReceive(link, &data, &size)) handle(data, size);
  if (link && networkState(link) == NETWORK_CLOSED) {
    const char* why = networkCloseReason(link);
    goAlone(why && why[0] ? why : "the connection closed");
  }
}

void roomFrameSteps() {
  // The bundles that came while the loop waited for this frame are shown in it.
  if (phase == PHASE_PLAYING) roomPump();
  if (phase != PHASE_ALONE) return;
  if (freeOthers) {
    // Everyone else's rider is the computer's from here on, as if they had left.
    Bundle freed;
    freed.count = 0;
    for (int i = 0; i < riderCount && i < MAX_RIDERS; ++i)
      if (riderSteering[i] == STEER_PERSON && !(markOwnRider && i == localRider))
        freed.events[freed.count++] = BundleEvent{EVENT_FREED, static_cast<uint8_t>(i), 0};
    for (int i = 0; i < alone.count && freed.count < MAX_BUNDLE_EVENTS; ++i)
      freed.events[freed.count++] = alone.events[i];
    alone = freed;
    freeOthers = false;
  }
  runBundle(alone, false);
  alone.count = 0;
}

void roomRiderInput(int input) {
  if (!markOwnRider) return;  // watching: nothing of ours to steer
  // Held keys repeat; the relay hears a speed key once until it is let go.
  if (input == INPUT_FASTER || input == INPUT_SLOWER) {
    if (heldAccel == input) return;
    heldAccel = input;
  } else if (input == INPUT_LET_GO) {
    if (!heldAccel) return;
    heldAccel = 0;
  }
  if (phase == PHASE_ALONE) {
    if (alone.count < MAX_BUNDLE_EVENTS)
      alone.events[alone.count++] =
          BundleEvent{EVENT_INPUT, static_cast<uint8_t>(localRider), static_cast<uint8_t>(input)};
    return;
  }
  if (phase != PHASE_PLAYING || !link) return;
  Bytes out;
  writeInput(out, matchRecord.steps, static_cast<uint8_t>(input));
  networkSend(link, out.data(), out.size());
}

void roomTakeRider() {
  if (phase == PHASE_ALONE && !markOwnRider) {
    // Alone, the viewer takes the first rider nobody steers.
    for (int i = 0; i < riderCount && i < MAX_RIDERS; ++i)
      if (riderSteering[i] != STEER_PERSON && alone.count < MAX_BUNDLE_EVENTS) {
        alone.events[alone.count++] =
            BundleEvent{EVENT_TOOK, static_cast<uint8_t>(i), static_cast<uint8_t>(ownClient)};
        break;
      }
    return;
  }
  if (phase != PHASE_PLAYING || !link) return;
  Bytes out;
  writeTake(out);
  networkSend(link, out.data(), out.size());
}

void leaveRoom() {
  networkClose(link);
  link = 0;
}
