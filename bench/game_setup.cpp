// The bench drivers' game, brought up with the game's own start-up steps.
#include "bench/game_setup.h"

#include <stdio.h>
#include <unistd.h>

#include "app/match_file.h"
#include "app/window_proc.h"
#include "audio/game_window.h"
#include "audio/sound_effects.h"
#include "platform/opengl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/window.h"
#include "render/arena.h"
#include "render/attract_mode.h"
#include "render/graphics.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

int bringUpGame() {
  if (chdir(VASK_DATA_DIR) != 0) {
    fprintf(stderr, "bench: cannot enter %s\n", VASK_DATA_DIR);
    return 0;
  }
  if (!openDesktop()) {
    fprintf(stderr, "bench: no display\n");
    return 0;
  }
  seedRandom(1);  // the same match every run
  static WindowClass windowClass = {"Vask Light Cycles", windowProc};
  if (!registerWindowClass(&windowClass)) return 0;
  mainWindow = createWindow("Vask Light Cycles", "Vask Light Cycles by Velmor", 640, 480);
  if (!mainWindow) {
    fprintf(stderr, "bench: no window\n");
    return 0;
  }
  readMatchFile();
  soundInit();
  if (!buildArena()) {
    fprintf(stderr, "bench: the model did not load\n");
    return 0;
  }
  resetMatch();
  if (!initGraphics(mainWindow)) {
    fprintf(stderr, "bench: GL set-up failed\n");
    return 0;
  }
  return 1;
}

void startAttractMode() { windowProc(mainWindow, WM_KEYDOWN, 'D', 0); }

void drawGameFrame() { windowProc(mainWindow, WM_PAINT, 0, 0); }

void runLoopChores() {
  if (demoActive) placeAttractSounds();
  // The drivers draw their frames back to back, unpaced: the window is validated as default
  // painting does, so the message pump hands out what is queued without waiting for the
  // next frame slot.
  defaultWindowProc(mainWindow, WM_PAINT, 0, 0);
  WindowMessage message;
  // Repaints are ours to draw; everything else goes to the window procedure as usual.
  while (peekMessage(&message)) {
    if (message.message == WM_PAINT || message.message == WM_QUIT) break;
    translateMessage(&message);
    dispatchMessage(&message);
  }
}

void waitForFrameSlot() {
  invalidateWindow(mainWindow);
  WindowMessage message;
  for (;;) {
    if (!peekMessage(&message)) continue;  // woken by input that carried no message
    if (message.message == WM_PAINT || message.message == WM_QUIT) return;
    translateMessage(&message);
    dispatchMessage(&message);
  }
}

int presentFramesAt(int width, int height) {
  SDL_Window* window = sdlWindowOf(mainWindow);
  SDL_SetWindowSize(window, width, height);
  for (int i = 0; i < 200; ++i) {  // the new size arrives with the desktop's events
    runLoopChores();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    if (w == width && h == height) return 1;
    SDL_Delay(5);
  }
  fprintf(stderr, "bench: the window did not take the size %dx%d\n", width, height);
  return 0;
}

void drawEmptyFrame() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glFlush();
  swapBuffers(deviceContext);
}

long countTrailPoints() {
  long n = 0;
  for (int i = 0; i < riderCount; ++i)
    for (const TrailPoint* p = riders[i].trailHead; p; p = p->next) ++n;
  return n;
}

void takeDownGame() {
  soundShutdown();
  shutdownGraphics();
}
