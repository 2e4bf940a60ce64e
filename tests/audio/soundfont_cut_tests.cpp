// The soundfont cut to a song: the song sounds sample for sample as from the whole font, the
// cut holds only what the song can sound, and a font it cannot make sense of is served as it
// is, never read out of bounds.
#include <gtest/gtest.h>

#include <fluidsynth.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "audio_test_support.h"
#include "platform/sdl/midi_song_use.h"
#include "platform/sdl/soundfont_cut.h"

namespace {

const char* const WHOLE_FONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
const double LONGEST_RENDER_SECONDS = 600;  // no song of ours is as long; a file claiming more is cut there

// A standard MIDI file of type 1 with these tracks (each event: delta time byte, then bytes).
Bytes midiFile(const std::vector<Bytes>& tracks) {
  Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, (uint8_t)tracks.size(), 0x01, 0xE0};
  for (Bytes t : tracks) {
    t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
    putId(b, "MTrk");
    b.insert(b.end(), {(uint8_t)(t.size() >> 24), (uint8_t)(t.size() >> 16), (uint8_t)(t.size() >> 8),
                       (uint8_t)t.size()});
    b.insert(b.end(), t.begin(), t.end());
  }
  return b;
}

// The song's length in seconds, from its tracks' ticks and its tempo changes: how long a render
// must go on to reach its end. 0 for a file it cannot read.
double midiSongSeconds(const Bytes& s) {
  auto u32 = [&s](size_t i) { return (size_t)s[i] << 24 | (size_t)s[i + 1] << 16 | (size_t)s[i + 2] << 8 | s[i + 3]; };
  if (s.size() < 14 || memcmp(s.data(), "MThd", 4) != 0 || (s[12] & 0x80) || (s[12] | s[13]) == 0) return 0;
  const double ticksPerBeat = s[12] << 8 | s[13];
  std::map<uint64_t, uint32_t> tempoAt = {{0, 500000}};  // microseconds a beat from a tick on
  uint64_t songEnd = 0;
  for (size_t at = 8 + u32(4); at + 8 <= s.size(); at += 8 + u32(at + 4)) {
    const size_t end = std::min(s.size(), at + 8 + u32(at + 4));
    if (memcmp(&s[at], "MTrk", 4) != 0) continue;
    uint64_t tick = 0;
    uint8_t status = 0;
    auto varLen = [&s, end](size_t& i) {
      uint64_t v = 0;
      for (int k = 0; k < 4 && i < end; k++) {
        const uint8_t byte = s[i++];
        v = v << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) break;
      }
      return v;
    };
    for (size_t i = at + 8; i < end;) {
      tick += varLen(i);
      if (i < end && (s[i] & 0x80)) status = s[i++];
      if (status == 0xFF && i < end) {
        const uint8_t type = s[i++];
        const uint64_t length = varLen(i);
        if (type == 0x51 && length == 3 && i + 3 <= end) tempoAt[tick] = s[i] << 16 | s[i + 1] << 8 | s[i + 2];
        i += length;
      } else if (status == 0xF0 || status == 0xF7) {
        i += varLen(i);
      } else {
        i += (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
      }
    }
    songEnd = std::max(songEnd, tick);
  }
  double seconds = 0;
  for (auto t = tempoAt.begin(); t != tempoAt.end() && t->first < songEnd; ++t) {
    const uint64_t until = std::next(t) == tempoAt.end() ? songEnd : std::min(songEnd, std::next(t)->first);
    seconds += (double)(until - t->first) / ticksPerBeat * t->second / 1e6;
  }
  return seconds;
}

struct Rendered {
  std::vector<short> samples;
  int presets = -1;  // in the font as loaded
  bool ended = false;  // the song played to its end within the render
};

