// The page around the game: the start overlay (its click lets the page make sound), the
// data files put into the game's working directory, the message box as a page dialog, and
// the end of the game with an offer to start again. Each start is a fresh instance of the
// game on a fresh canvas, as each start of the desktop program is a fresh process.
'use strict';

(function () {
  const body = document.body;
  const startButton = document.getElementById('start');
  const overlayText = document.getElementById('overlay-text');
  const box = document.getElementById('box');
  let audio = null;
  let music = null;
  let gameAudio = [];  // the running game's own audio contexts: its sound slots'
  // The game reads them once a frame as a gamepad of the page's own.
  const touch = VaskTouchControls.create(document.getElementById('stage'));

  // A page may hold only a few audio contexts: those of a game that has ended go with it,
  // as a desktop program's sound goes with its process.
  function closeGameAudio() {
    for (const context of gameAudio) if (context.state !== 'closed') context.close();
    gameAudio = [];
  }

  function setState(state) { body.dataset.state = state; }

  // The data files, fetched afresh at every start: a file replaced in the site's folder is
  // the file the game reads; a file missing there is missing for the game.
  async function fetchDataFiles() {
    const names = await (await fetch('data-files.json', { cache: 'no-cache' })).json();
    const files = await Promise.all(names.map(async (name) => {
      const response = await fetch(name, { cache: 'no-cache' });
      return response.ok ? [name, new Uint8Array(await response.arrayBuffer())] : null;
    }));
    return files.filter((f) => f);
  }

  const page = {
    // The canvas takes the keyboard's focus once it shows: a hidden element cannot.
    showGame() {
      setState('running');
      const canvas = document.getElementById('vask-canvas');
      if (canvas) canvas.focus();
    },

    messageBox(caption, text) {
      document.getElementById('box-caption').textContent = caption;
      document.getElementById('box-text').textContent = text;
      const before = body.dataset.state;
      setState('box');
      return new Promise((resolve) => {
        box.addEventListener('close', () => { setState(before); resolve(); }, { once: true });
        box.showModal();
        document.getElementById('box-ok').focus();
      });
    },

    audioOpened(context) { gameAudio.push(context); },

    touch: touch,
    // The game has had its first key: the title is gone, and with it Play and Attract.
    gameKeyDown() { touch.leaveTitle(); },

    gameEnded(exitCode) {
      if (music) music.stop();
      closeGameAudio();
      overlayText.textContent = 'The game has ended.';
      startButton.textContent = 'Start again';
      body.dataset.exitCode = String(exitCode);
      setState('ended');
      startButton.focus();
    },
  };

  async function start() {
    setState('loading');
    startButton.blur();
    // Sound may start only from the player's gesture: this click.
    if (!audio) {
      audio = new AudioContext();
      if (typeof JSSynth !== 'undefined') {
        music = new PageMusic(audio);
        music.ready.catch((e) => { console.error('music: ' + e); music = null; page.music = null; });
      }
    }
    await audio.resume();
    page.music = music;
    touch.reset();
    const screen = document.getElementById('screen');
    screen.replaceChildren();
    const canvas = document.createElement('canvas');
    canvas.id = 'vask-canvas';
    canvas.width = 640;
    canvas.height = 480;
    canvas.tabIndex = 0;
    screen.appendChild(canvas);
    const files = await fetchDataFiles();
    const game = await createVask({ canvas: canvas, vaskPage: page });
    for (const [name, bytes] of files) game.FS.writeFile(name, bytes);
    game.callMain([]);
  }

  startButton.addEventListener('click', () => {
    start().catch((e) => {
      overlayText.textContent = 'The game could not start: ' + e;
      setState('failed');
    });
  });
})();
