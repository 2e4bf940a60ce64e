/* A stand-in for XInput, built as xinput1_4.dll next to the test programs: Windows looks in
 * a program's own folder before the system's, so the window layer's run-time loading finds
 * this one first, by name, as it would find the real one. The test sets what each pad
 * reports through xinputStandInSet. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <xinput.h>

static XINPUT_STATE pads[XUSER_MAX_COUNT];
static BOOL connected[XUSER_MAX_COUNT];

__declspec(dllexport) DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state) {
  if (user >= XUSER_MAX_COUNT || !state) return ERROR_BAD_ARGUMENTS;
  if (!connected[user]) return ERROR_DEVICE_NOT_CONNECTED;
  *state = pads[user];
  return ERROR_SUCCESS;
}

__declspec(dllexport) void xinputStandInSet(DWORD user, BOOL isConnected, WORD buttons) {
  if (user >= XUSER_MAX_COUNT) return;
  connected[user] = isConnected;
  pads[user].dwPacketNumber++;
  pads[user].Gamepad.wButtons = buttons;
}
