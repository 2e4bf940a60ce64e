// Writing and reading the relay's messages. Little-endian whatever the machine.
#include "protocol/protocol.h"

#include <string.h>

const char ROOM_CODE_ALPHABET[33] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";

namespace {

void put8(Bytes& out, uint8_t v) { out.push_back(v); }
void put16(Bytes& out, uint16_t v) {
  put8(out, static_cast<uint8_t>(v));
  put8(out, static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}
void put64(Bytes& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}

// Reading never passes `size`: a read beyond it fails the reader and yields 0.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at;
  bool failed;
};

bool has(Reader& r, size_t n) {
  if (r.failed || r.size - r.at < n) {
    r.failed = true;
    return false;
  }
  return true;
}
uint8_t get8(Reader& r) { return has(r, 1) ? r.data[r.at++] : 0; }
uint16_t get16(Reader& r) {
  uint16_t low = get8(r);
  return static_cast<uint16_t>(low | get8(r) << 8);
}
uint32_t get32(Reader& r) {
  uint32_t low = get16(r);
  return low | static_cast<uint32_t>(get16(r)) << 16;
}
uint64_t get64(Reader& r) {
  uint64_t low = get32(r);
  return low | static_cast<uint64_t>(get32(r)) << 32;
}

bool eventValid(const BundleEvent& e) {
  switch (e.kind) {
    case EVENT_INPUT: return e.rider < PROTOCOL_RIDERS && e.value >= INPUT_LEFT && e.value <= INPUT_LET_GO;
    case EVENT_TOOK: return e.rider < PROTOCOL_RIDERS;
    case EVENT_FREED: return e.rider < PROTOCOL_RIDERS && e.value == 0;
    case EVENT_CAME:
    case EVENT_WENT: return e.value == 0;
    default: return false;
  }
}

bool getBundle(Reader& r, Bundle* bundle) {
  bundle->count = get8(r);
  for (int i = 0; i < bundle->count && !r.failed; ++i) {
    BundleEvent& e = bundle->events[i];
    e.kind = get8(r);
    e.rider = get8(r);
    e.value = get8(r);
    if (!r.failed && !eventValid(e)) r.failed = true;
  }
  return !r.failed;
}

bool getSettings(Reader& r, MatchSettings* s) {
  s->riderCount = get8(r);
  s->scoresVisible = get8(r);
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) {
    RiderSettings& rs = s->riders[i];
    rs.redBits = get32(r);
    rs.greenBits = get32(r);
    rs.blueBits = get32(r);
    rs.color = get32(r);
    rs.target = get8(r);
  }
  return !r.failed && settingsValid(*s);
}

void getCode(Reader& r, char code[ROOM_CODE_LENGTH]) {
  for (int i = 0; i < ROOM_CODE_LENGTH; ++i) code[i] = static_cast<char>(get8(r));
}

void putCode(Bytes& out, const char code[ROOM_CODE_LENGTH]) {
  for (int i = 0; i < ROOM_CODE_LENGTH; ++i) put8(out, static_cast<uint8_t>(code[i]));
}

// A message must end where its last field ends.
bool whole(const Reader& r) { return !r.failed && r.at == r.size; }

int alphabetIndex(char c) {
  for (int i = 0; i < 32; ++i)
    if (ROOM_CODE_ALPHABET[i] == c) return i;
  return -1;
}

}  // namespace

bool settingsValid(const MatchSettings& s) {
  if (s.riderCount < 2 || s.riderCount > PROTOCOL_RIDERS || s.scoresVisible > 1) return false;
  for (int i = 0; i < PROTOCOL_RIDERS; ++i)
    if (s.riders[i].target >= PROTOCOL_RIDERS || s.riders[i].color > 0xffffffu) return false;
  return true;
}

