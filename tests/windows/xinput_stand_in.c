/* A stand-in for XInput, built as xinput_stand_in.dll next to the test programs, which the
 * window layer's test hands to the layer in place of the system's xinput1_4.dll (through a
 * link-time stand-in of its system library loader). The test sets what each pad reports
 * through xinputStandInSet, and counts how often a slot with no pad was asked for. A copy
 * named xinput1_4.dll lies beside the programs too, as a planted DLL would. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <xinput.h>

static XINPUT_STATE pads[XUSER_MAX_COUNT];
static BOOL connected[XUSER_MAX_COUNT];
static LONG emptyAsks[XUSER_MAX_COUNT];

__declspec(dllexport) DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state) {
  if (user >= XUSER_MAX_COUNT || !state) return ERROR_BAD_ARGUMENTS;
  if (!connected[user]) {
    InterlockedIncrement(&emptyAsks[user]);
    return ERROR_DEVICE_NOT_CONNECTED;
  }
  *state = pads[user];
  return ERROR_SUCCESS;
}

__declspec(dllexport) void xinputStandInSet(DWORD user, BOOL isConnected, WORD buttons) {
  if (user >= XUSER_MAX_COUNT) return;
  connected[user] = isConnected;
  pads[user].dwPacketNumber++;
  pads[user].Gamepad.wButtons = buttons;
}

__declspec(dllexport) LONG xinputStandInEmptyAsks(DWORD user) {
  return user < XUSER_MAX_COUNT ? emptyAsks[user] : 0;
}
