// The program entry of this backend: connects to the desktop, then runs the game.
#include <string.h>
#include "platform/sdl/window_presentation_sdl.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (argv[i] && strcmp(argv[i], "--fullscreen") == 0) startInFullScreen();
  if (!openDesktop()) return 1;
  int exitCode = gameMain(0);
  closeDesktop();
  return exitCode;
}