// Plays the song through a synthesiser that reads the font itself, or through the cut's
// callbacks; renders until the song is over and one more second. FluidSynth's player goes on
// past the song's last event until its notes have died away, and 2 s more: the render stops
// at the latest half a minute after the song's own length.
Rendered render(const char* font, const char* song, bool throughCut) {
  Rendered out;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setnum(settings, "synth.sample-rate", 44100.0);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (throughCut) {
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    fluid_sfloader_set_callbacks(loader, cutSoundfontOpen, cutSoundfontRead, cutSoundfontSeek,
                                 cutSoundfontTell, cutSoundfontClose);
    fluid_synth_add_sfloader(synth, loader);
  }
  int id = fluid_synth_sfload(synth, font, 1);
  if (id != FLUID_FAILED) {
    fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(synth, id);
    out.presets = 0;
    fluid_sfont_iteration_start(sfont);
    while (fluid_sfont_iteration_next(sfont)) out.presets++;
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add(player, song);
    fluid_player_play(player);
    short block[1024 * 2];
    int tail = 44100 / 1024;
    const double seconds = std::min(midiSongSeconds(readFile(song)) + 30, LONGEST_RENDER_SECONDS);
    for (int blocks = 0; blocks < seconds * 44100 / 1024 && tail > 0; blocks++) {
      if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) tail--;
      fluid_synth_write_s16(synth, 1024, block, 0, 2, block, 1, 2);
      out.samples.insert(out.samples.end(), block, block + 2048);
    }
    out.ended = tail <= 0;
    delete_fluid_player(player);
  }
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return out;
}

void expectSameSound(const char* font, const char* song) {
  MidiSongUse use;
  ASSERT_EQ(readMidiSongUse(song, &use), 1) << song;
  ASSERT_EQ(cutSoundfontForSong(font, &use), 1) << song;
  Rendered whole = render(font, song, false), cut = render(font, song, true);
  dropSoundfontCut();
  ASSERT_GT(whole.presets, 0);
  EXPECT_TRUE(whole.ended && cut.ended) << song << " was not rendered to its end";
  EXPECT_LT(cut.presets, whole.presets) << song << ": the whole font was loaded, not the cut";
  ASSERT_EQ(cut.samples.size(), whole.samples.size()) << song;
  double loudness = 0;
  for (short s : whole.samples) loudness += (double)s * s;
  EXPECT_GT(loudness, 0.0) << song << " must be heard";
  size_t firstDifference = 0;
  while (firstDifference < whole.samples.size() && cut.samples[firstDifference] == whole.samples[firstDifference])
    firstDifference++;
  EXPECT_EQ(firstDifference, whole.samples.size()) << song << " sounds otherwise from the cut at frame "
                                                   << firstDifference / 2;
}

class SoundfontCut : public ::testing::Test {
 protected:
  void SetUp() override {
    enterTempDir();
    ASSERT_NE(fopen(WHOLE_FONT, "rb"), nullptr) << "the General MIDI soundfont (fluid-soundfont-gm) is missing";
  }
  void TearDown() override { dropSoundfontCut(); }
};

// A font of our own (the fuzz target's seed): one preset (a global zone, then keys 0-59 on
// instrument 0 and 60-127 on instrument 1), each instrument one short looped sample.
Bytes miniFont() { return readFile(VASK_SOURCE_DIR "/fuzz/seeds/soundfont/split.sf2"); }

// The whole virtual file, read through the callbacks.
Bytes readThroughCallbacks(const char* name) {
  Bytes out;
  void* h = cutSoundfontOpen(name);
  if (!h) return out;
  cutSoundfontSeek(h, 0, SEEK_END);
  out.resize((size_t)cutSoundfontTell(h));
  cutSoundfontSeek(h, 0, SEEK_SET);
  if (cutSoundfontRead(out.data(), (fluid_long_long_t)out.size(), h) != FLUID_OK) out.clear();
  char past;
  EXPECT_EQ(cutSoundfontRead(&past, 1, h), FLUID_FAILED) << "a read past the end";
  cutSoundfontClose(h);
  return out;
}

size_t findId(const Bytes& b, const char* id) {
  for (size_t i = 0; i + 4 <= b.size(); i++)
    if (memcmp(b.data() + i, id, 4) == 0) return i;
  return b.size();
}
uint32_t sizeAt(const Bytes& b, size_t at) {
  return (uint32_t)b[at + 4] | (uint32_t)b[at + 5] << 8 | (uint32_t)b[at + 6] << 16 | (uint32_t)b[at + 7] << 24;
}

