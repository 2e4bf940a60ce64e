// The relay protocol, shared by the game and the relay: every message is one binary
// WebSocket message, little-endian, its first byte its type. docs/protocol.md describes it
// for people; this is where it is written and read. Readers check every length, count and
// range, so a short, long or hostile message is refused whole and never read past its end.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

enum {
  PROTOCOL_VERSION = 1,
  ROOM_CODE_LENGTH = 8,    // 8 characters of 5 bits: 40 random bits
  PROTOCOL_RIDERS = 5,     // rider records in the settings, used or not
  DIGEST_PERIOD = 60,      // clients report a digest after every 60th step
  MAX_BUNDLE_EVENTS = 255,
  MAX_REFUSAL_TEXT = 200,
  MAX_CLIENT_MESSAGE = 96, // nothing a client sends is longer (HOST, the longest, is 94)
};

enum MessageType {
  // Client to relay.
  MSG_HOST = 0x01,     // version, seed, settings: make a room
  MSG_JOIN = 0x02,     // version, room code: join one
  MSG_TAKE = 0x03,     // take a rider from the next bundle on
  MSG_INPUT = 0x04,    // the step the client has run, one rider input
  MSG_DIGEST = 0x05,   // a step and the match's digest after it
  // Relay to client.
  MSG_WELCOME = 0x10,  // the room: code, this client's number, seed, settings, log so far
  MSG_BUNDLE = 0x11,   // one step's events
  MSG_REFUSED = 0x12,  // why the relay ends this connection; the same in every version
  MSG_OUT_OF_STEP = 0x13,  // this client's digest differed; a new welcome follows
};

// What steers a rider for a step. Everything else a player presses stays on the machine.
enum RiderInput {
  INPUT_LEFT = 1,
  INPUT_RIGHT = 2,
  INPUT_FASTER = 3,
  INPUT_SLOWER = 4,
  INPUT_LET_GO = 5,
};

// One event of a bundle, applied before the bundle's step runs.
enum EventKind {
  EVENT_INPUT = 1,  // rider, RiderInput
  EVENT_TOOK = 2,   // rider, client: a person steers the rider from now on
  EVENT_FREED = 3,  // rider: the computer steers it again
  EVENT_CAME = 4,   // client: someone entered the room
  EVENT_WENT = 5,   // client: someone left it
};

enum RefusalReason {
  REFUSED_UNKNOWN_ROOM = 1,
  REFUSED_ROOM_FULL = 2,
  REFUSED_VERSION = 3,
  REFUSED_BAD_MESSAGE = 4,
  REFUSED_TOO_MANY = 5,   // rooms, connections or attempts over a limit
  REFUSED_TIMED_OUT = 6,
  REFUSED_ORIGIN = 7,
  REFUSED_ROOM_ENDED = 8,
};

// The match file's content as a room carries it: what every client must agree on.
struct RiderSettings {
  uint32_t redBits, greenBits, blueBits;  // the colour as floats, by their bit patterns
  uint32_t color;                         // packed red 0-7, green 8-15, blue 16-23
  uint8_t target;                         // the rider it chases, below PROTOCOL_RIDERS
};

struct MatchSettings {
  uint8_t riderCount;     // 2..5
  uint8_t scoresVisible;  // 0 or 1
  RiderSettings riders[PROTOCOL_RIDERS];
};

struct BundleEvent {
  uint8_t kind, rider, value;  // rider is the client's number for CAME and WENT
};

struct Bundle {
  int count;
  BundleEvent events[MAX_BUNDLE_EVENTS];
};

struct HostMessage {
  uint16_t version;
  uint32_t seed;
  MatchSettings settings;
};

struct JoinMessage {
  uint16_t version;
  char code[ROOM_CODE_LENGTH];
};

struct ClientMessage {
  uint8_t type;
  uint16_t version;   // HOST, JOIN
  uint32_t seed;      // HOST
  MatchSettings settings;  // HOST
  char code[ROOM_CODE_LENGTH];  // JOIN
  uint32_t step;      // INPUT, DIGEST
  uint8_t input;      // INPUT
  uint64_t digest;    // DIGEST
};

struct Welcome {
  uint16_t version;
  char code[ROOM_CODE_LENGTH];
  uint8_t client;
  uint32_t seed;
  MatchSettings settings;
  uint32_t steps;        // bundles in the log: the next live bundle is for this step
  const uint8_t* log;    // the bundles, one after another (points into the message)
  size_t logSize;
};

struct RelayMessage {
  uint8_t type;
  Welcome welcome;          // WELCOME
  uint32_t step;            // BUNDLE, OUT_OF_STEP
  Bundle bundle;            // BUNDLE
  uint8_t reason;           // REFUSED
  char text[MAX_REFUSAL_TEXT + 1];  // REFUSED, always terminated
};

typedef std::vector<uint8_t> Bytes;

// Writers append one whole message.
void writeHost(Bytes& out, uint32_t seed, const MatchSettings& settings);
void writeJoin(Bytes& out, const char code[ROOM_CODE_LENGTH]);
void writeTake(Bytes& out);
void writeInput(Bytes& out, uint32_t step, uint8_t input);
void writeDigest(Bytes& out, uint32_t step, uint64_t digest);
// The version is a parameter so tests can speak another one.
void writeHostVersion(Bytes& out, uint16_t version, uint32_t seed, const MatchSettings& settings);
void writeJoinVersion(Bytes& out, uint16_t version, const char code[ROOM_CODE_LENGTH]);

void writeWelcome(Bytes& out, const char code[ROOM_CODE_LENGTH], uint8_t client, uint32_t seed,
                  const MatchSettings& settings, uint32_t steps, const uint8_t* log,
                  size_t logSize);
void writeBundleMessage(Bytes& out, uint32_t step, const Bundle& bundle);
void writeRefused(Bytes& out, uint8_t reason, const char* text);
void writeOutOfStep(Bytes& out, uint32_t step);

// A bundle alone, as logs hold them: a count and that many events.
void writeBundle(Bytes& out, const Bundle& bundle);
void writeSettings(Bytes& out, const MatchSettings& settings);

// Readers: true and the message filled in, or false for anything malformed (an unknown
// type, a wrong length, a value out of range). The version is read, never judged here.
bool readClientMessage(const uint8_t* data, size_t size, ClientMessage* message);
bool readRelayMessage(const uint8_t* data, size_t size, RelayMessage* message);

// Steps through a log: reads the bundle at *at and moves past it.
bool readLogBundle(const uint8_t* log, size_t size, size_t* at, Bundle* bundle);

// Settings read from the middle of a larger record (replay files use them too).
bool readSettingsAt(const uint8_t* data, size_t size, size_t* at, MatchSettings* settings);
bool settingsValid(const MatchSettings& settings);

// Room codes: ROOM_CODE_LENGTH characters of "0123456789ABCDEFGHJKMNPQRSTVWXYZ", which has
// no I, L, O or U, so nothing in it reads as another character.
extern const char ROOM_CODE_ALPHABET[33];
// The code for 40 bits.
void roomCodeFromBits(uint64_t bits, char code[ROOM_CODE_LENGTH]);
// Reads what a person typed: case, dashes and spaces do not matter, O reads as 0 and I or
// L as 1. False unless exactly ROOM_CODE_LENGTH characters of the alphabet remain.
bool parseRoomCode(const char* typed, char code[ROOM_CODE_LENGTH]);
bool roomCodeValid(const char code[ROOM_CODE_LENGTH]);
