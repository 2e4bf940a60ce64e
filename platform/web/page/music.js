// The page's MIDI synthesiser: FluidSynth compiled to WebAssembly (js-synthesizer), rendering
// in an audio worklet, off the page's main thread. The game hands it the song's bytes, read
// from its working directory, and it plays them live, so any song put in place of vask.mid
// plays. The site's soundfont is cut down to the presets vask.mid may sound with
// (tools/cut_soundfont.py); a song that may pick any other preset, or that this page cannot
// read through, gets the full General MIDI soundfont, fetched only then. The music has its
// audio context to itself: it is suspended while no song plays (and while the page holds its
// sound), so the synthesiser costs nothing during a match.
'use strict';

const CUT_SOUNDFONT = 'vask.sf2';
const FULL_SOUNDFONT = 'TimGM6mb.sf2';
const DRUM_CHANNEL = 9;
const DRUM_BANK = 128;

// What a standard MIDI file needs of the soundfont: the [bank, program] pairs its notes may
// sound with, sorted, or null for the whole soundfont. A channel that plays notes may sound
// with any pairing of the programs and the banks it selects (controller 0, as FluidSynth's
// default "gs" style reads it), whichever track sends them and in whatever order, and of
// program 0 and the bank it starts on: bank 0, or the drum kits' bank on channel 10, where
// bank select does nothing. Those pairings hold the presets FluidSynth falls back on too.
// The whole soundfont for a file that cannot be read through, and for one with
// system-exclusive messages: FluidSynth acts on GS resets and drum-part changes.
// tools/cut_soundfont.py and the desktop's midi_song_use.cpp read songs alike.
function midiSongNeeds(song) {
  const fail = () => { throw new Error('the song needs the whole soundfont'); };
  const text = (i) => String.fromCharCode(song[i], song[i + 1], song[i + 2], song[i + 3]);
  const u32 = (i) => ((song[i] << 24) | (song[i + 1] << 16) | (song[i + 2] << 8) | song[i + 3]) >>> 0;
  const notes = new Set();
  const programs = Array.from({ length: 16 }, () => new Set());
  const banks = Array.from({ length: 16 }, () => new Set());
  const varLen = (at, end) => {
    let value = 0;
    for (let k = 0; k < 4 && at.i < end; k++) {
      const byte = song[at.i++];
      value = value * 128 + (byte & 0x7f);
      if (!(byte & 0x80)) return value;
    }
    return fail();
  };
  const readTrack = (at, end) => {
    let status = 0;
    while (at.i < end) {
      varLen(at, end);  // the delta time
      if (at.i >= end) fail();
      if (song[at.i] & 0x80) status = song[at.i++];
      let length;
      if (status === 0xff) {  // a meta event: its type, then its length
        if (++at.i > end) fail();
        length = varLen(at, end);
      } else if (status === 0xf0 || status === 0xf7) {
        fail();
      } else if (status >= 0x80 && status < 0xf0) {
        const channel = status & 0x0f, command = status & 0xf0;
        length = command === 0xc0 || command === 0xd0 ? 1 : 2;
        if (at.i + length > end) fail();
        const a = song[at.i], b = length === 2 ? song[at.i + 1] : 0;
        if ((a | b) & 0x80) fail();
        if (command === 0x90 && b > 0) notes.add(channel);
        else if (command === 0xc0) programs[channel].add(a);
        else if (command === 0xb0 && a === 0) banks[channel].add(b);
      } else {
        fail();  // a system message, or data without a status
      }
      if (length > end - at.i) fail();
      at.i += length;
    }
  };
  try {
    if (song.length < 14 || text(0) !== 'MThd') fail();
    let pos = 8 + u32(4);
    if (pos > song.length) fail();
    while (pos < song.length) {
      if (song.length - pos < 8) fail();
      const end = pos + 8 + u32(pos + 4);
      if (end > song.length) fail();
      if (text(pos) === 'MTrk') readTrack({ i: pos + 8 }, end);
      pos = end;
    }
  } catch (e) {
    return null;
  }
  const needs = new Set();
  for (const channel of notes) {
    const bankList = channel === DRUM_CHANNEL ? [DRUM_BANK] : [0, ...banks[channel]];
    for (const bank of bankList) {
      for (const program of [0, ...programs[channel]]) needs.add(bank * 128 + program);
    }
  }
  return [...needs].sort((x, y) => x - y).map((p) => [Math.floor(p / 128), p % 128]);
}

