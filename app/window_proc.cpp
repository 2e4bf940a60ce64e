// The game window's procedure: each repaint draws a frame (at the title, only a title that
// the desktop has uncovered again), the first key leaves the title, after that the key
// table steers rider 0 and moves the camera.
#include "app/window_proc.h"

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "render/camera.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "render/title.h"
#include "render/world.h"
#include "session/room_session.h"
#include "session/session.h"
#include "sim/rider_input.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

// Any key leaves the title; D leaves it for attract mode. The key does nothing else, so an
// arrow that leaves the title does not turn. In a room any other key asks for a rider;
// D watches the room's match.
void leaveTitle(WindowHandle window, uintptr_t key) {
  if (key == 'D') {
    demoActive = 1;
    if (sessionMode != SESSION_OFFLINE) sessionWatch();
  } else if (sessionMode == SESSION_ROOM) {
    roomTakeRider();
  }
  titleActive = 0;
  stopMusic();
  soundSetVolume(0, -600);
  soundPlay(0);
  for (int i = 1; i < riderCount; i++) {
    // Only the engines of riders 1 and 2 are turned down; 3 and 4 keep their loaded volume.
    soundSetVolume(1, -100);
    soundSetVolume(2, -100);
    soundPlay(i);
  }
  invalidateWindow(window);
}

namespace {

// A replay's riders follow its record: a steering key ends it like any other key.
void steer(int input) {
  if (sessionMode == SESSION_OFFLINE) applyRiderInput(localRider, input);
  else if (sessionMode == SESSION_REPLAY) postQuitMessage(0);
  else sessionRiderInput(input);
}

void pressKey(uintptr_t key) {
  switch (key) {
    case VK_LEFT: steer(INPUT_LEFT); break;
    case VK_RIGHT: steer(INPUT_RIGHT); break;
    case VK_UP: steer(INPUT_FASTER); break;
    case VK_DOWN: steer(INPUT_SLOWER); break;
    case 'Z': lookDirection = 0; break;
    case 'X': lookDirection = 1; break;
    case 'C': lookDirection = 2; break;
    case 'V': viewMode = (viewMode + 1) % 4; break;
    case VK_F1: helpVisible = 1; break;
    case VK_F8: break;
    default: postQuitMessage(0); break;  // a key with no command ends the game
  }
}

// One frame is one simulation step. The window is never validated, so the next repaint
// is already pending.
void drawFrame() {
  beginFrame();
  if (sessionMode != SESSION_OFFLINE) sessionFrameSteps();
  updateFrame();
  drawWorld();
  drawHud();
}

}  // namespace

intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_CREATE:
      return 1;
    case WM_DESTROY:
      postQuitMessage(0);
      return 1;
    case WM_SIZE: {
      WindowRect r = {0, 0, 0, 0};
      if (getWindowRect(window, &r)) resizeGraphics(r.right - r.left, r.bottom - r.top);
      return 1;
    }
    case WM_PAINT:
      // The title is drawn once; it is drawn again only where the desktop has lost it.
      if (!titleActive) drawFrame();
      else if (windowExposed(window)) showTitle();
      return 1;
    case WM_KEYDOWN:
      if (titleActive) leaveTitle(window, wParam);
      else pressKey(wParam);
      return 1;
    case WM_KEYUP:
      lookDirection = 3;
      helpVisible = 0;
      if (sessionMode == SESSION_OFFLINE) applyRiderInput(localRider, INPUT_LET_GO);
      else if (sessionMode != SESSION_REPLAY) sessionRiderInput(INPUT_LET_GO);
      return 1;
    default:
      return defaultWindowProc(window, message, wParam, lParam);
  }
}
