// The page's worklet script (music_worklet.js) run as the audio worklet runs it, in a context
// of its own, against a stand-in for FluidSynth's program. In the browser that program may
// still be compiling when the script runs, with no table of functions yet: the script must
// still offer its soundfont loader, and the loader must work once the program is there.
//   node page_music_worklet.cjs MUSIC_WORKLET_JS
'use strict';
const fs = require('fs');
const vm = require('vm');

const [workletJs] = process.argv.slice(2);
const failures = [];

// FluidSynth's program as emscripten hands it out: until it has been instantiated, adding a
// function to its table throws, as the real one does (its table is undefined).
let table = null;
const heap = new Uint8Array(4096);
const settingsSet = [];
let loaderCallbacks = null;
const program = {
  HEAPU8: heap,
  cwrap(name) {
    if (!table) throw new TypeError('the program is not instantiated yet');
    if (name === 'fluid_settings_setint') return (settings, key, value) => { settingsSet.push(`${key}=${value}`); return 0; };
    if (name === 'fluid_synth_sfload') return sfload;
    throw new Error('no ' + name);
  },
  _fluid_synth_get_settings: () => 77,
  _new_fluid_defsfloader: () => 88,
  _fluid_sfloader_set_callbacks: (loader, open, read, seek, tell, close) => {
    loaderCallbacks = { open, read, seek, tell, close };
  },
  _fluid_synth_add_sfloader: () => {},
  _fluid_set_log_function: () => 0,
};
function addFunction(fn) {
  if (!table) throw new TypeError("Cannot read properties of undefined (reading 'length')");
  table.push(fn);
  return table.length - 1;
}
// What FluidSynth does with a soundfont's name: opens it through the loader's callbacks and
// reads its first four bytes, which must be the RIFF tag.
function sfload(raw, name) {
  if (!loaderCallbacks) return -1;
  heap.set(Buffer.from(name + '\0', 'latin1'), 0);
  const handle = table[loaderCallbacks.open](0);
  if (!handle) return -1;
  if (table[loaderCallbacks.read](1000, 4, handle) !== 0) return -1;
  const tag = Buffer.from(heap.subarray(1000, 1004)).toString('latin1');
  table[loaderCallbacks.close](handle);
  return tag === 'RIFF' ? 1 : -1;
}

const scope = { wasmModule: program, wasmAddFunction: addFunction };
const worklet = vm.createContext({ AudioWorkletGlobalScope: scope, BigInt });
try {
  vm.runInContext(fs.readFileSync(workletJs, 'utf8'), worklet, { filename: workletJs });
} catch (e) {
  failures.push(`the script failed while FluidSynth was still compiling: ${e}`);
}
if (typeof scope.vaskLoadSoundfont !== 'function') {
  failures.push('the script offers no soundfont loader (callFunction would answer "Name not found")');
} else {
  table = [null];  // the program is instantiated: index 0 is no function
  const synth = { getRawSynthesizer: () => 55 };
  const font = { name: 'font.sf2', bytes: new Uint8Array([...Buffer.from('RIFF'), 0, 0, 0, 0]).buffer };
  try {
    scope.vaskLoadSoundfont(synth, font);
  } catch (e) {
    failures.push(`loading a soundfont once the program is there: ${e}`);
  }
  if (!settingsSet.includes('synth.dynamic-sample-loading=1'))
    failures.push(`the synthesiser was not set to load samples when needed: ${settingsSet.join(', ')}`);
}

if (failures.length) {
  console.error(failures.join('\n'));
  process.exit(1);
}
console.log('music_worklet.js: loader offered before FluidSynth was ready, and loads once it is');
