// The program entry of this backend: connects to the desktop, then runs the game.
#include <string.h>
#include "platform/sdl/window_presentation_sdl.h"
#include "platform/window.h"

static int argumentCount = 0;
static char** arguments = 0;

int commandLineCount() { return argumentCount; }

const char* commandLineArgument(int index) {
  return index >= 0 && index < argumentCount ? arguments[index] : 0;
}

int main(int argc, char** argv) {
  argumentCount = argc > 1 ? argc - 1 : 0;
  arguments = argv + 1;
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
