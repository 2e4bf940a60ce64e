// The program entry of this backend: connects to the desktop, then runs the game.
#include "platform/window.h"

int main(int, char**) {
  if (!openDesktop()) return 1;
  int exitCode = gameMain(0);
  closeDesktop();
  return exitCode;
}
