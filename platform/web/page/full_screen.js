// The full-screen button: the game's stage takes the whole screen, or gives it back. F11
// stays the browser's own (it fills the screen with the whole page, which fits as well).
'use strict';

(function () {
  const stage = document.getElementById('stage');
  const button = document.getElementById('full-screen');
  const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
  const exit = document.exitFullscreen || document.webkitExitFullscreen;
  const current = () => document.fullscreenElement || document.webkitFullscreenElement || null;
  if (!request || !(document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
    button.hidden = true;
    return;
  }

  function showState() {
    const on = current() === stage;
    button.title = on ? 'Leave full screen' : 'Full screen';
    button.setAttribute('aria-label', button.title);
    button.setAttribute('aria-pressed', String(on));
  }

  // The button never takes the keyboard's focus from the game: a click would otherwise
  // leave it focused, and Space or Enter would press it again.
  button.addEventListener('mousedown', (e) => e.preventDefault());
  button.addEventListener('click', () => {
    const asked = current() ? exit.call(document) : request.call(stage, { navigationUI: 'hide' });
    if (asked && asked.catch) asked.catch((e) => console.warn('full screen: ' + e));
    const canvas = document.getElementById('vask-canvas');
    if (canvas && document.body.dataset.state === 'running') canvas.focus();
  });
  document.addEventListener('fullscreenchange', showState);
  document.addEventListener('webkitfullscreenchange', showState);
  showState();
})();