class PageMusic {
  constructor(audio) {
    this.audio = audio;
    this.song = null;
    this.generation = 0;  // a stop or a newer play cancels a play still waiting for a soundfont
    this.synth = null;
    this.fonts = new Map();  // soundfont file -> its load, once asked for
    this.playing = false;    // a song is asked for and not yet over
    this.quiet = false;      // the page holds its sound still (hidden, muted, no game)
    // The synthesiser is set up once the title is on the screen: its scripts and its
    // WebAssembly would otherwise compete with the game's own start.
    this.ready = new Promise((resolve) => { this.begin = resolve; }).then(() => this.start());
    // The browser starts a new context on its own, and on a busy machine that start may end
    // after a suspend asked for meanwhile, leaving it running: it is put back as wanted.
    audio.addEventListener('statechange', () => {
      if (audio.state !== 'closed' && (audio.state === 'running') !== this.sounding()) this.applyState();
    });
  }

  sounding() { return this.playing && !this.quiet; }

  // Two animation frames on: the frame being made when the song was asked for is shown.
  beginAfterFrame() {
    const begin = this.begin;
    requestAnimationFrame(() => requestAnimationFrame(begin));
  }

  async start() {
    const worklet = this.audio.audioWorklet;
    // The presets a song may need for the cut soundfont to serve it; without the list every
    // song gets the full soundfont.
    this.cutPresets = fetch('soundfont-presets.json')
      .then((r) => (r.ok ? r.json() : null))
      .then((list) => new Set(list.presets.map(([bank, program]) => bank * 128 + program)))
      .catch(() => null);
    await worklet.addModule('libfluidsynth-2.3.0.js');
    await worklet.addModule('js-synthesizer.worklet.min.js');
    await worklet.addModule('music_worklet.js');
    const synth = new JSSynth.AudioWorkletNodeSynthesizer();
    synth.init(this.audio.sampleRate);
    this.node = synth.createAudioNode(this.audio, { initialGain: 0.5 });  // the desktop's gain
    this.node.connect(this.audio.destination);
    this.synth = synth;
  }

  // The soundfont the song needs: the cut one when it serves every preset the song may
  // sound with.
  async fontFor(song) {
    const cut = await this.cutPresets;
    const needs = midiSongNeeds(song);
    const fits = cut && needs && needs.every(([bank, program]) => cut.has(bank * 128 + program));
    return fits ? CUT_SOUNDFONT : FULL_SOUNDFONT;
  }

  // A cut soundfont missing or unreadable leaves the song to the full one.
  async loadFontFor(song) {
    const name = await this.fontFor(song);
    try {
      await this.loadFont(name);
    } catch (e) {
      if (name === FULL_SOUNDFONT) throw e;
      await this.loadFont(FULL_SOUNDFONT);
    }
  }

  loadFont(name) {
    if (!this.fonts.has(name)) {
      this.fonts.set(name, (async () => {
        const response = await fetch(name);
        if (!response.ok) throw new Error('no soundfont ' + name);
        const bytes = await response.arrayBuffer();
        await this.synth.callFunction('vaskLoadSoundfont', { name, bytes });
      })());
      this.fonts.get(name).catch(() => this.fonts.delete(name));  // a later song tries again
    }
    return this.fonts.get(name);
  }

  load(bytes) { this.song = bytes; }

  play() {
    const generation = ++this.generation;
    const song = this.song;
    if (!song) return;
    this.playing = true;
    this.applyState();
    this.beginAfterFrame();
    this.ready.then(async () => {
      await this.loadFontFor(song);
      if (generation !== this.generation) return;
      await this.synth.resetPlayer();
      await this.synth.addSMFDataToPlayer(song.slice().buffer);
      if (generation !== this.generation) return;
      await this.synth.playPlayer();
      // A song that ends on its own lets the synthesiser rest as well.
      await this.synth.waitForPlayerStopped();
      await this.synth.waitForVoicesStopped();
      if (generation === this.generation) this.rest();
    }).catch((e) => console.error('music: ' + e));
  }

  stop() {
    ++this.generation;
    this.song = null;
    if (this.synth) {
      this.synth.stopPlayer();
      this.synth.midiAllSoundsOff();
    }
    this.rest();
  }

  rest() {
    this.playing = false;
    this.applyState();
  }

  // The page's hold on its sound: hidden, muted or between games.
  hold(quiet) {
    this.quiet = quiet;
    this.applyState();
  }

  // The audio context runs only while a song plays and the page lets it sound.
  applyState() {
    if (this.audio.state === 'closed') return;
    (this.sounding() ? this.audio.resume() : this.audio.suspend()).catch(() => {});
  }
}
