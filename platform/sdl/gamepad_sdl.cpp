// Gamepads on SDL (see gamepad_sdl.h).
#include "platform/sdl/gamepad_sdl.h"

#include "platform/sdl/keyboard_repeat_sdl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/shared/gamepad_keys.h"
#include "platform/shared/window_message_queue.h"

namespace {

enum { MAX_PADS = 8 };

struct Pad {
  SDL_GameController* controller;
  SDL_JoystickID id;
  GamepadKeys keys;
};

Pad pads[MAX_PADS];
int opened = 0;
int focused = 0;
KeyRepeat repeat = {500, 33};

void postKey(void* window, uint32_t message, uintptr_t key, intptr_t lParam) {
  if (window) postMessage((WindowHandle)window, message, key, lParam);
}

float axis(SDL_GameController* c, SDL_GameControllerAxis which) {
  float value = SDL_GameControllerGetAxis(c, which) / 32767.0f;
  return value < -1.0f ? -1.0f : value;
}

GamepadState stateOf(SDL_GameController* c) {
  static const struct {
    SDL_GameControllerButton sdl;
    uint32_t pad;
  } buttons[] = {
      {SDL_CONTROLLER_BUTTON_A, PAD_A},
      {SDL_CONTROLLER_BUTTON_B, PAD_B},
      {SDL_CONTROLLER_BUTTON_X, PAD_X},
      {SDL_CONTROLLER_BUTTON_Y, PAD_Y},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PAD_LEFT_SHOULDER},
      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PAD_RIGHT_SHOULDER},
      {SDL_CONTROLLER_BUTTON_BACK, PAD_BACK},
      {SDL_CONTROLLER_BUTTON_START, PAD_START},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, PAD_DPAD_UP},
      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PAD_DPAD_DOWN},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PAD_DPAD_LEFT},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PAD_DPAD_RIGHT},
  };
  GamepadState state = {};
  for (const auto& b : buttons)
    if (SDL_GameControllerGetButton(c, b.sdl)) state.buttons |= b.pad;
  state.leftX = axis(c, SDL_CONTROLLER_AXIS_LEFTX);
  state.leftY = axis(c, SDL_CONTROLLER_AXIS_LEFTY);
  state.leftTrigger = axis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
  state.rightTrigger = axis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
  return state;
}

Pad* padWithId(SDL_JoystickID id) {
  for (Pad& p : pads)
    if (p.controller && p.id == id) return &p;
  return 0;
}

void takePad(int deviceIndex, WindowHandle window) {
  SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
  if (!c) return;
  SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
  Pad* slot = 0;
  for (Pad& p : pads)
    if (!p.controller && !slot) slot = &p;
  if (padWithId(id) || !slot) {  // taken already, or more pads than are followed
    SDL_GameControllerClose(c);
    return;
  }
  slot->controller = c;
  slot->id = id;
  gamepadKeysReset(&slot->keys);
  if (window) repeat = desktopKeyRepeat(sdlWindowOf(window));
}

void letGo(Pad* pad, WindowHandle window) {
  gamepadKeysRelease(&pad->keys, postKey, window);
}

void closePad(Pad* pad, WindowHandle window) {
  letGo(pad, window);
  SDL_GameControllerClose(pad->controller);
  *pad = Pad{};
}

}  // namespace

void openGamepads() {
  if (opened) return;
  // The window's focus decides when pads count, as it does for the keyboard; SDL's own
  // rule would freeze a pad's state while the window has no focus that SDL knows of.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  opened = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void closeGamepads() {
  for (Pad& p : pads) {
    if (p.controller) SDL_GameControllerClose(p.controller);
    p = Pad{};
  }
  if (opened) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  opened = 0;
  focused = 0;
}

int takeGamepadEvent(const SDL_Event& event, WindowHandle window) {
  if (event.type == SDL_CONTROLLERDEVICEADDED) {
    takePad(event.cdevice.which, window);
    return 1;
  }
  if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
    Pad* pad = padWithId(event.cdevice.which);
    if (pad) closePad(pad, window);
    return 1;
  }
  return 0;
}

void pollGamepads(WindowHandle window) {
  if (!focused || !window) return;
  const uint32_t now = SDL_GetTicks();
  for (Pad& p : pads) {
    if (!p.controller) continue;
    // A pad pulled out reads as every button let go before its removal comes as an event;
    // read so, a Start still held would count as tapped.
    if (!SDL_GameControllerGetAttached(p.controller)) {
      closePad(&p, window);
      continue;
    }
    GamepadState state = stateOf(p.controller);
    gamepadKeysUpdate(&p.keys, &state, now, repeat, postKey, window);
  }
}

void gamepadsFocusChanged(WindowHandle window, int hasFocus) {
  if (focused && !hasFocus)
    for (Pad& p : pads)
      if (p.controller) letGo(&p, window);
  // The player may have changed the keyboard's repeat while away.
  if (hasFocus && !focused && window) repeat = desktopKeyRepeat(sdlWindowOf(window));
  focused = hasFocus;
}
