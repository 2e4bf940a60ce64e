// The page's MIDI synthesiser: FluidSynth compiled to WebAssembly (js-synthesizer), rendering
// in an audio worklet, off the page's main thread. The game hands it the song's bytes, read
// from its working directory, and it plays them live, so any song put in place of vask.mid
// plays. The site's soundfont is cut down to the presets vask.mid plays
// (tools/cut_soundfont.py); a song that picks any other preset gets the full General MIDI
// soundfont, fetched only then. The music has its audio context to itself: it is suspended
// while no song plays (and while the page holds its sound), so the synthesiser costs
// nothing during a match.
'use strict';

const CUT_SOUNDFONT = 'vask.sf2';
const FULL_SOUNDFONT = 'TimGM6mb.sf2';
const DRUM_CHANNEL = 9;
const DRUM_BANK = 128;

// The [bank, program] pairs a standard MIDI file plays notes with: program changes, bank
// select (controller 0, as FluidSynth's default "gs" style reads it), program 0 before any
// change, and the drum kit on channel 10. Null when the file cannot be read.
function midiPresetsUsed(song) {
  const text = (i) => String.fromCharCode(song[i], song[i + 1], song[i + 2], song[i + 3]);
  const u32 = (i) => ((song[i] << 24) | (song[i + 1] << 16) | (song[i + 2] << 8) | song[i + 3]) >>> 0;
  if (song.length < 14 || text(0) !== 'MThd') return null;
  const bank = Array.from({ length: 16 }, (_, c) => (c === DRUM_CHANNEL ? DRUM_BANK : 0));
  const program = new Array(16).fill(0);
  const used = new Set();
  const varLen = (at) => {
    let value = 0;
    for (let k = 0; k < 4; k++) {
      if (at.i >= song.length) throw new Error('truncated');
      const byte = song[at.i++];
      value = value * 128 + (byte & 0x7f);
      if (!(byte & 0x80)) return value;
    }
    throw new Error('length too long');
  };
  try {
    let pos = 8 + u32(4);
    while (pos + 8 <= song.length) {
      const kind = text(pos), length = u32(pos + 4);
      const end = Math.min(pos + 8 + length, song.length);
      const at = { i: pos + 8 };
      pos += 8 + length;
      if (kind !== 'MTrk') continue;
      let status = 0;
      while (at.i < end) {
        varLen(at);
        if (at.i >= end) break;
        if (song[at.i] & 0x80) status = song[at.i++];
        if (status === 0xff) { at.i++; at.i += varLen(at); continue; }
        if (status === 0xf0 || status === 0xf7) { at.i += varLen(at); continue; }
        if (status < 0x80) throw new Error('data byte without a status');
        const channel = status & 0x0f, command = status & 0xf0;
        const size = command === 0xc0 || command === 0xd0 ? 1 : 2;
        if (at.i + size > end) break;
        const a = song[at.i], b = song[at.i + 1];
        at.i += size;
        if (command === 0xc0) program[channel] = a;
        else if (command === 0xb0 && a === 0 && channel !== DRUM_CHANNEL) bank[channel] = b;
        else if (command === 0x90 && b > 0) used.add(bank[channel] * 128 + program[channel]);
      }
    }
  } catch (e) {
    return null;
  }
  return [...used].map((p) => [Math.floor(p / 128), p % 128]);
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
    // The cut soundfont's list of presets; without it every song gets the full soundfont.
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

  // The soundfont the song needs: the cut one when it holds every preset the song plays.
  async fontFor(song) {
    const cut = await this.cutPresets;
    const used = midiPresetsUsed(song);
    const fits = cut && used && used.every(([bank, program]) => cut.has(bank * 128 + program));
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
