// Runs in the audio worklet beside FluidSynth (libfluidsynth and js-synthesizer's worklet
// script): loads a soundfont into the worklet's synthesiser from the bytes the page hands
// over. FluidSynth reads them through file callbacks of ours, straight from those bytes
// rather than from a copy in its in-memory file system, and loads a preset's samples only
// when a channel picks it: of the full soundfont, the few a song plays.
'use strict';

(function () {
  // FluidSynth's program may still be compiling when this script runs (its table of
  // functions is not there yet), so nothing here touches it before the first soundfont:
  // by then the synthesiser exists, and so does the program.
  const fluid = AudioWorkletGlobalScope.wasmModule;
  const FLUID_OK = 0, FLUID_FAILED = -1;
  const FLUID_WARN = 2;
  const SEEK_SET = 0, SEEK_CUR = 1, SEEK_END = 2;
  const fonts = new Map();  // name -> bytes, kept while the font is loaded: samples come later
  const files = new Map();  // handle -> { bytes, at }
  let nextHandle = 1;       // 0 is FluidSynth's "no file"
  const synthsWithLoader = new Set();

  function makeCallbacks() {
    const addFunction = fluid.addFunction || AudioWorkletGlobalScope.wasmAddFunction;
    return {
      open: addFunction((namePointer) => {
        const heap = fluid.HEAPU8;
        const name = String.fromCharCode(...heap.subarray(namePointer, heap.indexOf(0, namePointer)));
        const bytes = fonts.get(name);
        if (!bytes) return 0;
        const handle = nextHandle++;
        files.set(handle, { bytes, at: 0 });
        return handle;
      }, 'ii'),
      read: addFunction((buffer, count, handle) => {
        const file = files.get(handle);
        const n = Number(count);
        if (!file || n < 0 || file.at + n > file.bytes.length) return FLUID_FAILED;
        fluid.HEAPU8.set(file.bytes.subarray(file.at, file.at + n), buffer);
        file.at += n;
        return FLUID_OK;
      }, 'iiji'),
      seek: addFunction((handle, offset, origin) => {
        const file = files.get(handle);
        if (!file) return FLUID_FAILED;
        const base = origin === SEEK_SET ? 0 : origin === SEEK_CUR ? file.at : origin === SEEK_END ? file.bytes.length : NaN;
        const at = base + Number(offset);
        if (!(at >= 0 && at <= file.bytes.length)) return FLUID_FAILED;
        file.at = at;
        return FLUID_OK;
      }, 'iiji'),
      tell: addFunction((handle) => {
        const file = files.get(handle);
        return BigInt(file ? file.at : -1);
      }, 'ji'),
      close: addFunction((handle) => (files.delete(handle) ? FLUID_OK : FLUID_FAILED), 'ii'),
    };
  }

  let calls = null;  // the callbacks and the wrapped calls, made at the first soundfont
  function fluidCalls() {
    if (!calls) {
      calls = {
        callbacks: makeCallbacks(),
        setInt: fluid.cwrap('fluid_settings_setint', 'number', ['number', 'string', 'number']),
        loadFont: fluid.cwrap('fluid_synth_sfload', 'number', ['number', 'string', 'number']),
      };
    }
    return calls;
  }

  // FluidSynth takes loaders only before its first soundfont.
  function addLoader(raw) {
    if (synthsWithLoader.has(raw)) return;
    const { callbacks, setInt } = fluidCalls();
    const settings = fluid._fluid_synth_get_settings(raw);
    setInt(settings, 'synth.dynamic-sample-loading', 1);
    const loader = fluid._new_fluid_defsfloader(settings);
    if (!loader) throw new Error('no soundfont loader');
    fluid._fluid_sfloader_set_callbacks(loader, callbacks.open, callbacks.read, callbacks.seek,
                                        callbacks.tell, callbacks.close);
    fluid._fluid_synth_add_sfloader(raw, loader);
    synthsWithLoader.add(raw);
  }

  // Called through the synthesiser's callFunction with { name, bytes }. A font loaded later
  // sits above the earlier ones, so the full one, once loaded, answers every preset.
  AudioWorkletGlobalScope.vaskLoadSoundfont = (synth, font) => {
    const raw = synth.getRawSynthesizer();
    addLoader(raw);
    fonts.set(font.name, new Uint8Array(font.bytes));
    // The cut soundfont holds only the song's presets: the channels the song leaves alone
    // find none for their default program when the load resets them, which is no fault.
    const warn = fluid._fluid_set_log_function(FLUID_WARN, 0, 0);
    const id = fluidCalls().loadFont(raw, font.name, 1);
    fluid._fluid_set_log_function(FLUID_WARN, warn, 0);
    if (id === FLUID_FAILED) {
      fonts.delete(font.name);
      throw new Error('FluidSynth could not read the soundfont ' + font.name);
    }
  };
})();
