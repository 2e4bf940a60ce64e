// The touch controls: shown only on a touch screen (a coarse pointer, or a touch seen), to
// the sides of the picture in landscape and below it in portrait, never over it, so they
// hide neither the minimap nor the scores. Until the game's first key they offer Play and
// Attract; then the steering set.
//
// The game reads them as one more gamepad (platform/web/gamepad_web.cpp polls held() once a
// frame): each held button is a pad button, so a held turn repeats like a held arrow key and
// End must be held for a second, as the pad's Start, before it ends the game. That is why
// they go through the window layer and not as synthetic key events: a synthetic key has no
// repeat and no hold. Play and Attract are single key presses (takeTaps()).
'use strict';

window.VaskTouchControls = (function () {
  // The pad's buttons (platform/shared/gamepad_keys.h) and the keys the taps send.
  const PAD = { A: 1 << 0, B: 1 << 1, X: 1 << 2, Y: 1 << 3, LEFT_SHOULDER: 1 << 4, RIGHT_SHOULDER: 1 << 5,
                BACK: 1 << 6, START: 1 << 7, DPAD_LEFT: 1 << 10, DPAD_RIGHT: 1 << 11 };
  const KEY_F8 = 0x77, KEY_D = 0x44;  // F8 leaves the title for play, D for the attract mode

  // Each button: its id, what it shows, what it is called in words (read out by a screen
  // reader, spoken to Voice Control), and its pad button.
  const LAYOUT = {
    left: [
      [['look-left', 'Look L', 'Look left', PAD.LEFT_SHOULDER], ['look-back', 'Back', 'Look back', PAD.Y],
       ['look-right', 'Look R', 'Look right', PAD.RIGHT_SHOULDER]],
      [['turn-left', '\u25C0 Turn', 'Turn left', PAD.DPAD_LEFT], ['turn-right', 'Turn \u25B6', 'Turn right', PAD.DPAD_RIGHT]],
    ],
    right: [
      [['view', 'View', 'Change view', PAD.X], ['help', 'Help', 'Help', PAD.BACK],
       ['end', 'End (hold)', 'End the game (hold)', PAD.START]],
      [['slower', 'Slower', 'Slower', PAD.B], ['faster', 'Faster', 'Faster', PAD.A]],
    ],
  };
  // A button pressed by a click alone (a screen reader's double tap, Voice Control) is let go
  // at once, as a tap shorter than a frame, but End: it is held a little longer than the
  // second it must be held to end the game (on the page's clock, the game's too).
  const CLICK_END_MS = 1200;

  function create(stage) {
    const body = document.body;
    const root = document.createElement('div');
    root.id = 'touch';
    const held = new Map();  // button element -> the pointers holding it
    const pointerPressed = new Set();  // buttons pressed by a finger or the mouse, their click to come
    let endClickedUntil = -Infinity;
    let pressedSincePoll = 0;
    let taps = [];
    let shown = false;

    const bitOf = (button) => Number(button.dataset.pad);
    function press(button, pointer) {
      if (!held.has(button)) held.set(button, new Set());
      held.get(button).add(pointer);
      pressedSincePoll |= bitOf(button);
      button.classList.add('held');
    }
    function letGo(button, pointer) {
      const pointers = held.get(button);
      if (!pointers) return;
      pointers.delete(pointer);
      if (pointers.size) return;
      held.delete(button);
      button.classList.remove('held');
    }
    function letGoOfAll() {
      for (const button of held.keys()) button.classList.remove('held');
      held.clear();
      pointerPressed.clear();
      endClickedUntil = -Infinity;
      pressedSincePoll = 0;
    }
    // A click that follows a press of a finger or the mouse on the button is that press's
    // own: only a click that comes alone presses the button.
    function clickAlone(button) {
      if (pointerPressed.delete(button)) return;
      pressedSincePoll |= bitOf(button);
      if (bitOf(button) === PAD.START) endClickedUntil = performance.now() + CLICK_END_MS;
    }

    function makeButton(id, label, name) {
      const button = document.createElement('button');
      button.type = 'button';
      button.id = 'touch-' + id;
      button.textContent = label;
      if (name !== label) button.setAttribute('aria-label', name);
      button.tabIndex = -1;  // the keyboard's focus stays with the game
      return button;
    }

    for (const side of ['left', 'right']) {
      const panel = document.createElement('div');
      panel.className = 'touch-side';
      panel.id = 'touch-' + side;
      const play = document.createElement('div');
      play.className = 'touch-play';
      for (const row of LAYOUT[side]) {
        const line = document.createElement('div');
        line.className = 'touch-row';
        for (const [id, label, name, bit] of row) {
          const button = makeButton(id, label, name);
          button.dataset.pad = String(bit);
          // Without preventDefault the press would also be a mouse press: focus moves, and
          // a long press selects text or opens a menu.
          // Captured, the release comes back to the button wherever the finger has slid.
          button.addEventListener('pointerdown', (e) => {
            e.preventDefault();
            button.setPointerCapture(e.pointerId);
            pointerPressed.add(button);
            press(button, e.pointerId);
          });
          for (const type of ['pointerup', 'pointercancel', 'lostpointercapture'])
            button.addEventListener(type, (e) => letGo(button, e.pointerId));
          button.addEventListener('pointercancel', () => pointerPressed.delete(button));  // no click comes
          button.addEventListener('click', () => clickAlone(button));
          line.appendChild(button);
        }
        play.appendChild(line);
      }
      // At the title: Play on the left, Attract on the right.
      const title = document.createElement('div');
      title.className = 'touch-title';
      const [id, label, key] = side === 'left' ? ['play', 'Play', KEY_F8] : ['attract', 'Attract (demo)', KEY_D];
      const button = makeButton(id, label, label);
      button.addEventListener('pointerdown', (e) => e.preventDefault());
      button.addEventListener('click', () => {
        taps.push(key);
        controls.leaveTitle();
      });
      title.appendChild(button);
      panel.append(title, play);
      root.appendChild(panel);
    }
    root.addEventListener('contextmenu', (e) => e.preventDefault());
    stage.appendChild(root);

    // A page that loses the focus or goes out of sight gets no pointer release.
    window.addEventListener('blur', letGoOfAll);
    document.addEventListener('visibilitychange', () => { if (document.hidden) letGoOfAll(); });

    function show() {
      if (shown) return;
      shown = true;
      body.dataset.touch = 'on';
    }
    const coarse = window.matchMedia('(pointer: coarse)');
    if (coarse.matches) show();
    coarse.addEventListener('change', () => { if (coarse.matches) show(); });
    window.addEventListener('touchstart', show, { passive: true, capture: true });

    const controls = {
      // A new game starts at its title.
      reset() {
        letGoOfAll();
        taps = [];
        body.dataset.touchMode = 'title';
      },
      leaveTitle() { body.dataset.touchMode = 'play'; },
      // The buttons held now, or pressed since the last poll (a tap shorter than a frame
      // still counts once); -1 while the controls are not shown.
      held() {
        if (!shown) return -1;
        let bits = pressedSincePoll;
        if (performance.now() < endClickedUntil) bits |= PAD.START;
        for (const button of held.keys()) bits |= bitOf(button);
        pressedSincePoll = 0;
        return bits;
      },
      takeTaps() {
        const taken = shown ? taps : [];
        taps = [];
        return taken;
      },
    };
    controls.reset();
    return controls;
  }

  return { create };
})();
