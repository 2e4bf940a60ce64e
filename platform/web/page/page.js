// The page around the game: the start overlay (its click lets the page make sound) and its
// progress, the data files put into the game's working directory, the message box as a page
// dialog, and the end of the game, however it comes, with an offer to start again. Each
// start is a fresh instance of the game on a fresh canvas, as each start of the desktop
// program is a fresh process.
'use strict';

(function () {
  const body = document.body;
  const startButton = document.getElementById('start');
  const overlayText = document.getElementById('overlay-text');
  // What the overlay says is also read out, from a live region that never hides with it.
  const say = (text) => {
    overlayText.textContent = text;
    document.getElementById('announce').textContent = text;
  };
  // A line at the foot of the stage, over the game too, for what the player should know
  // about the page's own limits: each is said once, and goes once the game has had a key
  // (or, for held sound, once the sound comes).
  const noticeLine = document.getElementById('notice');
  const notices = new Map();
  function notice(kind, text) {
    if (text) notices.set(kind, text);
    else notices.delete(kind);
    noticeLine.textContent = [...notices.values()].join(' ');
    noticeLine.hidden = !notices.size;
  }
  const box = document.getElementById('box');
  let audio = null;
  let audioAsked = false;  // the page's audio context is made at the first start, or found missing
  let soundHeld = false;   // the start asked for the page's sound, which has not come yet
  let music = null;
  let gameAudio = [];  // the running game's own audio contexts: its sound slots'
  let current = null;  // the running game: its module and canvas
  let starting = false;
  let endMessage = null;  // what the page says at the end instead of the exit code
  let reloadToStart = false;  // the program's script is missing: Start reloads the page
  let lastBox = null;  // what the running game's last message box said
  // The game reads them once a frame as a gamepad of the page's own.
  const touch = VaskTouchControls.create(document.getElementById('stage'));

  const NO_WEBGL = 'This browser cannot draw the game: WebGL is off or missing.';
  const CONTEXT_LOST = "The browser took the game's picture away (its WebGL context was lost). Start again to play on.";
  const NO_PROGRAM = "The game's program did not load (the network may have failed). Reload the page to try again.";
  const SILENT = 'This browser gives the page no sound (Web Audio is off or missing): the game plays silent.';
  const SOUND_HELD = 'The system holds the sound (a call or an alarm, say): the game plays silent until it lets go.';
  const INSECURE = 'Served over plain http from another machine, the page gets no music, gamepads, screen wake lock ' +
    'or offline copy: browsers give those only to https addresses and to this machine\'s own (127.0.0.1, localhost).';
  const UNSERVED = 'Opened as a file, this page cannot load the game: browsers load it only from a web server. ' +
    'Serve this folder with any static web server (for example, run "python3 -m http.server" in it and open ' +
    'http://localhost:8000/), or run "./play.sh --web" in the game\'s source folder. README.txt says more.';

  // A page may hold only a few audio contexts: those of a game that has ended go with it,
  // as a desktop program's sound goes with its process.
  function closeGameAudio() {
    for (const context of gameAudio) if (context.state !== 'closed') context.close();
    gameAudio = [];
  }

  function setState(state) { body.dataset.state = state; }

  // --- sound while hidden or muted -------------------------------------------------------
  // Every audio context the page made or was told of is held still while the page is hidden
  // (the match is frozen then too) or the player has muted it, and goes on after. With no
  // game, nothing plays: the page's own waits for the next start.
  const muteButton = document.getElementById('mute');
  const quiet = () => document.visibilityState === 'hidden' || muteButton.getAttribute('aria-pressed') === 'true' ||
    (!current && !starting);
  function holdSound(context) {
    if (!context || context.state === 'closed') return;
    (quiet() ? context.suspend() : context.resume()).catch(() => {});
  }
  // The browser starts a new context on its own, and on a busy machine that start may end
  // after a suspend asked for meanwhile: a context that comes up running while the page
  // holds its sound is held again.
  function keepHeld(context, held) {
    context.addEventListener('statechange', () => { if (context.state === 'running' && held()) context.suspend().catch(() => {}); });
  }
  function applySound() {
    // The song's context also rests while no song plays: the music runs it only then.
    if (music) music.hold(quiet());
    else holdSound(audio);
    gameAudio.forEach(holdSound);
  }
  document.addEventListener('visibilitychange', applySound);
  // The button never takes the keyboard's focus from the game, as the full-screen one.
  muteButton.addEventListener('mousedown', (e) => e.preventDefault());
  muteButton.addEventListener('click', () => {
    const muted = muteButton.getAttribute('aria-pressed') !== 'true';
    muteButton.setAttribute('aria-pressed', String(muted));
    muteButton.title = muted ? 'Sound on' : 'Mute';
    muteButton.setAttribute('aria-label', muteButton.title);
    applySound();
    if (current && body.dataset.state === 'running') current.canvas.focus();
  });

  const page = {
    // The canvas takes the keyboard's focus once it shows: a hidden element cannot.
    showGame() {
      setState('running');
      if (soundHeld) notice('held', SOUND_HELD);
      const canvas = document.getElementById('vask-canvas');
      if (canvas) canvas.focus();
    },

    messageBox(caption, text) {
      lastBox = text;
      document.getElementById('box-caption').textContent = caption;
      document.getElementById('box-text').textContent = text;
      const before = body.dataset.state;
      setState('box');
      return new Promise((resolve) => {
        box.addEventListener('close', () => {
          if (body.dataset.state === 'box') setState(before);  // not when the game has ended meanwhile
          resolve();
        }, { once: true });
        box.showModal();
        document.getElementById('box-ok').focus();
      });
    },

    audioOpened(context) {
      // The game's OpenAL resumes its context on the next key, click or touch and leaves that
      // resume unwatched: a game that ends before it completes closes the context, which
      // fails the resume, and that is no fault.
      const resume = context.resume;
      context.resume = function () {
        const pending = resume.call(this);
        pending.catch(() => {});
        return pending;
      };
      gameAudio.push(context);
      keepHeld(context, quiet);
      holdSound(context);
    },

    touch: touch,
    // The game has had its first key: the title is gone, and with it Play and Attract.
    gameKeyDown() {
      touch.leaveTitle();
      for (const kind of ['insecure', 'silent', 'room', 'relay', 'record']) notice(kind, null);
    },

    // The game cannot draw: it ends, and the page says why rather than give its exit code.
    cannotDraw() { endMessage = NO_WEBGL; },

    // Told once for every way the game ends: its return or exit (the code), an abort or a
    // trap (the first line of the reason).
    gameEnded(exitCode, reason) {
      if (music) music.stop();
      closeGameAudio();
      current = null;
      const session = friends.ended();
      applySound();
      if (box.open) box.close();
      let text = 'The game has ended.';
      if (endMessage) text = endMessage;
      else if (reason) text = 'The game stopped: ' + reason;
      // A record it could not play: what its box said stays said.
      else if (exitCode && session && session.kind === 'replay' && lastBox) text = lastBox;
      else if (exitCode) text = `The game has ended (exit code ${exitCode}).`;
      endMessage = null;
      say(text);
      startButton.textContent = friends.joining ? 'Join the room again' : 'Start again';
      for (const button of startButtons()) button.disabled = false;
      body.dataset.exitCode = String(exitCode);
      setState('ended');
      startButton.focus();
    },
  };

  // --- faults ----------------------------------------------------------------------------
  // Only what comes out of the game ends it: an error whose stack passed through the
  // program's script (a trap, or a throw in what the program called), or that its script
  // threw itself. Another script's error is none of the game's business: a browser
  // extension's, say, which from another origin comes as "Script error." with no error at all.
  const programTag = document.querySelector('script[data-wasm]');
  const programFiles = programTag ? [programTag.src, new URL(programTag.dataset.wasm, location.href).href] : [];
  function fromTheGame(error, file) {
    if (error && error.name === 'ExitStatus') return true;
    const where = `${file || ''}\n${error && typeof error.stack === 'string' ? error.stack : ''}`;
    return programFiles.some((f) => where.includes(f));
  }
  function stopGame(reason) {
    if (current.game.vaskStop) current.game.vaskStop(reason);
    else page.gameEnded(1, reason);
  }
  // Its own exit travels as an ExitStatus the program has already reported; an abort tells
  // the page first (the program's onAbort), then unwinds the program with an error: the game
  // either ended is gone already.
  function gameFault(error, file) {
    if (!fromTheGame(error, file)) return false;
    if (error && error.name === 'ExitStatus') return true;
    if (!current) return error instanceof WebAssembly.RuntimeError && /^Aborted\(/.test(error.message);
    stopGame(String(error && error.message !== undefined ? `${error.name || 'Error'}: ${error.message}` : error).split('\n')[0]);
    return true;
  }
  window.addEventListener('error', (e) => { if (gameFault(e.error, e.filename)) e.preventDefault(); });
  window.addEventListener('unhandledrejection', (e) => { if (gameFault(e.reason, null)) e.preventDefault(); });

  // A lost WebGL context leaves nothing to draw on: the game stops and can start again.
  function watchContextLoss(canvas) {
    canvas.addEventListener('webglcontextlost', () => {
      if (!current || current.canvas !== canvas) return;
      endMessage = CONTEXT_LOST;
      stopGame('the WebGL context was lost');
    });
  }

  // The runtime takes the program compiled before the click (warm_up.js) through its
  // instantiateWasm hook; an instantiation that fails fails the start.
  function createGame(module, options) {
    return new Promise((resolve, reject) => {
      createVask(Object.assign({}, options, {
        instantiateWasm(imports, receive) {
          WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module)).catch(reject);
          return {};
        },
      })).then(resolve, reject);
    });
  }

  // What is still loading shows on the button, which starts nothing more meanwhile (nor
  // do the page's other ways to start).
  const startButtons = () => [startButton, ...document.querySelectorAll('#overlay button.starts')];
  function loading(parts) {
    const left = new Set(Object.keys(parts));
    const show = () => { startButton.textContent = `Loading ${[...left].join(', ')}…`; };
    show();
    return Promise.all(Object.entries(parts).map(([name, promise]) => promise.then((value) => {
      left.delete(name);
      if (left.size) show();
      return value;
    })));
  }

  // The page's sound starts from the player's gesture: the start's click. It never holds the
  // start up. Without Web Audio (switched off) the game plays silent; a context the system
  // holds (a phone's call or alarm leaves resume() pending) lets the game start silent, and
  // sound once the system lets go.
  function soundCame() {
    soundHeld = false;
    notice('held', null);
  }
  function startSound() {
    if (!audioAsked) {
      audioAsked = true;
      // Web Audio on an iPhone plays as ambient sound, which the silent switch mutes, unless
      // the page asks to play as a media player does (where Safari offers it).
      if (navigator.audioSession) {
        try { navigator.audioSession.type = 'playback'; } catch (e) { console.log('audio session: ' + e); }
      }
      const AudioContextClass = window.AudioContext || window.webkitAudioContext;
      try {
        audio = AudioContextClass ? new AudioContextClass() : null;
      } catch (e) {
        console.log('no audio context: ' + e);
      }
      if (!audio) {
        notice('silent', SILENT);
        return;
      }
      keepHeld(audio, () => !music && quiet());  // the music holds its own
      audio.addEventListener('statechange', () => { if (audio.state === 'running') soundCame(); });
      if (typeof JSSynth !== 'undefined') {
        music = new PageMusic(audio);
        music.ready.catch((e) => { console.error('music: ' + e); music = null; page.music = null; });
      }
    }
    if (!audio) return;
    soundHeld = true;
    // Held still again (muted, say) only once it has started: a suspend asked for meanwhile
    // would be undone by the start.
    audio.resume().then(soundCame, () => {}).then(applySound);
  }

  // `words` are the program's (a room to make or join, a record to play); `how` tells the
  // page's friends part what the game is for (friends.js).
  async function start(words, how) {
    if (starting || current) return;
    // A program's script that failed to load never comes with a later click: a reload
    // fetches it again.
    if (typeof createVask !== 'function') {
      say(NO_PROGRAM);
      startButton.textContent = 'Reload';
      setState('failed');
      reloadToStart = true;
      return;
    }
    starting = true;
    if (document.activeElement) document.activeElement.blur();
    for (const button of startButtons()) button.disabled = true;
    say('Loading the game.');
    setState('loading');
    startSound();
    page.music = music;
    touch.reset();
    const screen = document.getElementById('screen');
    screen.replaceChildren();
    const canvas = document.createElement('canvas');
    canvas.id = 'vask-canvas';
    canvas.width = 640;
    canvas.height = 480;
    canvas.tabIndex = 0;
    canvas.setAttribute('role', 'application');
    canvas.setAttribute('aria-label', 'Vask Light Cycles, the game');
    screen.appendChild(canvas);
    watchContextLoss(canvas);
    // The title does not wait for the song's synthesiser: the song starts once it is ready.
    const [files, game] = await loading({
      'data files': VaskWarmUp.dataFiles(),
      program: VaskWarmUp.program().then((module) => createGame(module, {
        canvas: canvas, vaskPage: page,
        // The game's lines still go to the console; the room's code is read from them.
        print(line) { console.log(line); friends.printed(line); },
        printErr(line) { console.warn(line); friends.printedError(line); },
      })),
    });
    startButton.textContent = 'Starting…';
    for (const [name, bytes] of files) game.FS.writeFile(name, bytes);
    current = { game, canvas };
    starting = false;
    lastBox = null;
    friends.started(game, how);
    game.callMain(words);
  }
  const startFailed = (e) => {
    starting = false;
    if (body.dataset.state !== 'loading') return;  // the game started, and has said how it ended
    applySound();
    say('The game could not start: ' + e);
    startButton.textContent = 'Start again';
    for (const button of startButtons()) button.disabled = false;
    setState('failed');
  };
  const startWith = (words, how) => start(words, how).catch(startFailed);

  const friends = VaskFriends.create({
    start: startWith,
    busy: () => starting || !!current,
    focusGame: () => { if (current) current.canvas.focus(); },
    notice: notice,
    say: say,
  });
  if (friends.joining) {
    say(`A friend's room, ${friends.joining}: the button joins it. It plays with sound.`);
    startButton.textContent = 'Join the room';
  }

  // Opened as a file, the page can fetch nothing: it says how to serve it instead.
  if (location.protocol === 'file:') {
    say(UNSERVED);
    for (const button of startButtons()) button.hidden = true;
    setState('unserved');
    return;
  }

  // A phone that opens a desktop's play.sh --web by its LAN address gets a page without what
  // browsers keep for secure contexts: the page says so rather than fail at each silently.
  if (!window.isSecureContext) notice('insecure', INSECURE);

  // Served, the page keeps its files for the next visit, which then needs no network
  // (service-worker.js); without it the page plays on as before.
  if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('service-worker.js').catch((e) => console.log('No offline copy of the site: ' + e));

  startButton.addEventListener('click', () => {
    if (reloadToStart) {
      location.reload();
      return;
    }
    const { words, session } = friends.startWords();
    startWith(words, session);
  });
})();
