// The cut keeps the file's layout: the RIFF header, then the INFO and sample lists read from
// the file itself at their own offsets, then a table part (the pdta list) of its own. Every
// index it reads is checked before it is followed; anything unexpected leaves the file uncut.
#include "platform/sdl/soundfont_cut.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

enum { PHDR, PBAG, PMOD, PGEN, INST, IBAG, IMOD, IGEN, SHDR, TABLES };
const char* const TABLE_IDS[TABLES] = {"phdr", "pbag", "pmod", "pgen", "inst",
                                       "ibag", "imod", "igen", "shdr"};
const int RECORD_SIZE[TABLES] = {38, 4, 10, 4, 22, 4, 10, 4, 46};
enum {
  PRESET_PROGRAM_AT = 20,
  PRESET_BANK_AT = 22,
  PRESET_BAG_AT = 24,
  INSTRUMENT_BAG_AT = 20,
  GEN_KEY_RANGE = 43,
  GEN_INSTRUMENT = 41,
  GEN_SAMPLE_ID = 53,
  MAX_TABLE_BYTES = 32 * 1024 * 1024,
  MAX_PATH = 4096,
};

struct Table {
  const unsigned char* at;
  unsigned count;  // records, the terminal one included
};

struct Bytes {
  unsigned char* data;
  size_t size, capacity;
  int failed;
};

struct Cut {
  int ready;
  char path[MAX_PATH];
  unsigned char head[12];
  long long fileSpan;  // bytes [12, fileSpan) are the file's own
  Bytes tail;          // the new table part
};

Cut cut;

