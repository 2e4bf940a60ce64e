// The page's MIDI synthesiser: FluidSynth compiled to WebAssembly (js-synthesizer) with a
// complete General MIDI soundfont. The game hands it the song's bytes, read from its
// working directory, and it plays them live, so any song put in place of vask.mid plays.
'use strict';

class PageMusic {
  constructor(audio) {
    this.audio = audio;
    this.song = null;
    this.generation = 0;  // a stop or a newer play cancels a play still waiting for the soundfont
    this.synth = null;
    this.ready = this.start();
  }

  async start() {
    await JSSynth.waitForReady();
    const synth = new JSSynth.Synthesizer();
    synth.init(this.audio.sampleRate, { initialGain: 0.5 });  // the desktop's synthesiser gain
    this.node = synth.createAudioNode(this.audio, 8192);
    this.node.connect(this.audio.destination);
    const response = await fetch('TimGM6mb.sf2');
    if (!response.ok) throw new Error('no soundfont');
    await synth.loadSFont(await response.arrayBuffer());
    this.synth = synth;
  }

  load(bytes) { this.song = bytes; }

  play() {
    const generation = ++this.generation;
    const song = this.song;
    this.ready.then(async () => {
      if (generation !== this.generation || !song) return;
      await this.synth.resetPlayer();
      await this.synth.addSMFDataToPlayer(song.slice().buffer);
      if (generation !== this.generation) return;
      await this.synth.playPlayer();
    }).catch((e) => console.error('music: ' + e));
  }

  stop() {
    ++this.generation;
    this.song = null;
    if (!this.synth) return;
    this.synth.stopPlayer();
    this.synth.midiAllSoundsOff();
  }
}
