// The monitor's refresh rate (see display_refresh.h). In a file of its own, so the tests can
// give the rate of a display Wine does not have at link time.
#include "platform/win32/display_refresh.h"

#include <string.h>

int monitorRefreshHz(HMONITOR monitor) {
  MONITORINFOEXA info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  DEVMODEA mode;
  memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  if (!GetMonitorInfoA(monitor, &info) || !EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode))
    return 0;
  return mode.dmDisplayFrequency > 1 ? (int)mode.dmDisplayFrequency : 0;
}
