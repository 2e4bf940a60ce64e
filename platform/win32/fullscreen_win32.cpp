// Borderless full screen on the window's own monitor (see fullscreen_win32.h).
#include "platform/win32/fullscreen_win32.h"

#include <shellapi.h>
#include <string.h>
#include <wchar.h>

namespace {

HWND fullscreenWindow = 0;
WINDOWPLACEMENT framedPlacement;
LONG framedStyle = 0;

}  // namespace

void toggleFullscreen(HWND window) {
  if (!IsWindow(window)) return;
  if (fullscreenWindow != window) {
    MONITORINFO monitor;
    memset(&monitor, 0, sizeof monitor);
    monitor.cbSize = sizeof monitor;
    framedPlacement.length = sizeof framedPlacement;
    if (!GetWindowPlacement(window, &framedPlacement) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
      return;
    framedStyle = GetWindowLongW(window, GWL_STYLE);
    fullscreenWindow = window;
    SetWindowLongW(window, GWL_STYLE, (framedStyle & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    const RECT& r = monitor.rcMonitor;
    SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  } else {
    fullscreenWindow = 0;
    SetWindowLongW(window, GWL_STYLE, framedStyle);
    SetWindowPlacement(window, &framedPlacement);
    SetWindowPos(window, 0, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  }
}

bool isFullscreen(HWND window) { return window && window == fullscreenWindow; }

bool fullscreenAsked() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return false;
  bool asked = false;
  for (int i = 1; i < count; i++)
    if (wcscmp(args[i], L"--fullscreen") == 0) asked = true;
  LocalFree(args);
  return asked;
}
