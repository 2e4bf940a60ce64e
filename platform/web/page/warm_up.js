// The warm-up before the start click. What needs no gesture of the player's is fetched while
// the page loads and its overlay waits for the click: the data files, and the program,
// compiled as it downloads, so that the click only instantiates the program and starts it.
// index.html runs this script as soon as it has arrived, ahead of the page's other scripts;
// page.js takes the data files it fetched for the first start, and the compiled program for
// every start.
'use strict';

window.VaskWarmUp = (function () {
  // vask.js and vask.wasm carry their content's hash in their names: index.html names both.
  const tag = document.querySelector('script[data-wasm]');
  const wasmName = tag ? tag.dataset.wasm : 'vask.wasm';

  // The data files: a file replaced in the site's folder is the file the game reads; a file
  // missing there is missing for the game.
  async function fetchDataFiles() {
    const names = await (await fetch('data-files.json', { cache: 'no-cache' })).json();
    const files = await Promise.all(names.map(async (name) => {
      const response = await fetch(name, { cache: 'no-cache' });
      return response.ok ? [name, new Uint8Array(await response.arrayBuffer())] : null;
    }));
    return files.filter((f) => f);
  }

  // The program's module, compiled once: every start instantiates it afresh. One that failed
  // to load or compile is forgotten, to be fetched again.
  let compiled = null;
  function compileProgram() {
    if (!compiled) {
      compiled = (async () => {
        const response = await fetch(wasmName, { credentials: 'same-origin' });
        if (!response.ok) throw new Error(`the program ${wasmName} did not load (HTTP ${response.status})`);
        // Only what is served as WebAssembly compiles while it downloads.
        const type = (response.headers.get('Content-Type') || '').split(';')[0].trim();
        if (type === 'application/wasm' && WebAssembly.compileStreaming) return WebAssembly.compileStreaming(response);
        return WebAssembly.compile(await response.arrayBuffer());
      })();
      compiled.catch(() => { compiled = null; });
    }
    return compiled;
  }

  // Opened as a file, the page can fetch nothing: page.js says how to serve it instead.
  let firstFiles = null;
  if (location.protocol !== 'file:') {
    firstFiles = fetchDataFiles();
    firstFiles.catch(() => {});  // met at the click
    compileProgram().catch(() => {});
  }

  return {
    // A start's data files: the warm-up's for the first start, fetched afresh for every
    // later one (the player may have changed them meanwhile). What the warm-up failed to
    // fetch, the click fetches again.
    dataFiles() {
      const files = firstFiles ? firstFiles.catch(fetchDataFiles) : fetchDataFiles();
      firstFiles = null;
      return files;
    },
    // The compiled program, fetched again if the warm-up's failed.
    program() { return compileProgram().catch(compileProgram); },
  };
})();