void writeSettings(Bytes& out, const MatchSettings& s) {
  put8(out, s.riderCount);
  put8(out, s.scoresVisible);
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) {
    const RiderSettings& rs = s.riders[i];
    put32(out, rs.redBits);
    put32(out, rs.greenBits);
    put32(out, rs.blueBits);
    put32(out, rs.color);
    put8(out, rs.target);
  }
}

void writeBundle(Bytes& out, const Bundle& bundle) {
  int count = bundle.count < 0 ? 0 : bundle.count > MAX_BUNDLE_EVENTS ? MAX_BUNDLE_EVENTS : bundle.count;
  put8(out, static_cast<uint8_t>(count));
  for (int i = 0; i < count; ++i) {
    put8(out, bundle.events[i].kind);
    put8(out, bundle.events[i].rider);
    put8(out, bundle.events[i].value);
  }
}

void writeHostVersion(Bytes& out, uint16_t version, uint32_t seed, const MatchSettings& settings) {
  put8(out, MSG_HOST);
  put16(out, version);
  put32(out, seed);
  writeSettings(out, settings);
}
void writeHost(Bytes& out, uint32_t seed, const MatchSettings& settings) {
  writeHostVersion(out, PROTOCOL_VERSION, seed, settings);
}
void writeJoinVersion(Bytes& out, uint16_t version, const char code[ROOM_CODE_LENGTH]) {
  put8(out, MSG_JOIN);
  put16(out, version);
  putCode(out, code);
}
void writeJoin(Bytes& out, const char code[ROOM_CODE_LENGTH]) {
  writeJoinVersion(out, PROTOCOL_VERSION, code);
}
void writeTake(Bytes& out) { put8(out, MSG_TAKE); }
void writeInput(Bytes& out, uint32_t step, uint8_t input) {
  put8(out, MSG_INPUT);
  put32(out, step);
  put8(out, input);
}
void writeDigest(Bytes& out, uint32_t step, uint64_t digest) {
  put8(out, MSG_DIGEST);
  put32(out, step);
  put64(out, digest);
}

void writeWelcome(Bytes& out, const char code[ROOM_CODE_LENGTH], uint8_t client, uint32_t seed,
                  const MatchSettings& settings, uint32_t steps, const uint8_t* log,
                  size_t logSize) {
  put8(out, MSG_WELCOME);
  put16(out, PROTOCOL_VERSION);
  putCode(out, code);
  put8(out, client);
  put32(out, seed);
  writeSettings(out, settings);
  put32(out, steps);
  if (logSize) out.insert(out.end(), log, log + logSize);
}
void writeBundleMessage(Bytes& out, uint32_t step, const Bundle& bundle) {
  put8(out, MSG_BUNDLE);
  put32(out, step);
  writeBundle(out, bundle);
}
void writeRefused(Bytes& out, uint8_t reason, const char* text) {
  size_t length = text ? strlen(text) : 0;
  if (length > MAX_REFUSAL_TEXT) length = MAX_REFUSAL_TEXT;
  put8(out, MSG_REFUSED);
  put8(out, reason);
  put16(out, static_cast<uint16_t>(length));
  for (size_t i = 0; i < length; ++i) put8(out, static_cast<uint8_t>(text[i]));
}
void writeOutOfStep(Bytes& out, uint32_t step) {
  put8(out, MSG_OUT_OF_STEP);
  put32(out, step);
}

bool readClientMessage(const uint8_t* data, size_t size, ClientMessage* m) {
  memset(m, 0, sizeof *m);
  if (!data || size == 0 || size > MAX_CLIENT_MESSAGE) return false;
  Reader r = {data, size, 0, false};
  m->type = get8(r);
  switch (m->type) {
    case MSG_HOST:
      m->version = get16(r);
      // Another version's settings may be laid out differently: the version alone is read,
      // so the relay can refuse it in words.
      if (m->version != PROTOCOL_VERSION) return !r.failed;
      m->seed = get32(r);
      return getSettings(r, &m->settings) && whole(r);
    case MSG_JOIN:
      m->version = get16(r);
      if (m->version != PROTOCOL_VERSION) return !r.failed;
      getCode(r, m->code);
      return whole(r);
    case MSG_TAKE:
      return whole(r);
    case MSG_INPUT:
      m->step = get32(r);
      m->input = get8(r);
      return whole(r) && m->input >= INPUT_LEFT && m->input <= INPUT_LET_GO;
    case MSG_DIGEST:
      m->step = get32(r);
      m->digest = get64(r);
      return whole(r);
    default:
      return false;
  }
}

