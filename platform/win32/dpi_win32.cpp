// The window's scale, through whichever of Windows' DPI functions the system has.
#include "platform/win32/dpi_win32.h"

#include "platform/win32/system_library.h"

namespace {

typedef UINT(WINAPI* GetDpiForWindowFn)(HWND);
typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
typedef BOOL(WINAPI* AdjustWindowRectExForDpiFn)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn lookUp(const char* library, const char* name, bool load) {
  HMODULE module = load ? loadSystemLibrary(library) : GetModuleHandleA(library);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                : 0;
}

}  // namespace

UINT windowDpi(HWND window) {
  // Windows 10 (1607) and later.
  static GetDpiForWindowFn forWindow = lookUp<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow", false);
  if (forWindow) {
    UINT dpi = forWindow(window);
    if (dpi) return dpi;
  }
  // Windows 8.1.
  static GetDpiForMonitorFn forMonitor = lookUp<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor", true);
  if (forMonitor) {
    UINT x = 0, y = 0;
    const int MDT_EFFECTIVE_DPI = 0;
    if (SUCCEEDED(forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), MDT_EFFECTIVE_DPI, &x, &y)) && x)
      return x;
  }
  // Older: the system's one scale.
  HDC screen = GetDC(0);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(0, screen);
  return dpi > 0 ? (UINT)dpi : 96;
}

SIZE outerSizeForClient(DWORD style, DWORD exStyle, int width, int height, UINT dpi) {
  static AdjustWindowRectExForDpiFn adjustForDpi =
      lookUp<AdjustWindowRectExForDpiFn>("user32.dll", "AdjustWindowRectExForDpi", false);
  RECT r = {0, 0, width, height};
  if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&r, style, FALSE, exStyle);
  SIZE size = {r.right - r.left, r.bottom - r.top};
  return size;
}

RECT firstWindowRect(POINT proposed, SIZE picture, SIZE frame, UINT dpi, RECT work) {
  int width = MulDiv(picture.cx, (int)dpi, 96), height = MulDiv(picture.cy, (int)dpi, 96);
  const int roomAcross = work.right - work.left - frame.cx, roomDown = work.bottom - work.top - frame.cy;
  if (width > roomAcross && roomAcross > 0) {
    height = MulDiv(height, roomAcross, width);
    width = roomAcross;
  }
  if (height > roomDown && roomDown > 0) {
    width = MulDiv(width, roomDown, height);
    height = roomDown;
  }
  if (width < picture.cx || height < picture.cy) {
    width = picture.cx;
    height = picture.cy;
  }
  const int outerWidth = width + frame.cx, outerHeight = height + frame.cy;
  auto inside = [](LONG at, int size, LONG from, LONG to) {
    if (at + size > to) at = to - size;
    return at < from ? from : at;
  };
  const LONG left = inside(proposed.x, outerWidth, work.left, work.right);
  const LONG top = inside(proposed.y, outerHeight, work.top, work.bottom);
  RECT placed = {left, top, left + outerWidth, top + outerHeight};
  return placed;
}
