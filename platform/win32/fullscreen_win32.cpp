// Borderless full screen on the window's own monitor (see fullscreen_win32.h).
#include "platform/win32/fullscreen_win32.h"

#include <shellapi.h>
#include <string.h>
#include <wchar.h>

namespace {

HWND fullscreenWindow = 0;
WINDOWPLACEMENT framedPlacement;
LONG framedStyle = 0;

bool monitorRectNear(const RECT& area, RECT* monitorRect) {
  MONITORINFO monitor;
  memset(&monitor, 0, sizeof monitor);
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
  *monitorRect = monitor.rcMonitor;
  return true;
}

}  // namespace

void toggleFullscreen(HWND window) {
  if (!IsWindow(window)) return;
  // A minimised window (a shortcut set to start minimised makes the first ShowWindow
  // minimise it; Alt+Enter from its taskbar button) comes back first: restyled while
  // minimised, it would come back captionless at its framed size.
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
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

void keepCoveringMonitor(HWND window, WINDOWPOS* pos) {
  if (!isFullscreen(window) || !pos || IsIconic(window)) return;
  if ((pos->flags & SWP_NOMOVE) && (pos->flags & SWP_NOSIZE)) return;  // the rect stays
  RECT now, asked, monitor;
  if (!GetWindowRect(window, &now)) return;
  asked = now;
  if (!(pos->flags & SWP_NOMOVE)) OffsetRect(&asked, pos->x - now.left, pos->y - now.top);
  if (!(pos->flags & SWP_NOSIZE)) {
    asked.right = asked.left + pos->cx;
    asked.bottom = asked.top + pos->cy;
  }
  if (!monitorRectNear(asked, &monitor)) return;
  pos->x = monitor.left;
  pos->y = monitor.top;
  pos->cx = monitor.right - monitor.left;
  pos->cy = monitor.bottom - monitor.top;
  pos->flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
}

void coverMonitorAgain(HWND window) {
  RECT now, monitor;
  if (!isFullscreen(window) || IsIconic(window) || !GetWindowRect(window, &now) ||
      !monitorRectNear(now, &monitor) || EqualRect(&now, &monitor))
    return;
  SetWindowPos(window, 0, monitor.left, monitor.top, monitor.right - monitor.left,
               monitor.bottom - monitor.top, SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

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