bool readRelayMessage(const uint8_t* data, size_t size, RelayMessage* m) {
  if (!data || size == 0 || !m) return false;
  m->type = 0;
  Reader r = {data, size, 0, false};
  m->type = get8(r);
  switch (m->type) {
    case MSG_WELCOME: {
      Welcome& w = m->welcome;
      w.version = get16(r);
      if (w.version != PROTOCOL_VERSION) return !r.failed;
      getCode(r, w.code);
      w.client = get8(r);
      w.seed = get32(r);
      if (!getSettings(r, &w.settings)) return false;
      w.steps = get32(r);
      if (r.failed) return false;
      w.log = data + r.at;
      w.logSize = size - r.at;
      // The log must hold exactly `steps` whole bundles.
      size_t at = 0;
      Bundle b;
      for (uint32_t i = 0; i < w.steps; ++i)
        if (!readLogBundle(w.log, w.logSize, &at, &b)) return false;
      return at == w.logSize && roomCodeValid(w.code);
    }
    case MSG_BUNDLE:
      m->step = get32(r);
      return getBundle(r, &m->bundle) && whole(r);
    case MSG_REFUSED: {
      m->reason = get8(r);
      uint16_t length = get16(r);
      if (r.failed || length > MAX_REFUSAL_TEXT || !has(r, length)) return false;
      for (uint16_t i = 0; i < length; ++i) {
        char c = static_cast<char>(data[r.at + i]);
        m->text[i] = (c >= 32 && c < 127) ? c : '?';  // shown on screen: printable only
      }
      m->text[length] = 0;
      r.at += length;
      return whole(r);
    }
    case MSG_OUT_OF_STEP:
      m->step = get32(r);
      return whole(r);
    default:
      return false;
  }
}

bool readLogBundle(const uint8_t* log, size_t size, size_t* at, Bundle* bundle) {
  if (!at || *at > size) return false;
  Reader r = {log, size, *at, false};
  if (!getBundle(r, bundle)) return false;
  *at = r.at;
  return true;
}

bool readSettingsAt(const uint8_t* data, size_t size, size_t* at, MatchSettings* settings) {
  if (!at || *at > size) return false;
  Reader r = {data, size, *at, false};
  if (!getSettings(r, settings)) return false;
  *at = r.at;
  return true;
}

void roomCodeFromBits(uint64_t bits, char code[ROOM_CODE_LENGTH]) {
  for (int i = ROOM_CODE_LENGTH - 1; i >= 0; --i) {
    code[i] = ROOM_CODE_ALPHABET[bits & 31u];
    bits >>= 5;
  }
}

bool roomCodeValid(const char code[ROOM_CODE_LENGTH]) {
  for (int i = 0; i < ROOM_CODE_LENGTH; ++i)
    if (alphabetIndex(code[i]) < 0) return false;
  return true;
}

bool parseRoomCode(const char* typed, char code[ROOM_CODE_LENGTH]) {
  if (!typed) return false;
  int n = 0;
  for (const char* p = typed; *p; ++p) {
    char c = *p;
    if (c == '-' || c == ' ') continue;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == 'O') c = '0';
    if (c == 'I' || c == 'L') c = '1';
    if (alphabetIndex(c) < 0 || n == ROOM_CODE_LENGTH) return false;
    code[n++] = c;
  }
  return n == ROOM_CODE_LENGTH;
}
