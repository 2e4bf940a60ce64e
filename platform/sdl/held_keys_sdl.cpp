// The keyboard's held keys (see held_keys_sdl.h).
#include "platform/sdl/held_keys_sdl.h"

#include "platform/shared/window_message_queue.h"

namespace {

uint8_t held[256];  // by virtual-key code

// A release: repeat count 1, the key was down (bit 30), it goes up (bit 31).
const intptr_t RELEASE_PARAM = (intptr_t)(int32_t)(1u | (1u << 30) | (1u << 31));

}  // namespace

void noteKeyMessage(uint32_t message, uintptr_t virtualKey) {
  if (virtualKey >= sizeof held) return;
  if (message == WM_KEYDOWN) held[virtualKey] = 1;
  else if (message == WM_KEYUP || message == WM_SYSKEYUP) held[virtualKey] = 0;
}

void releaseHeldKeys(WindowHandle window) {
  for (unsigned vk = 0; vk < sizeof held; vk++) {
    if (!held[vk]) continue;
    held[vk] = 0;
    postMessage(window, WM_KEYUP, vk, RELEASE_PARAM);
  }
}
