// The program entry of this backend: Windows starts the game at WinMain.
#include "platform/window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdlib.h>

// The C runtime has split the command line already; the words are taken as they are.
int commandLineCount() { return __argc > 1 ? __argc - 1 : 0; }

const char* commandLineArgument(int index) {
  return index >= 0 && index < commandLineCount() ? __argv[index + 1] : 0;
}

// Only the instance matters: the show state is not used (the graphics set-up shows the
// window in its normal state).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!openDesktop()) return 1;
  int exitCode = gameMain(instance);
  closeDesktop();
  return exitCode;
}
