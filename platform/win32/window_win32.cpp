// The window layer on Win32: the game's window class and window, the thread's message
// queue read without waiting, repaints paced at 60 a second and run only from the game's
// own loop, message boxes and debugger output. The window takes any size, full screen
// included, while the game keeps seeing its 640 by 480 picture; the system's keys and
// Alt+Enter stay the system's; the pads are read at each pass of the loop, and the display
// stays awake while the game plays in front.
//
// platform/window.h comes before <windows.h>: its message numbers, key codes and box
// constants are Windows' own numbers, which <windows.h> then defines again as macros of
// the same values. A WindowHandle is the window's HWND.
#include "platform/window.h"

#include <stdio.h>
#include <string.h>

#include "platform/shared/frame_clock.h"
#include "platform/shared/frame_pacer.h"
#include "platform/shared/scaled_frame.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <imm.h>

#include "platform/win32/display_awake.h"
#include "platform/win32/dpi_win32.h"
#include "platform/win32/drawn_window.h"
#include "platform/win32/fullscreen_win32.h"
#include "platform/win32/game_keys_win32.h"
#include "platform/win32/gamepad_xinput.h"

static_assert(WM_PAINT == 0x000F && WM_QUIT == 0x0012 && VK_LEFT == 0x25 && MB_OK == 0,
              "the game's numbers are Windows' numbers");

