// The program entry of this backend: connects to the desktop, then runs the game.
#include <string.h>
#include "platform/sdl/window_presentation_sdl.h"
#include "platform/shared/command_line_args.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  keepCommandLine(argc, argv);
  bool verifying = false;
  for (int i = 1; i < argc; i++) {
    if (argv[i] && strcmp(argv[i], "--fullscreen") == 0) startInFullScreen();
    if (argv[i] && strcmp(argv[i], "--verify") == 0) verifying = true;
  }
  // A record's verification opens no window, so it runs where there is no display.
  if (verifying) return gameMain(0);
  if (!openDesktop()) return 1;
  int exitCode = gameMain(0);
  closeDesktop();
  return exitCode;
}
