// Gamepads through XInput (see gamepad_xinput.h).
#include "platform/win32/gamepad_xinput.h"

#include <xinput.h>

#include "platform/shared/gamepad_keys.h"
#include "platform/win32/system_library.h"

namespace {

typedef DWORD(WINAPI* XInputGetStateFn)(DWORD user, XINPUT_STATE* state);

// Asking for a slot with no pad in it is slow with some versions, and four of them in one
// pass hold up that frame: the empty slots are asked for one at a time, a quarter of a
// second apart, so each is looked at about once a second and a pad plugged in is found
// within about a second.
enum { PADS = 4, EMPTY_SLOT_TURN_MS = 250 };

struct Pad {
  bool connected;
  GamepadKeys keys;
};
Pad pads[PADS];
int nextEmptySlot = 0;     // whose turn it is among the empty slots
uint32_t emptySlotAt = 0;  // when an empty slot was last asked for
bool emptySlotAsked = false;

XInputGetStateFn getState = 0;
bool looked = false;
KeyRepeat repeat = {500, 33};

// Windows 8 and later have 1.4, older systems 1.3 with the DirectX runtime, and Vista and
// later 9.1.0 in any case.
XInputGetStateFn loadXInput() {
  const char* const names[] = {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"};
  for (const char* name : names) {
    HMODULE module = loadSystemLibrary(name);
    if (!module) continue;
    FARPROC proc = GetProcAddress(module, "XInputGetState");
    if (proc) return reinterpret_cast<XInputGetStateFn>(reinterpret_cast<void (*)()>(proc));
    FreeLibrary(module);
  }
  return 0;
}

// The keyboard's own repeat, which a held direction follows: the delay in quarter seconds
// from 1 to 4, the speed from about 2.5 (0) to about 30 (31) repeats a second.
KeyRepeat keyboardRepeat() {
  KeyRepeat r = {500, 33};
  int delay = 1, speed = 31;
  if (SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0) && delay >= 0 && delay <= 3)
    r.delayMs = (uint32_t)(delay + 1) * 250;
  if (SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &speed, 0) && speed >= 0 && speed <= 31)
    r.intervalMs = (uint32_t)(1000.0f / (2.5f + speed * (27.5f / 31.0f)) + 0.5f);
  return r;
}

// The empty slot to ask for in this pass, if its turn has come; -1 for none.
int emptySlotToAsk(uint32_t now) {
  if (emptySlotAsked && now - emptySlotAt < EMPTY_SLOT_TURN_MS) return -1;
  for (int i = 0; i < PADS; i++) {
    const int user = (nextEmptySlot + i) % PADS;
    if (pads[user].connected) continue;
    nextEmptySlot = (user + 1) % PADS;
    emptySlotAt = now;
    emptySlotAsked = true;
    return user;
  }
  return -1;
}

float axis(SHORT value) { return value < -32767 ? -1.0f : value / 32767.0f; }

GamepadState stateOf(const XINPUT_GAMEPAD& pad) {
  static const struct {
    WORD xinput;
    uint32_t button;
  } BUTTONS[] = {
      {XINPUT_GAMEPAD_A, PAD_A}, {XINPUT_GAMEPAD_B, PAD_B}, {XINPUT_GAMEPAD_X, PAD_X},
      {XINPUT_GAMEPAD_Y, PAD_Y}, {XINPUT_GAMEPAD_LEFT_SHOULDER, PAD_LEFT_SHOULDER},
      {XINPUT_GAMEPAD_RIGHT_SHOULDER, PAD_RIGHT_SHOULDER}, {XINPUT_GAMEPAD_BACK, PAD_BACK},
      {XINPUT_GAMEPAD_START, PAD_START}, {XINPUT_GAMEPAD_DPAD_UP, PAD_DPAD_UP},
      {XINPUT_GAMEPAD_DPAD_DOWN, PAD_DPAD_DOWN}, {XINPUT_GAMEPAD_DPAD_LEFT, PAD_DPAD_LEFT},
      {XINPUT_GAMEPAD_DPAD_RIGHT, PAD_DPAD_RIGHT},
  };
  GamepadState state = {0, axis(pad.sThumbLX), -axis(pad.sThumbLY),  // XInput's y is up
                        pad.bLeftTrigger / 255.0f, pad.bRightTrigger / 255.0f};
  for (const auto& b : BUTTONS)
    if (pad.wButtons & b.xinput) state.buttons |= b.button;
  return state;
}

void postKey(void* window, uint32_t message, uintptr_t key, intptr_t lParam) {
  PostMessageA(static_cast<HWND>(window), message, key, lParam);
}

}  // namespace

void pollGamepads(HWND window) {
  if (!looked) {
    looked = true;
    getState = loadXInput();
  }
  if (!getState) return;
  const uint32_t now = GetTickCount();
  const int emptyToAsk = emptySlotToAsk(now);
  for (DWORD user = 0; user < PADS; user++) {
    Pad& pad = pads[user];
    if (!pad.connected && (int)user != emptyToAsk) continue;
    XINPUT_STATE state = {};
    const bool there = getState(user, &state) == ERROR_SUCCESS;
    if (!there) {
      if (pad.connected) gamepadKeysRelease(&pad.keys, postKey, window);  // it went away
      pad.connected = false;
      continue;
    }
    if (!pad.connected) {
      pad.connected = true;
      gamepadKeysReset(&pad.keys);
      repeat = keyboardRepeat();
    }
    const GamepadState gamepad = stateOf(state.Gamepad);
    gamepadKeysUpdate(&pad.keys, &gamepad, now, repeat, postKey, window);
  }
}

void forgetGamepadKeys() {
  for (Pad& pad : pads)
    if (pad.connected) gamepadKeysReset(&pad.keys);
}