unsigned u16(const unsigned char* p) { return (unsigned)p[0] | (unsigned)p[1] << 8; }
uint32_t u32(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
void put16(unsigned char* p, unsigned v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
}
void put32(unsigned char* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

void append(Bytes* b, const void* data, size_t size) {
  if (b->failed || size == 0) return;  // an empty zone list: nothing to copy, maybe no buffer yet
  if (b->size + size > b->capacity) {
    size_t capacity = b->capacity ? b->capacity : 4096;
    while (capacity < b->size + size) capacity *= 2;
    unsigned char* grown = (unsigned char*)realloc(b->data, capacity);
    if (!grown) {
      b->failed = 1;
      return;
    }
    b->data = grown;
    b->capacity = capacity;
  }
  memcpy(b->data + b->size, data, size);
  b->size += size;
}

void freeBytes(Bytes* b) {
  free(b->data);
  *b = Bytes{};
}

const unsigned char* record(const Table& t, unsigned index, int table) {
  return t.at + (size_t)index * RECORD_SIZE[table];
}

void setKey(uint32_t* keys, int key) { keys[key >> 5] |= 1u << (key & 31); }
void addKeys(uint32_t* to, const uint32_t* from) {
  for (int i = 0; i < 4; i++) to[i] |= from[i];
}
int anyKey(const uint32_t* keys) { return keys[0] | keys[1] | keys[2] | keys[3]; }
// The keys of `keys` from lo to hi.
void keysWithin(const uint32_t* keys, int lo, int hi, uint32_t* out) {
  memset(out, 0, sizeof(MidiKeySet));
  for (int k = lo; k <= hi && k < 128; k++)
    if (midiBitSet(keys, k)) setKey(out, k);
}

// The tables of the table part, in the order the format fixes.
int readTables(const unsigned char* body, size_t size, Table* tables) {
  size_t at = 4;  // past "pdta"
  for (int t = 0; t < TABLES; t++) {
    if (size - at < 8 || memcmp(body + at, TABLE_IDS[t], 4) != 0) return 0;
    uint32_t bytes = u32(body + at + 4);
    at += 8;
    if (bytes > size - at || bytes % RECORD_SIZE[t] != 0 || bytes < (uint32_t)RECORD_SIZE[t]) return 0;
    tables[t] = Table{body + at, bytes / RECORD_SIZE[t]};
    at += bytes;
  }
  return 1;
}

struct Side {  // one of the two levels: presets with their zones, or instruments with theirs
  int headerTable, bagTable, modTable, genTable, bagAt, targetGen;
};
const Side PRESETS = {PHDR, PBAG, PMOD, PGEN, PRESET_BAG_AT, GEN_INSTRUMENT};
const Side INSTRUMENTS = {INST, IBAG, IMOD, IGEN, INSTRUMENT_BAG_AT, GEN_SAMPLE_ID};

// One zone's generators and modulators, checked against their tables.
struct Zone {
  unsigned gen0, gen1, mod0, mod1;
  int lo, hi;    // its key range: the whole keyboard unless its first generator narrows it
  int target;    // the instrument (or sample) it names, -1 for none
};

int readZone(const Table* t, const Side& s, unsigned bag, unsigned targets, Zone* zone) {
  const unsigned char* b = record(t[s.bagTable], bag, s.bagTable);
  const unsigned char* next = record(t[s.bagTable], bag + 1, s.bagTable);
  zone->gen0 = u16(b);
  zone->gen1 = u16(next);
  zone->mod0 = u16(b + 2);
  zone->mod1 = u16(next + 2);
  if (zone->gen0 > zone->gen1 || zone->gen1 > t[s.genTable].count - 1 || zone->mod0 > zone->mod1 ||
      zone->mod1 > t[s.modTable].count - 1)
    return 0;
  zone->lo = 0;
  zone->hi = 127;
  zone->target = -1;
  for (unsigned g = zone->gen0; g < zone->gen1; g++) {
    const unsigned char* gen = record(t[s.genTable], g, s.genTable);
    if (u16(gen) == GEN_KEY_RANGE && g == zone->gen0) {
      zone->lo = gen[2];
      zone->hi = gen[3];
    } else if ((int)u16(gen) == s.targetGen) {
      if (u16(gen + 2) >= targets - 1) return 0;
      if (zone->target < 0) zone->target = (int)u16(gen + 2);  // the first is the one used
    }
  }
  return 1;
}

// Whether the zone stays: a header's first zone and any zone naming nothing always do (the
// first may be the global zone, and which zone is first must not change), the others when a
// key the song plays with this preset or instrument falls in their range.
int keepZone(const Zone& zone, int first, const uint32_t* keys) {
  if (first || zone.target < 0) return 1;
  MidiKeySet within;
  keysWithin(keys, zone.lo, zone.hi, within);
  return anyKey(within);
}

// The zones of header `index`, as [bag0, bag1).
int headerBags(const Table& headers, int headerTable, int bagAt, const Table& bags, unsigned index,
               unsigned* bag0, unsigned* bag1) {
  *bag0 = u16(record(headers, index, headerTable) + bagAt);
  *bag1 = u16(record(headers, index + 1, headerTable) + bagAt);
  return *bag0 <= *bag1 && *bag1 <= bags.count - 1;
}

struct Output {
  Bytes headers, bags, mods, gens;
};

// Marks the targets the zones header `index` keeps name, with the keys each passes on.
int gatherTargets(const Table* t, const Side& s, unsigned index, const uint32_t* keys, unsigned targets,
                  MidiKeySet* targetKeys, int* targetUsed) {
  unsigned bag0, bag1;
  if (!headerBags(t[s.headerTable], s.headerTable, s.bagAt, t[s.bagTable], index, &bag0, &bag1)) return 0;
  for (unsigned bag = bag0; bag < bag1; bag++) {
    Zone zone;
    if (!readZone(t, s, bag, targets, &zone)) return 0;
    if (zone.target < 0 || !keepZone(zone, bag == bag0, keys)) continue;
    MidiKeySet within;
    keysWithin(keys, zone.lo, zone.hi, within);
    addKeys(targetKeys[zone.target], within);
    targetUsed[zone.target] = 1;
  }
  return 1;
}

// Copies header `index` with the zones it keeps, naming targets by `renumber` (when given).
int copyHeader(const Table* t, const Side& s, unsigned index, const uint32_t* keys, unsigned targets,
               const int* renumber, Output* out) {
  unsigned bag0, bag1;
  if (!headerBags(t[s.headerTable], s.headerTable, s.bagAt, t[s.bagTable], index, &bag0, &bag1)) return 0;
  unsigned char header[38];
  memcpy(header, record(t[s.headerTable], index, s.headerTable), RECORD_SIZE[s.headerTable]);
  put16(header + s.bagAt, (unsigned)(out->bags.size / 4));
  append(&out->headers, header, RECORD_SIZE[s.headerTable]);
  for (unsigned bag = bag0; bag < bag1; bag++) {
    Zone zone;
    if (!readZone(t, s, bag, targets, &zone)) return 0;
    if (!keepZone(zone, bag == bag0, keys)) continue;
    unsigned char bagRecord[4];
    put16(bagRecord, (unsigned)(out->gens.size / 4));
    put16(bagRecord + 2, (unsigned)(out->mods.size / 10));
    append(&out->bags, bagRecord, 4);
    append(&out->mods, record(t[s.modTable], zone.mod0, s.modTable), (size_t)(zone.mod1 - zone.mod0) * 10);
    for (unsigned g = zone.gen0; g < zone.gen1; g++) {
      unsigned char gen[4];
      memcpy(gen, record(t[s.genTable], g, s.genTable), 4);
      if (renumber && (int)u16(gen) == s.targetGen) put16(gen + 2, (unsigned)renumber[u16(gen + 2)]);  // checked
      append(&out->gens, gen, 4);
    }
  }
  return 1;
}

// The terminal records close the last ranges; their other fields are kept.
void closeSide(const Table* t, const Side& s, Output* out) {
  unsigned char header[38];
  memcpy(header, record(t[s.headerTable], t[s.headerTable].count - 1, s.headerTable), RECORD_SIZE[s.headerTable]);
  put16(header + s.bagAt, (unsigned)(out->bags.size / 4));
  append(&out->headers, header, RECORD_SIZE[s.headerTable]);
  unsigned char bag[4];
  put16(bag, (unsigned)(out->gens.size / 4));
  put16(bag + 2, (unsigned)(out->mods.size / 10));
  append(&out->bags, bag, 4);
  append(&out->mods, record(t[s.modTable], t[s.modTable].count - 1, s.modTable), 10);
  append(&out->gens, record(t[s.genTable], t[s.genTable].count - 1, s.genTable), 4);
}

void appendChunk(Bytes* to, const char* id, const Bytes& body) {
  unsigned char header[8];
  memcpy(header, id, 4);
  put32(header + 4, (uint32_t)body.size);
  append(to, header, 8);
  append(to, body.data, body.size);
}

int buildTablePart(const Table* t, const MidiSongUse* song, Bytes* part) {
  MidiKeySet* wanted = (MidiKeySet*)calloc(MIDI_PRESETS, sizeof(MidiKeySet));
  MidiKeySet* instrumentKeys = (MidiKeySet*)calloc(t[INST].count, sizeof(MidiKeySet));
  int* instrumentUsed = (int*)calloc(t[INST].count, sizeof(int));
  int* renumber = (int*)calloc(t[INST].count, sizeof(int));
  Output presets = {}, instruments = {};
  int ok = wanted && instrumentKeys && instrumentUsed && renumber && midiSongPresetKeys(song, wanted);
  // Which instruments the kept preset zones name, and the keys each passes on.
  for (unsigned p = 0; ok && p + 1 < t[PHDR].count; p++) {
    const unsigned char* h = record(t[PHDR], p, PHDR);
    const unsigned bank = u16(h + PRESET_BANK_AT), program = u16(h + PRESET_PROGRAM_AT);
    if (bank >= MIDI_BANKS || program >= MIDI_PROGRAMS || !anyKey(wanted[bank * MIDI_PROGRAMS + program])) continue;
    ok = gatherTargets(t, PRESETS, p, wanted[bank * MIDI_PROGRAMS + program], t[INST].count, instrumentKeys,
                       instrumentUsed);
  }
  int kept = 0;
  for (unsigned i = 0; ok && i + 1 < t[INST].count; i++)
    if (instrumentUsed[i]) renumber[i] = kept++;
  for (unsigned p = 0; ok && p + 1 < t[PHDR].count; p++) {
    const unsigned char* h = record(t[PHDR], p, PHDR);
    const unsigned bank = u16(h + PRESET_BANK_AT), program = u16(h + PRESET_PROGRAM_AT);
    if (bank >= MIDI_BANKS || program >= MIDI_PROGRAMS || !anyKey(wanted[bank * MIDI_PROGRAMS + program])) continue;
    ok = copyHeader(t, PRESETS, p, wanted[bank * MIDI_PROGRAMS + program], t[INST].count, renumber, &presets);
  }
  for (unsigned i = 0; ok && i + 1 < t[INST].count; i++)
    if (instrumentUsed[i])
      ok = copyHeader(t, INSTRUMENTS, i, instrumentKeys[i], t[SHDR].count, 0, &instruments);
  if (ok) {
    closeSide(t, PRESETS, &presets);
    closeSide(t, INSTRUMENTS, &instruments);
    Bytes samples = {(unsigned char*)t[SHDR].at, (size_t)t[SHDR].count * RECORD_SIZE[SHDR], 0, 0};
    const Bytes* bodies[TABLES] = {&presets.headers, &presets.bags, &presets.mods, &presets.gens,
                                   &instruments.headers, &instruments.bags, &instruments.mods,
                                   &instruments.gens, &samples};
    Bytes list = {};
    append(&list, "pdta", 4);
    for (int i = 0; i < TABLES; i++) appendChunk(&list, TABLE_IDS[i], *bodies[i]);
    appendChunk(part, "LIST", list);
    ok = !list.failed && !part->failed && !presets.headers.failed && !presets.bags.failed &&
         !presets.mods.failed && !presets.gens.failed && !instruments.headers.failed &&
         !instruments.bags.failed && !instruments.mods.failed && !instruments.gens.failed;
    freeBytes(&list);
  }
  Output* outputs[] = {&presets, &instruments};
  for (Output* o : outputs) {
    freeBytes(&o->headers);
    freeBytes(&o->bags);
    freeBytes(&o->mods);
    freeBytes(&o->gens);
  }
  free(wanted);
  free(instrumentKeys);
  free(instrumentUsed);
  free(renumber);
  return ok;
}

// Finds the table part: the last list of the file's RIFF form. Returns its offset, or -1.
long long findTablePart(FILE* f, unsigned char* head, uint32_t* partSize) {
  unsigned char h[12];
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  const long long fileSize = ftello(f);
  if (fseeko(f, 0, SEEK_SET) != 0 || fread(h, 1, 12, f) != 12 || memcmp(h, "RIFF", 4) != 0 ||
      memcmp(h + 8, "sfbk", 4) != 0)
    return -1;
  memcpy(head, h, 12);
  const long long formEnd = 8 + (long long)u32(h + 4);
  if (formEnd > fileSize) return -1;
  long long at = 12;
  while (at + 12 <= formEnd) {
    if (fseeko(f, at, SEEK_SET) != 0 || fread(h, 1, 12, f) != 12) return -1;
    const long long size = u32(h + 4);
    const long long next = at + 8 + size + (size & 1);
    if (memcmp(h, "LIST", 4) == 0 && memcmp(h + 8, "pdta", 4) == 0) {
      if (next < formEnd - 1 || at + 8 + size > formEnd) return -1;  // not the last
      *partSize = (uint32_t)size;
      return at;
    }
    at = next;
  }
  return -1;
}

struct Stream {
  FILE* file;
  int isCut;
  long long position;
};

}  // namespace

int cutSoundfontForSong(const char* soundfontPath, const MidiSongUse* song) {
  dropSoundfontCut();
  if (strlen(soundfontPath) >= MAX_PATH) return 0;
  FILE* f = fopen(soundfontPath, "rb");
  if (!f) return 0;
  uint32_t partSize = 0;
  const long long partAt = findTablePart(f, cut.head, &partSize);
  unsigned char* body = 0;
  int ok = partAt > 0 && partSize >= 4 && partSize <= MAX_TABLE_BYTES &&
           (body = (unsigned char*)malloc(partSize)) != 0 && fseeko(f, partAt + 8, SEEK_SET) == 0 &&
           fread(body, 1, partSize, f) == partSize && memcmp(body, "pdta", 4) == 0;
  fclose(f);
  Table tables[TABLES];
  ok = ok && readTables(body, partSize, tables) && buildTablePart(tables, song, &cut.tail);
  free(body);
  if (!ok) {
    dropSoundfontCut();
    return 0;
  }
  put32(cut.head + 4, (uint32_t)(partAt + (long long)cut.tail.size - 8));
  cut.fileSpan = partAt;
  snprintf(cut.path, sizeof cut.path, "%s", soundfontPath);
  cut.ready = 1;
  return 1;
}

long long cutSoundfontSize() { return cut.ready ? cut.fileSpan + (long long)cut.tail.size : 0; }

void dropSoundfontCut() {
  freeBytes(&cut.tail);
  cut = Cut{};
}

void* cutSoundfontOpen(const char* fileName) {
  FILE* file = fopen(fileName, "rb");
  if (!file) return 0;
  Stream* s = (Stream*)calloc(1, sizeof(Stream));
  if (!s) {
    fclose(file);
    return 0;
  }
  s->file = file;
  s->isCut = cut.ready && strcmp(fileName, cut.path) == 0;
  return s;
}

int cutSoundfontRead(void* buffer, fluid_long_long_t count, void* handle) {
  Stream* s = (Stream*)handle;
  if (count < 0) return FLUID_FAILED;
  if (!s->isCut) return fread(buffer, 1, (size_t)count, s->file) == (size_t)count ? FLUID_OK : FLUID_FAILED;
  if (count > cutSoundfontSize() - s->position) return FLUID_FAILED;
  unsigned char* to = (unsigned char*)buffer;
  while (count > 0) {
    long long piece;
    if (s->position < 12) {
      piece = count < 12 - s->position ? count : 12 - s->position;
      memcpy(to, cut.head + s->position, (size_t)piece);
    } else if (s->position < cut.fileSpan) {
      piece = count < cut.fileSpan - s->position ? count : cut.fileSpan - s->position;
      if (fseeko(s->file, s->position, SEEK_SET) != 0 || fread(to, 1, (size_t)piece, s->file) != (size_t)piece)
        return FLUID_FAILED;
    } else {
      piece = count;
      memcpy(to, cut.tail.data + (s->position - cut.fileSpan), (size_t)piece);
    }
    to += piece;
    count -= piece;
    s->position += piece;
  }
  return FLUID_OK;
}

int cutSoundfontSeek(void* handle, fluid_long_long_t offset, int origin) {
  Stream* s = (Stream*)handle;
  if (!s->isCut) return fseeko(s->file, (off_t)offset, origin) == 0 ? FLUID_OK : FLUID_FAILED;
  long long base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? s->position : cutSoundfontSize();
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
  if (offset < -base || offset > cutSoundfontSize() - base) return FLUID_FAILED;
  s->position = base + offset;
  return FLUID_OK;
}

fluid_long_long_t cutSoundfontTell(void* handle) {
  Stream* s = (Stream*)handle;
  return s->isCut ? s->position : (fluid_long_long_t)ftello(s->file);
}

int cutSoundfontClose(void* handle) {
  Stream* s = (Stream*)handle;
  fclose(s->file);
  free(s);
  return FLUID_OK;
}
