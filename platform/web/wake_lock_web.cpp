// The screen wake lock: taken at a shown frame, let go by a check a few times a second once
// no frame has been shown for a while. Its time is the page's clock, the one the game's
// frames are paced by.
#include "platform/web/wake_lock_web.h"

#include <emscripten.h>

EM_JS(void, frameShownJs, (), {
  let w = Module.vaskWakeLock;
  if (!w) {
    const RUNNING_MS = 1500, RETRY_MS = 1000, CHECK_MS = 250;
    w = Module.vaskWakeLock = { lock: null, asking: false, lastFrame: 0, retryAt: 0, stopped: false };
    w.running = () => !w.stopped && performance.now() - w.lastFrame < RUNNING_MS;
    w.update = () => {
      if (!w.running()) {
        if (w.lock) {
          const lock = w.lock;
          w.lock = null;
          lock.release().catch(() => {});
        }
        return;
      }
      if (w.lock || w.asking || !navigator.wakeLock || document.visibilityState !== 'visible') return;
      if (performance.now() < w.retryAt) return;
      w.asking = true;
      navigator.wakeLock.request('screen').then((lock) => {
        w.asking = false;
        if (!w.running()) {
          lock.release().catch(() => {});
          return;
        }
        w.lock = lock;
        // The browser lets it go by itself when the page is hidden.
        lock.addEventListener('release', () => { if (w.lock === lock) w.lock = null; });
      }, () => {
        w.asking = false;
        w.retryAt = performance.now() + RETRY_MS;
      });
    };
    w.timer = setInterval(w.update, CHECK_MS);
    w.stop = () => {
      if (w.stopped) return;
      w.stopped = true;
      clearInterval(w.timer);
      w.update();
      if (Module.vaskWakeLock === w) Module.vaskWakeLock = null;
    };
    (Module.vaskAtEnd || []).push(w.stop);  // however the game ends
  }
  w.lastFrame = performance.now();
  w.update();
});

EM_JS(void, stopJs, (), {
  if (Module.vaskWakeLock) Module.vaskWakeLock.stop();
});

// Called from C++ so that this file, and the script above with it, is linked from the library.
void wakeLockFrameShown() { frameShownJs(); }
void wakeLockStop() { stopJs(); }