namespace {

enum { MAX_CLASSES = 4, MAX_WINDOWS = 4 };

// The game's procedure of each registered class. The class itself carries the procedure
// below, which hands every message on to the game's.
struct ClassEntry {
  ATOM atom;
  char name[256];
  WindowProcedure windowProc;
};
ClassEntry classes[MAX_CLASSES];
int classCount = 0;

// A window being created has no class lookup yet for the messages of its creation.
WindowProcedure procedureBeingCreated = 0;

FramePacer pacer;  // repaints at 60 a second, whatever the display's refresh

// What the layer knows of each window it made, until the window goes: whether GL has
// drawn into it and when it last did, whether the system has erased it since (it was
// exposed), and how to show its last picture again.
struct WindowState {
  HWND hwnd;
  int drawn;
  int exposed;
  uint32_t erases;
  uint32_t lastSwapMs;
  WindowPresenter presenter;
  bool fixedSize;
};
WindowState windows[MAX_WINDOWS];
HWND gameWindow = 0;  // the last window made: the one whose frames the loop paces

// Set while the game's own loop dispatches the repaint it handed out. Only that repaint
// runs a frame: one that a message box, the move and size loop or menu mode dispatches
// would run a frame unpaced inside that loop, and a frame that opens a box (a sound that
// cannot play) would run again under it and open another.
int repaintFromGameLoop = 0;

HWND hwndOf(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle handleOf(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }

WindowState* stateOf(HWND hwnd) {
  for (int i = 0; hwnd && i < MAX_WINDOWS; i++)
    if (windows[i].hwnd == hwnd) return &windows[i];
  return 0;
}

WindowProcedure procedureOf(HWND hwnd) {
  ATOM atom = (ATOM)GetClassLongPtrA(hwnd, GCW_ATOM);
  for (int i = 0; i < classCount; i++)
    if (classes[i].atom == atom) return classes[i].windowProc;
  return procedureBeingCreated;
}

// The last picture again, at the window's size now, with no work from the game.
void presentAgain(HWND hwnd) {
  WindowState* state = stateOf(hwnd);
  if (state && state->drawn && state->presenter && !state->presenter(hwnd)) state->exposed = 1;
}

// A repaint the game's loop did not hand out: validated, so the loop that dispatched it
// idles, and the last picture shown again. An erase it carries is still taken as an
// exposure (and shows the picture itself).
void dropRepaint(HWND hwnd) {
  WindowState* state = stateOf(hwnd);
  const uint32_t erases = state ? state->erases : 0;
  GetUpdateRect(hwnd, 0, TRUE);
  ValidateRect(hwnd, 0);
  if (state && state->erases == erases) presentAgain(hwnd);
}

// A window whose picture cannot be scaled keeps a client area of at least 640 by 480.
void keepMinimumSize(HWND hwnd, MINMAXINFO* info) {
  WindowState* state = stateOf(hwnd);
  if (!state || !state->fixedSize || isFullscreen(hwnd)) return;
  SIZE outer = outerSizeForClient((DWORD)GetWindowLongW(hwnd, GWL_STYLE),
                                  (DWORD)GetWindowLongW(hwnd, GWL_EXSTYLE), GAME_FRAME_WIDTH,
                                  GAME_FRAME_HEIGHT, windowDpi(hwnd));
  info->ptMinTrackSize.x = outer.cx;
  info->ptMinTrackSize.y = outer.cy;
}

// What the layer does itself with a message before (or instead of) the game's procedure.
// Returns true, with the result, when the game must not get the message.
bool handledHere(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (keyBelongsToSystem(message, wParam, lParam)) {
    if (isAltEnterPress(message, wParam, lParam)) toggleFullscreen(hwnd);
    *result = DefWindowProcA(hwnd, message, wParam, lParam);
    return true;
  }
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      noteGameKey(message, wParam);
      return false;
    case WM_KILLFOCUS:
      forgetGamepadKeys();
      releaseGameKeys(hwnd);
      return false;
    case WM_ACTIVATEAPP:
      if (!wParam) {
        forgetGamepadKeys();
        releaseGameKeys(hwnd);
      }
      return false;
    case WM_SETCURSOR:
      // No pointer over the game in full screen.
      if (!isFullscreen(hwnd) || LOWORD(lParam) != HTCLIENT) return false;
      SetCursor(0);
      *result = TRUE;
      return true;
    case WM_GETMINMAXINFO:
      keepMinimumSize(hwnd, reinterpret_cast<MINMAXINFO*>(lParam));
      *result = 0;
      return true;
    case WM_DPICHANGED: {
      // Dragged onto a monitor of another scale: the size Windows suggests keeps the same
      // part of the game's picture on screen. In full screen: the whole monitor again.
      const RECT* r = reinterpret_cast<const RECT*>(lParam);
      if (isFullscreen(hwnd))
        coverMonitorAgain(hwnd);
      else if (r)
        SetWindowPos(hwnd, 0, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      *result = 0;
      return true;
    }
    case WM_DISPLAYCHANGE:
      // A new resolution, a dock or a monitor gone (Xvfb's one screen never changes).
      coverMonitorAgain(hwnd);
      return false;
    case WM_WINDOWPOSCHANGING:
      keepCoveringMonitor(hwnd, reinterpret_cast<WINDOWPOS*>(lParam));
      return false;
    case WM_SYSCOMMAND:
      // Windows counts no pad as activity: in play, the screen saver and the monitor's
      // power saving are refused (asked to turn the monitor on, it still may). Wine starts
      // neither: the tests send what Windows would.
      if (!displayKeptAwake()) return false;
      if ((wParam & 0xFFF0) != SC_SCREENSAVE &&
          ((wParam & 0xFFF0) != SC_MONITORPOWER || lParam == -1))
        return false;
      *result = 0;
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK forwardToGame(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    if (!repaintFromGameLoop) {
      dropRepaint(hwnd);
      return 0;
    }
    repaintFromGameLoop = 0;  // a loop run inside the frame gets none
  }
  // Erased until GL has drawn; after that the fill would only wipe the picture, and the
  // system erases only what it has uncovered (the game's own requests never erase).
  if (message == WM_ERASEBKGND && windowDrawn(hwnd)) {
    stateOf(hwnd)->exposed = 1;
    stateOf(hwnd)->erases++;
    presentAgain(hwnd);
    return 1;
  }
  if (message == WM_NCDESTROY) {
    WindowState* state = stateOf(hwnd);
    if (state) memset(state, 0, sizeof *state);
    if (hwnd == gameWindow) gameWindow = 0;
  }
  LRESULT result = 0;
  if (handledHere(hwnd, message, wParam, lParam, &result)) return result;
  WindowProcedure proc = procedureOf(hwnd);
  if (!proc) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_SIZE) {
    // The game's picture is 640 by 480 whatever the window's size; the picture follows a
    // new size at once.
    result = proc(handleOf(hwnd), message, wParam, MAKELPARAM(GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT));
    if (wParam != SIZE_MINIMIZED) presentAgain(hwnd);
    return result;
  }
  return proc(handleOf(hwnd), message, wParam, lParam);
}

void fill(WindowMessage* message, const MSG& msg) {
  message->window = handleOf(msg.hwnd);
  message->message = msg.message;
  message->wParam = msg.wParam;
  message->lParam = msg.lParam;
}

MSG toMsg(const WindowMessage* message) {
  MSG msg;
  memset(&msg, 0, sizeof msg);
  msg.hwnd = hwndOf(message->window);
  msg.message = message->message;
  msg.wParam = message->wParam;
  msg.lParam = message->lParam;
  return msg;
}

// Any waiting message but a repaint: the ranges below and above WM_PAINT. (The quit
// message lies above it.)
int takeOtherMessage(WindowMessage* message) {
  MSG msg;
  if (PeekMessageA(&msg, 0, 0, WM_PAINT - 1, PM_REMOVE) ||
      PeekMessageA(&msg, 0, WM_PAINT + 1, 0xFFFFFFFFu, PM_REMOVE)) {
    fill(message, msg);
    return 1;
  }
  return 0;
}

int repaintPending() {
  MSG msg;
  return PeekMessageA(&msg, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE) != 0;
}

// A repaint is handed out only once its frame slot has come: one repaint is one step of
// the match, so the match keeps 60 steps a second on any display and the loop does not
// spin between frames.
int takeRepaint(WindowMessage* message) {
  int64_t now = frameClockMicroseconds();
  if (framePacerTimeToSlot(&pacer, now) > 0) return 0;
  MSG msg;
  if (!PeekMessageA(&msg, 0, WM_PAINT, WM_PAINT, PM_REMOVE)) return 0;
  // An erase the system asked for (the window was uncovered) comes now, before the frame.
  // Until the first repaint, erases belong to showing the window (Wine's X server exposes
  // it late), and what was drawn then was drawn after it showed.
  GetUpdateRect(msg.hwnd, 0, TRUE);
  WindowState* state = stateOf(msg.hwnd);
  if (state && !pacer.started) state->exposed = 0;
  framePacerTakeSlot(&pacer, now);
  fill(message, msg);
  return 1;
}

// At each pass of the main loop: the pads are read while the game's window is in front, and
// the display kept awake while the game plays there.
void everyPass() {
  WindowState* state = stateOf(gameWindow);
  const bool inFront = state && GetForegroundWindow() == gameWindow;
  if (inFront) pollGamepads(gameWindow);
  keepDisplayAwakeWhilePlaying(state ? state->lastSwapMs : 0, state && state->drawn, inFront,
                               GetTickCount());
}

// Nothing to hand out before the next frame slot: wait for input or the slot. A window
// that gets no repaint (a hidden picture; a window Windows leaves unpainted, covered under
// a classic theme or in a remote session) lets its slots pass without a frame, one a wait.
void waitForSlot() {
  int64_t now = frameClockMicroseconds();
  int64_t wait = framePacerTimeToSlot(&pacer, now);
  if (wait <= 0 && !repaintPending()) {
    if (pacer.started) {
      framePacerTakeSlot(&pacer, now);
      wait = framePacerTimeToSlot(&pacer, now);
    } else {
      wait = 1000000 / FRAMES_PER_SECOND;  // the slots start at the first frame
    }
  }
  frameClockWaitForInput(wait);
}

}  // namespace

int openDesktop() { return 1; }  // Windows is the desktop: nothing to connect to

void closeDesktop() {}

int registerWindowClass(const WindowClass* windowClass) {
  if (!windowClass || !windowClass->className || !windowClass->windowProc) return 0;
  if (classCount == MAX_CLASSES || strlen(windowClass->className) >= sizeof classes[0].name)
    return 0;
  HINSTANCE instance = GetModuleHandleA(0);
  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  // One device context for the window's life: the GL context is made on it at start-up
  // and every swap goes to it, so it must not be a shared one handed back at each release.
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = forwardToGame;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  // The program's own icon (resource 1, vask_icon.rc), or the system's in a program built
  // without it; no menu.
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  if (!wc.hIcon) wc.hIcon = LoadIconA(0, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(0, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(DKGRAY_BRUSH);
  wc.lpszMenuName = 0;
  wc.lpszClassName = windowClass->className;
  ATOM atom = RegisterClassA(&wc);
  if (!atom) return 0;
  classes[classCount].atom = atom;
  snprintf(classes[classCount].name, sizeof classes[classCount].name, "%s", windowClass->className);
  classes[classCount].windowProc = windowClass->windowProc;
  classCount++;
  return 1;
}

// The window is made with a 640 by 480 client area (the frame and caption come on top),
// where the outer size asked for would leave a smaller one, times the scale of the
// monitor it opens on, as far as the monitor's work area holds it (175 % on 1920 by 1080,
// 125 % on 1366 by 768 would open under the taskbar where Windows first puts it).
WindowHandle createWindow(const char* className, const char* title, int width, int height) {
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  RECT outer = {0, 0, width, height};
  AdjustWindowRect(&outer, style, FALSE);
  WindowProcedure proc = 0;
  for (int i = 0; className && i < classCount && i < MAX_CLASSES; i++)
    if (strcmp(classes[i].name, className) == 0) proc = classes[i].windowProc;
  WindowState* state = 0;
  for (int i = 0; i < MAX_WINDOWS && !state; i++)
    if (!windows[i].hwnd) state = &windows[i];
  if (!proc || !state) return 0;
  procedureBeingCreated = proc;
  HWND hwnd = CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              outer.right - outer.left, outer.bottom - outer.top, 0, 0,
                              GetModuleHandleA(0), 0);
  procedureBeingCreated = 0;
  if (!hwnd) return 0;
  memset(state, 0, sizeof *state);
  state->hwnd = hwnd;
  gameWindow = hwnd;
  // No input method: with one on, keys would arrive as VK_PROCESSKEY and end the game.
  ImmAssociateContext(hwnd, 0);
  const UINT dpi = windowDpi(hwnd);
  MONITORINFO monitor;
  memset(&monitor, 0, sizeof monitor);
  monitor.cbSize = sizeof monitor;
  RECT proposed;
  if (GetWindowRect(hwnd, &proposed) &&
      GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const SIZE frame = outerSizeForClient(style, 0, 0, 0, dpi);
    const RECT placed = firstWindowRect(POINT{proposed.left, proposed.top}, SIZE{width, height},
                                        frame, dpi, monitor.rcWork);
    if (!EqualRect(&placed, &proposed))
      SetWindowPos(hwnd, 0, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return handleOf(hwnd);
}

int peekMessage(WindowMessage* message) {
  if (!message) return 0;
  everyPass();
  if (takeOtherMessage(message) || takeRepaint(message)) return 1;
  // No frame this pass (an early repaint, or none at all): wait for input or the slot,
  // whichever comes first, then hand out what there is. Never a pass without a wait, or
  // the loop spins.
  waitForSlot();
  return takeOtherMessage(message) || takeRepaint(message);
}

void translateMessage(const WindowMessage* message) {
  if (!message) return;
  MSG msg = toMsg(message);
  TranslateMessage(&msg);
}

intptr_t dispatchMessage(const WindowMessage* message) {
  if (!message || message->message == WM_QUIT) return 0;
  MSG msg = toMsg(message);
  repaintFromGameLoop = message->message == WM_PAINT;
  LRESULT result = DispatchMessageA(&msg);
  repaintFromGameLoop = 0;
  return result;
}

// System keys (Alt combinations, F10) do what Windows does with them, but for menu mode:
// Alt+F4 closes the window and Alt+Space opens the system menu, while F10 or a tap of Alt
// would put the window into menu mode, where the arrows move through the menu instead of
// steering. No system key ends the game.
intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU && lParam != ' ') return 0;
  return DefWindowProcA(hwndOf(window), message, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void invalidateWindow(WindowHandle window) { InvalidateRect(hwndOf(window), 0, FALSE); }

// The size handling gets the size of the game's picture, 640 by 480 whatever the window's
// size: the GL layer scales that picture to the client area.
int getWindowRect(WindowHandle window, WindowRect* rect) {
  RECT outer;
  if (!rect || !GetWindowRect(hwndOf(window), &outer)) return 0;
  rect->left = outer.left;
  rect->top = outer.top;
  rect->right = outer.left + GAME_FRAME_WIDTH;
  rect->bottom = outer.top + GAME_FRAME_HEIGHT;
  return 1;
}

// Started with --fullscreen, the game's window goes to full screen as it first shows.
void showWindow(WindowHandle window) {
  static bool fullscreenLookedAt = false;
  HWND hwnd = hwndOf(window);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  if (hwnd != gameWindow || fullscreenLookedAt) return;
  fullscreenLookedAt = true;
  if (fullscreenAsked()) toggleFullscreen(hwnd);
}

void updateWindow(WindowHandle window) {
  repaintFromGameLoop = 1;
  UpdateWindow(hwndOf(window));
  repaintFromGameLoop = 0;
}

int windowExposed(WindowHandle window) {
  WindowState* state = stateOf(hwndOf(window));
  if (!state || !state->exposed) return 0;
  state->exposed = 0;
  return 1;
}

int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  // Also on standard error, for whoever started the program from a console.
  fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
  fflush(stderr);
  // A box the game raises with no owner while its window shows belongs to that window: one
  // of its own could open behind a full-screen window or on another monitor, and the game
  // waiting for it would look hung. It comes to the front.
  HWND ownerWindow = hwndOf(owner);
  if (!ownerWindow && IsWindowVisible(gameWindow)) ownerWindow = gameWindow;
  // Out of full screen while it is up, and back after: some drivers show a window that
  // covers its monitor past the desktop's composition, over every other window (not
  // Wine's: here only the owner and the leaving show).
  const bool leftFullscreen = isFullscreen(ownerWindow);
  if (leftFullscreen) toggleFullscreen(ownerWindow);
  // A box of no owner (before the window shows) still stops the game: every window of the
  // thread waits for it.
  const UINT modality = ownerWindow ? 0 : MB_TASKMODAL | MB_TOPMOST;
  const int result = MessageBoxA(ownerWindow, text, caption, type | modality | MB_SETFOREGROUND);
  if (leftFullscreen && !isFullscreen(ownerWindow)) toggleFullscreen(ownerWindow);
  return result;
}

void outputDebugString(const char* text) {
  if (text) OutputDebugStringA(text);
}

void markWindowDrawn(HWND window) {
  WindowState* state = stateOf(window);
  if (!state) return;
  state->drawn = 1;
  state->lastSwapMs = GetTickCount();
}

void setWindowPresenter(HWND window, WindowPresenter presenter, bool fixedSize) {
  WindowState* state = stateOf(window);
  if (!state) return;
  state->presenter = presenter;
  state->fixedSize = fixedSize;
}

bool windowDrawn(HWND window) {
  const WindowState* state = stateOf(window);
  return state && state->drawn;
}
