// The program entry in the browser: the page starts it after the player's click (the
// click lets the page make sound) and the data files are in the working directory. When
// the game returns, the page is told, so it can say so and offer to start again.
#include <emscripten.h>

#include "platform/window.h"

EM_JS(void, tellPageGameEnded, (int exitCode), {
  if (Module.vaskPage) Module.vaskPage.gameEnded(exitCode);
});

int main(int, char**) {
  if (!openDesktop()) return 1;
  int exitCode = gameMain(0);
  closeDesktop();
  tellPageGameEnded(exitCode);
  return exitCode;
}
