// The page's gamepads as keys: once a frame, while the page has the focus, the pads that
// the Gamepad API reports are read and handed to the shared mapper, whose key messages
// join the keyboard's in the window's queue. The page's touch controls are one more pad
// (Module.vaskPage.touch): their held buttons are the same buttons, so a held turn repeats
// and a held End ends the game exactly as a pad's do, and their taps (Play, Attract) are
// plain key presses.
#include <emscripten.h>

#include "platform/shared/frame_clock.h"
#include "platform/shared/gamepad_keys.h"
#include "platform/shared/window_message_queue.h"
#include "platform/web/gamepad_web.h"

namespace {

enum { MAX_PADS = 4, PAD_FIELDS = 6, TOUCH_PAD = MAX_PADS, MAX_TAPS = 8 };

// The browser cannot tell a page the keyboard's repeat: this is the desktop's default.
const KeyRepeat PAGE_REPEAT = {500, 33};

GamepadKeys pads[MAX_PADS + 1];  // the browser's pads by index, then the touch controls'
bool padPresent[MAX_PADS + 1];
bool padsReset = false;

// For each of the first MAX_PADS indices: present (a connected pad), its buttons as
// GamepadButton bits, the left stick, the triggers. Reads only what it needs of each pad,
// whatever number of buttons or axes the pad reports. A pad the browser does not know
// (mapping "": Firefox on Linux and macOS, DirectInput pads in Chrome) is read by its raw
// buttons and axes as most such pads number them, the standard mapping's first ten: face
// buttons 0 to 3, shoulders 4 and 5, triggers (or second shoulders) 6 and 7, Back 8,
// Start 9, the left stick on axes 0 and 1, where a plain pad's d-pad is too. Its buttons
// from 12 on are left alone: they are no d-pad there (a DualShock's 12 is its PS button).
EM_JS(int, readPads, (float* out, int maxPads), {
  if (!document.hasFocus() || !navigator.getGamepads) return 0;
  let list;
  try { list = navigator.getGamepads() || []; } catch (e) { return 0; }
  // The standard mapping's button index of each GamepadButton bit, lowest bit first.
  const BUTTONS = [0, 1, 2, 3, 4, 5, 8, 9, 12, 13, 14, 15];
  const FIRST_DPAD_BUTTON = 12;
  const number = (v) => (typeof v === 'number' && isFinite(v) ? v : 0);
  const base = out >> 2;
  for (let i = 0; i < maxPads; i++) {
    const pad = list[i];
    const fields = [0, 0, 0, 0, 0, 0];
    if (pad && pad.connected && pad.buttons && pad.axes) {
      const button = (k) => pad.buttons[k] || {};
      const dpad = pad.mapping === 'standard';
      let bits = 0;
      for (let b = 0; b < BUTTONS.length; b++)
        if ((dpad || BUTTONS[b] < FIRST_DPAD_BUTTON) && button(BUTTONS[b]).pressed) bits |= 1 << b;
      fields[0] = 1;
      fields[1] = bits;
      fields[2] = number(pad.axes[0]);
      fields[3] = number(pad.axes[1]);
      fields[4] = number(button(6).value);
      fields[5] = number(button(7).value);
    }
    for (let f = 0; f < 6; f++) HEAPF32[base + i * 6 + f] = fields[f];
  }
  return 1;
});

// The touch controls' held buttons (GamepadButton bits; -1 for no touch controls), and the
// keys tapped since the last frame, taken from the page's list.
EM_JS(int, readTouchPad, (int* taps, int maxTaps, int* tapCount), {
  const touch = Module.vaskPage && Module.vaskPage.touch;
  HEAP32[tapCount >> 2] = 0;
  if (!touch) return -1;
  const tapped = touch.takeTaps();
  const n = Math.min(tapped.length, maxTaps);
  for (let i = 0; i < n; i++) HEAP32[(taps >> 2) + i] = tapped[i] | 0;
  HEAP32[tapCount >> 2] = n;
  return touch.held() | 0;
});

struct Sink {
  WindowHandle window;
};

void postPadKey(void* context, uint32_t message, uintptr_t key, intptr_t lParam) {
  postMessage(static_cast<Sink*>(context)->window, message, key, lParam);
}

void updatePad(int index, bool present, const GamepadState& state, uint32_t now, Sink* sink) {
  if (present) gamepadKeysUpdate(&pads[index], &state, now, PAGE_REPEAT, postPadKey, sink);
  else if (padPresent[index]) gamepadKeysRelease(&pads[index], postPadKey, sink);
  padPresent[index] = present;
}

}  // namespace

void pollGamepads(WindowHandle window) {
  if (!padsReset) {
    for (GamepadKeys& keys : pads) gamepadKeysReset(&keys);
    padsReset = true;
  }
  Sink sink = {window};
  const uint32_t now = (uint32_t)(frameClockMicroseconds() / 1000);

  float fields[MAX_PADS * PAD_FIELDS] = {};
  // Without the focus the browser shows no pad: each one lets go of its keys.
  readPads(fields, MAX_PADS);
  for (int i = 0; i < MAX_PADS; i++) {
    const float* f = fields + i * PAD_FIELDS;
    const GamepadState state = {(uint32_t)f[1], f[2], f[3], f[4], f[5]};
    updatePad(i, f[0] != 0.0f, state, now, &sink);
  }

  int taps[MAX_TAPS];
  int tapCount = 0;
  const int touchHeld = readTouchPad(taps, MAX_TAPS, &tapCount);
  const GamepadState touch = {touchHeld > 0 ? (uint32_t)touchHeld : 0u, 0, 0, 0, 0};
  updatePad(TOUCH_PAD, touchHeld >= 0, touch, now, &sink);
  for (int i = 0; i < tapCount && i < MAX_TAPS; i++) {
    if (taps[i] <= 0 || taps[i] >= 0xFF) continue;
    postMessage(window, WM_KEYDOWN, (uintptr_t)taps[i], 1);
    postMessage(window, WM_KEYUP, (uintptr_t)taps[i], (intptr_t)(int32_t)0xC0000001u);
  }
}
