// Window layer: the desktop window, its message queue, message boxes and debugger output.
// Its names and numbers are Windows' own: the Win32 backend includes it before <windows.h>,
// whose macros then carry the same values.
#pragma once
#include <stdint.h>

// Message numbers, as the desktop's window procedure receives them.
enum {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_SIZE = 0x0005,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
};

// Virtual-key codes carried by the key messages (first message parameter).
enum {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
  VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  VK_F1 = 0x70, VK_F4 = 0x73, VK_F8 = 0x77, VK_F10 = 0x79, VK_F12 = 0x7B,
  VK_OEM_UNKNOWN = 0xFF,  // a key the desktop could not name: still a key, so it quits play
};

// Key messages: bit 29 of lParam is set while Alt is held; bit 30 for an auto-repeat.
enum { KEY_ALT_DOWN_BIT = 1 << 29, KEY_REPEAT_BIT = 1 << 30 };

// Message-box buttons and results.
enum { MB_OK = 0x0000, IDOK = 1 };

typedef struct PlatformWindow* WindowHandle;

typedef intptr_t (*WindowProcedure)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);

struct WindowClass {
  const char* className;
  WindowProcedure windowProc;
};

struct WindowMessage {
  WindowHandle window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

struct WindowRect {
  int32_t left, top, right, bottom;
};

// The backend's program entry connects to the desktop before running the game, and tests
// that open windows do the same. Returns non-zero on success (0: no display to use).
int openDesktop();

// The program entry (and such tests) disconnect after the game has returned.
void closeDesktop();

// The game's entry point. The backend's own program entry (main, or WinMain on Windows)
// initialises the desktop connection and calls it once; its result is the exit code.
int gameMain(void* instance);

// The words the program was started with, after its own name: the desktop's command line,
// or what the page was opened with. 0 for an index out of range.
int commandLineCount();
const char* commandLineArgument(int index);

// Start-up registers the game's window class once, before creating its window.
// Returns non-zero on success, 0 on failure.
int registerWindowClass(const WindowClass* windowClass);

// Start-up creates the game's one window of a registered class, hidden, at the given outer
// size. The window procedure receives WM_CREATE before this returns, and may receive a
// WM_SIZE too (Windows sends it only when a window of default placement first shows).
// Returns 0 when the window cannot be created.
WindowHandle createWindow(const char* className, const char* title, int width, int height);

// The main loop takes at most one message. Returns 1 and fills `message` when there was
// one, else 0. A pending repaint comes as WM_PAINT when nothing else waits and its frame
// slot has come (60 a second); before that the call waits for input or the slot, so the
// loop neither spins nor lets the match run faster than 60 steps a second. A minimised
// window may get no repaints at all: the call still waits out each frame slot.
int peekMessage(WindowMessage* message);

// The main loop translates each message before dispatching it (key messages would also
// produce character messages, which nobody handles).
void translateMessage(const WindowMessage* message);

// The main loop hands each message but WM_QUIT to the window's procedure; returns its result.
// Only the repaints it hands over run a frame: one that a loop of the desktop's own (a
// message box, moving or sizing the window) would deliver is dropped, so the game waits
// while such a loop runs.
intptr_t dispatchMessage(const WindowMessage* message);

// Window procedures hand every message they do not handle themselves to this.
// System keys (Alt combinations, F10) end up here and do nothing.
intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);

// The window procedure posts WM_QUIT with this exit code when the window is destroyed
// or a quit key is pressed.
void postQuitMessage(int exitCode);

// The main loop marks the whole window as needing a repaint at every pass (no erasing).
void invalidateWindow(WindowHandle window);

// The size handling reads the window's outer rectangle. Both backends report the size of
// the picture: SDL the size the game asked for at any window size, since its GL layer scales
// that picture to the window, and Win32 the client area, since the caption would cover the
// top of an outer-sized viewport.
int getWindowRect(WindowHandle window, WindowRect* rect);

// The graphics set-up shows the window in its normal state once GL is ready.
void showWindow(WindowHandle window);

// The graphics set-up has any pending repaint handled at once after showing the window.
void updateWindow(WindowHandle window);

// The repaint handling at the title asks whether the desktop has exposed (uncovered) part
// of the window since it last asked: the title is drawn once, and a desktop without a
// compositor keeps nothing of what was covered. Returns 1 once for each exposure, else 0.
// The exposures of showing the window, until the main loop's first repaint, do not count:
// the window is drawn after it shows.
int windowExposed(WindowHandle window);

// Failures are reported in a modal box with one OK button; a null caption shows "Error".
// The text is also written to standard error. Returns IDOK once the box is closed.
int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type);

// The title picture reports what it could not open here: the debugger's output on Windows,
// standard error where there is no such thing.
void outputDebugString(const char* text);