// The test songs (tests/songs/make_test_songs.py), each with what it needs as needs.txt
// writes it: "whole", or its presets as bank:program.
std::vector<std::pair<std::string, std::string>> testSongs() {
  std::vector<std::pair<std::string, std::string>> songs;
  const Bytes text = readFile(VASK_TEST_SONGS_DIR "/needs.txt");
  std::istringstream lines(std::string(text.begin(), text.end()));
  std::string line;
  while (std::getline(lines, line)) {
    const size_t space = line.find(' ');
    songs.push_back({line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
  }
  return songs;
}

// What the desktop's reader says the song needs, written as needs.txt writes it.
std::string songNeeds(const std::string& path) {
  MidiSongUse use;
  std::vector<MidiKeySet> keys(MIDI_PRESETS);
  if (!readMidiSongUse(path.c_str(), &use) || !midiSongPresetKeys(&use, keys.data())) return "whole";
  std::string needs;
  for (int p = 0; p < MIDI_PRESETS; p++)
    if (keys[p][0] | keys[p][1] | keys[p][2] | keys[p][3])
      needs += (needs.empty() ? "" : " ") + std::to_string(p / MIDI_PROGRAMS) + ":" + std::to_string(p % MIDI_PROGRAMS);
  return needs;
}

}  // namespace

// The songs the page's reader and the site's cut are tried on too: the desktop's reader finds
// what each needs, a song it can name the presets of sounds the same from the cut, and one
// with system-exclusive messages is served the whole font.
TEST_F(SoundfontCut, TheTestSongsNeedWhatTheyAreWrittenTo) {
  const auto songs = testSongs();
  ASSERT_FALSE(songs.empty()) << "no " VASK_TEST_SONGS_DIR "/needs.txt";
  for (const auto& [name, needs] : songs) {
    const std::string path = VASK_TEST_SONGS_DIR "/" + name;
    EXPECT_EQ(songNeeds(path), needs) << name;
    MidiSongUse use;
    if (needs == "whole" && readMidiSongUse(path.c_str(), &use)) {
      EXPECT_EQ(cutSoundfontForSong(WHOLE_FONT, &use), 0) << name;
    }
    if (needs != "whole" && !needs.empty()) expectSameSound(WHOLE_FONT, path.c_str());
  }
}

// The title song, and a song made to reach the edges: a program change in another track than
// the notes, a program changed mid-song, a bank and a drum kit the font lacks (FluidSynth
// falls back to bank 0 and to the standard kit), the lowest and highest keys. Each is
// rendered to its end: its notes all end, so FluidSynth's player stops.
TEST_F(SoundfontCut, SongsSoundTheSameFromTheCut) {
  expectSameSound(WHOLE_FONT, VASK_DATA_DIR "/vask.mid");
  Bytes programs = {0x00, 0xB0, 0x00, 0x03, 0x00, 0xC0, 25, 0x00, 0xC1, 48, 0x00, 0xC9, 7,
                    0x83, 0x60, 0xC1, 73};
  Bytes notes = {0x00, 0x90, 40, 100, 0x00, 0x91, 60, 90, 0x00, 0x99, 36, 100, 0x00, 0x92, 0, 80,
                 0x00, 0x92, 127, 80, 0x83, 0x60, 0x99, 42, 100, 0x00, 0x80, 40, 0, 0x00, 0x90, 64, 100,
                 0x83, 0x60, 0x91, 72, 90, 0x00, 0x99, 81, 100, 0x87, 0x40, 0x80, 64, 0,
                 0x00, 0x81, 60, 0, 0x00, 0x81, 72, 0, 0x00, 0x82, 0, 0, 0x00, 0x82, 127, 0};
  writeFile("edges.mid", midiFile({programs, notes}));
  expectSameSound(WHOLE_FONT, "edges.mid");
}

// Of the small font, a song playing key 70 keeps the preset's global zone (its first) and the
// zone of keys 60-127, and only the instrument that zone names.
TEST_F(SoundfontCut, OnlyTheZonesTheSongsKeysReachStay) {
  ASSERT_FALSE(miniFont().empty());
  writeFile("mini.sf2", miniFont());
  writeFile("high.mid", midiFile({Bytes{0x00, 0x90, 70, 100, 0x83, 0x60, 0x80, 70, 0}}));
  MidiSongUse use;
  ASSERT_EQ(readMidiSongUse("high.mid", &use), 1);
  ASSERT_EQ(cutSoundfontForSong("mini.sf2", &use), 1);
  Bytes cut = readThroughCallbacks("mini.sf2");
  ASSERT_EQ((long long)cut.size(), cutSoundfontSize());
  ASSERT_EQ(memcmp(cut.data(), "RIFF", 4), 0);
  EXPECT_EQ(sizeAt(cut, 0) + 8, cut.size()) << "the RIFF form's size";
  Bytes whole = readFile("mini.sf2");
  const size_t pdta = findId(whole, "pdta") - 8;
  EXPECT_EQ(memcmp(cut.data() + 8, whole.data() + 8, pdta - 8), 0) << "INFO and the samples stay as they are";
  const size_t pbag = findId(cut, "pbag"), inst = findId(cut, "inst"), igen = findId(cut, "igen");
  ASSERT_LT(igen, cut.size());
  EXPECT_EQ(sizeAt(cut, pbag), 3u * 4) << "the global zone, keys 60-127, the terminal bag";
  EXPECT_EQ(sizeAt(cut, inst), 2u * 22) << "one instrument and the terminal one";
  EXPECT_EQ(cut[igen + 8 + 2], 1) << "the instrument left plays sample 1";
  EXPECT_EQ(cut[findId(cut, "pgen") + 8 + 2 * 4 + 2], 0) << "the zone names the instrument's new number";

  Rendered fromWhole = render("mini.sf2", "high.mid", false), fromCut = render("mini.sf2", "high.mid", true);
  EXPECT_EQ(fromCut.presets, 1);
  ASSERT_FALSE(fromWhole.samples.empty());
  EXPECT_EQ(fromCut.samples, fromWhole.samples);
}

// Whatever is wrong with the font, it is served as it is and nothing outside it is read: the
// cut is refused for a song with system-exclusive messages, tables out of order, indices past
// their tables, a table part that is not the file's last, and files cut short. (The fuzz
// target tries random damage.)
TEST_F(SoundfontCut, AFontItCannotFollowIsServedAsItIs) {
  const Bytes good = miniFont();
  ASSERT_FALSE(good.empty());
  MidiSongUse use;
  writeFile("song.mid", midiFile({Bytes{0x00, 0x90, 70, 100, 0x00, 0x90, 20, 100}}));
  ASSERT_EQ(readMidiSongUse("song.mid", &use), 1);
  use.systemExclusive = 1;
  writeFile("font.sf2", good);
  EXPECT_EQ(cutSoundfontForSong("font.sf2", &use), 0) << "a song with system-exclusive messages";
  use.systemExclusive = 0;
  EXPECT_EQ(cutSoundfontForSong("font.sf2", &use), 1);

  const size_t pgen = findId(good, "pgen"), pbag = findId(good, "pbag"), igen = findId(good, "igen");
  std::vector<std::pair<const char*, Bytes>> bad;
  Bytes b = good;
  memcpy(b.data() + findId(b, "pmod"), "pgex", 4);
  bad.push_back({"a table missing", b});
  b = good;
  b[pbag + 8 + 3 * 4] = 9;  // the terminal bag's generators run past the table
  bad.push_back({"bags past the generators", b});
  b = good;
  b[pgen + 8 + 2 * 4 + 2] = 5;  // a zone names instrument 5 of 2
  bad.push_back({"an instrument past the table", b});
  b = good;
  b[igen + 8 + 2] = 7;  // a zone names sample 7 of 2
  bad.push_back({"a sample past the table", b});
  b = good;
  b.insert(b.end(), {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'x', 'x', 'x', 'x'});
  b[4] += 12;
  bad.push_back({"a list after the tables", b});
  bad.push_back({"cut short", Bytes(good.begin(), good.end() - 30)});
  bad.push_back({"cut in the header", Bytes(good.begin(), good.begin() + 10)});
  for (auto& [what, bytes] : bad) {
    writeFile("font.sf2", bytes);
    EXPECT_EQ(cutSoundfontForSong("font.sf2", &use), 0) << what;
    EXPECT_EQ(readThroughCallbacks("font.sf2"), bytes) << what << ": served as it is";
  }
}
