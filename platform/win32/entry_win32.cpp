// The program entry of this backend: Windows starts the game at WinMain.
#include "platform/window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Only the instance matters: the command line and the show state are not used (the
// graphics set-up shows the window in its normal state).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!openDesktop()) return 1;
  int exitCode = gameMain(instance);
  closeDesktop();
  return exitCode;
}
