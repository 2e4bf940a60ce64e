// The program entry in the browser: the page starts it after the player's click (the
// click lets the page make sound) and the data files are in the working directory. However
// the program ends, the page is told once, so it can say so and offer to start again:
// returning from main, exit() anywhere (the model reader's after its box, say), an abort,
// or a trap the page meets as an uncaught error (it calls vaskStop with the reason).
#include <emscripten.h>

#include "platform/shared/command_line_args.h"
#include "platform/window.h"

// The ended instance does nothing more: the frame or the box it may still wait for finds
// the runtime aborted and does not resume it, and its key and focus listeners go. So does
// all else the platform layer set going on the page (Module.vaskAtEnd: timers, observers,
// listeners), each of which holds the whole program: an ending the game did not close
// itself (a trap, an abort, a lost context) must not leave one instance behind per start.
EM_JS(void, watchForTheEnd, (), {
  const page = Module.vaskPage;
  let ended = false;
  Module.vaskAtEnd = [];
  const end = (code, reason) => {
    if (ended) return;
    ended = true;
    ABORT = true;
    if (typeof JSEvents !== 'undefined') JSEvents.removeAllEventListeners();
    for (const release of Module.vaskAtEnd.splice(0)) {
      try { release(); } catch (e) { console.error('releasing the ended game: ' + e); }
    }
    if (page) page.gameEnded(code, reason);
  };
  const firstLine = (e) => String(e && e.message !== undefined ? (e.name || 'Error') + ': ' + e.message : e).split('\n')[0];
  Module.vaskEnd = (code) => end(code, null);
  Module.vaskStop = (reason) => end(1, reason);
  Module.onAbort = (what) => end(1, 'Aborted(' + what + ')');
  // exit() ends in quit_. So does main's first sleep (for a frame, for the box): main
  // returns to callMain, which takes that for an exit. That one comes before callMain's
  // task is over, with main's unwound stack held; an exit of the program's own comes with
  // none held (main running, or rewound), or in a later task (a callback's).
  let firstTask = true;
  queueMicrotask(() => { firstTask = false; });
  const quit = quit_;
  quit_ = (status, toThrow) => {
    if (!(firstTask && Asyncify.currData)) end(status, toThrow instanceof ExitStatus ? null : firstLine(toThrow));
    quit(status, toThrow);
  };
});

EM_JS(void, tellPageGameEnded, (int exitCode), { Module.vaskEnd(exitCode); });

int main(int argc, char** argv) {
  // The page passes its words (a room to join, a relay) as the program's arguments.
  keepCommandLine(argc, argv);
  watchForTheEnd();
  if (!openDesktop()) return 1;
  int exitCode = gameMain(0);
  closeDesktop();
  tellPageGameEnded(exitCode);
  return exitCode;
}
