// The Win32 window layer's message rules through the real Windows message queue: creation
// sends WM_CREATE before it returns and showing a WM_SIZE of the 640 by 480 client area,
// the queue is read without waiting, a repaint comes only when nothing else waits and after
// the quit message, and closing destroys the window and quits. Only the game's loop runs
// frames, system keys open no menu mode, the window takes no input method and the layer
// forgets a window when it goes. Keys of the system and Alt+Enter (which switches to full
// screen) never reach the game, nor does any key pressed while a Windows key is down; keys it
// holds are released when focus goes, and a pad read through XInput (from the system folder,
// its empty slots one at a time) steers it. Full screen follows the display and makes way for
// a message box, which the game's window owns. The display stays awake only while frames are
// swapped in front. The frame clock's wait and the multimedia timer below.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

// The game's header first: Windows' headers then define the same numbers again.
#include "platform/multimedia_timer.h"
#include "platform/shared/frame_clock.h"
#include "platform/window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <imm.h>
#include <xinput.h>

#include "platform/win32/display_awake.h"
#include "platform/win32/dpi_win32.h"
#include "platform/win32/drawn_window.h"
#include "platform/win32/fullscreen_win32.h"

namespace {

std::vector<uint32_t> received;
std::vector<intptr_t> sizes;
const char* const BOX_CAPTION = "Layer test box";
int boxUp = 0;            // a message box of the test is open
int framesUnderBox = 0;   // repaints that reached the game's procedure while it was
int menuLoops = 0;        // times the window went into menu mode
std::string keyLog;       // the key messages the game's procedure got, repeats left out

void closeBox() {
  HWND box = FindWindowA("#32770", BOX_CAPTION);
  if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

intptr_t recordingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  received.push_back(message);
  const bool key = message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
                   message == WM_SYSKEYUP;
  if (key && !(message == WM_KEYDOWN && (lParam & KEY_REPEAT_BIT))) {
    const char* kind[] = {"down:", "up:", "", "", "sysdown:", "sysup:"};
    keyLog += (keyLog.empty() ? "" : " ") + std::string(kind[message - WM_KEYDOWN]);
    keyLog += wParam >= 'A' && wParam <= 'Z' ? std::string(1, (char)wParam) : std::to_string(wParam);
  }
  switch (message) {
    case WM_ENTERMENULOOP:
      menuLoops++;
      PostMessageA(reinterpret_cast<HWND>(window), WM_CANCELMODE, 0, 0);  // and leave it
      return 0;
    case WM_DESTROY:
      postQuitMessage(0);
      return 1;
    case WM_SIZE:
      sizes.push_back(lParam);
      return 1;
    case WM_PAINT:
      if (boxUp) {
        framesUnderBox++;
        closeBox();  // the test has seen enough; the window stays invalid
      }
      return 1;
    case WM_KEYDOWN:
    case WM_CREATE:
      return 1;
    default:
      return defaultWindowProc(window, message, wParam, lParam);
  }
}

HWND hwndOf(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle handleOf(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }

WindowHandle makeWindow() {
  static int registered = 0;
  if (!registered) {
    WindowClass cls = {"Win32 Layer Test", recordingProc};
    registered = registerWindowClass(&cls);
  }
  received.clear();
  sizes.clear();
  return registered ? createWindow("Win32 Layer Test", "layer test", 640, 480) : 0;
}

// The next message the main loop would take, waiting at most about a second for it.
uint32_t nextMessage(WindowMessage* m) {
  for (int pass = 0; pass < 200; pass++) {
    if (peekMessage(m)) return m->message;
    Sleep(5);
  }
  return 0;
}

// A shown window whose show messages have been handled, validated: the queue is empty.
WindowHandle shownWindow() {
  WindowHandle window = makeWindow();
  if (!window) return 0;
  showWindow(window);
  WindowMessage m;
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  ValidateRect(hwndOf(window), 0);
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  return window;
}

void destroy(WindowHandle window) {
  DestroyWindow(hwndOf(window));
  WindowMessage m;
  while (peekMessage(&m)) dispatchMessage(&m);
}

// The main loop's passes until the queue holds nothing but, at most, a repaint.
void dispatchWaiting() {
  WindowMessage m;
  for (int i = 0; i < 100 && peekMessage(&m) && m.message != WM_PAINT; i++) {
    translateMessage(&m);
    dispatchMessage(&m);
  }
}

// Alt+Enter as Windows sends it, pressed and let go, and the loop's passes after it.
void pressAltEnter(HWND hwnd) {
  PostMessageA(hwnd, WM_SYSKEYDOWN, VK_RETURN, 1 | KEY_ALT_DOWN_BIT);
  PostMessageA(hwnd, WM_SYSKEYUP, VK_RETURN, (LPARAM)0xC0000001u | KEY_ALT_DOWN_BIT);
  dispatchWaiting();
}

RECT monitorOf(HWND hwnd) {
  MONITORINFO monitor;
  memset(&monitor, 0, sizeof monitor);
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcMonitor;
}

std::string describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Whether the window covers its monitor as a full-screen window does: no caption.
::testing::AssertionResult coversItsMonitor(HWND hwnd) {
  RECT r, monitor = monitorOf(hwnd);
  if (!GetWindowRect(hwnd, &r)) return ::testing::AssertionFailure() << "no window";
  if (!EqualRect(&r, &monitor))
    return ::testing::AssertionFailure() << "at " << describe(r) << ", the monitor " << describe(monitor);
  if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION) return ::testing::AssertionFailure() << "a caption";
  return ::testing::AssertionSuccess();
}

// Whether the window is back at its framed rectangle, with its caption.
::testing::AssertionResult framedAt(HWND hwnd, const RECT& framed) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return ::testing::AssertionFailure() << "no window";
  if (!EqualRect(&r, &framed))
    return ::testing::AssertionFailure() << "at " << describe(r) << ", framed at " << describe(framed);
  if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION)) return ::testing::AssertionFailure() << "no caption";
  return ::testing::AssertionSuccess();
}

// A shown window, and its framed rectangle.
HWND framedWindow(RECT* framed) {
  HWND hwnd = hwndOf(shownWindow());
  if (!hwnd || !GetWindowRect(hwnd, framed)) return 0;
  return hwnd;
}

// A shown window put in full screen with Alt+Enter.
HWND fullScreenWindow() {
  WindowHandle window = shownWindow();
  if (window) pressAltEnter(hwndOf(window));
  return hwndOf(window);
}

HWND boxOwnerWindow = 0;
int enabledUnderBox = -1;
HWND boxOwnedBy = 0;       // the open box's owner
int captionUnderBox = -1;  // whether the game's window had its caption while the box was up

void CALLBACK boxTimeout(HWND, UINT, UINT_PTR, DWORD) {
  if (enabledUnderBox < 0) {
    enabledUnderBox = IsWindowEnabled(boxOwnerWindow) ? 1 : 0;
    boxOwnedBy = GetWindow(FindWindowA("#32770", BOX_CAPTION), GW_OWNER);
    captionUnderBox = (GetWindowLongA(boxOwnerWindow, GWL_STYLE) & WS_CAPTION) != 0;
  }
  closeBox();
}

// A message box of the layer opened with no owner, looked at once its loop idles, closed.
void openBoxAndLookAtIt(HWND game) {
  enabledUnderBox = -1;
  boxOwnedBy = 0;
  captionUnderBox = -1;
  boxOwnerWindow = game;
  UINT_PTR timer = SetTimer(0, 0, 200, boxTimeout);
  EXPECT_EQ(messageBox(0, "Could not play sound", BOX_CAPTION, MB_OK), IDOK);
  KillTimer(0, timer);
}

// The thread's key state as the key messages being handled see it: whether a key is down.
void setKeyDown(BYTE key, bool down) {
  BYTE state[256];
  GetKeyboardState(state);
  state[key] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

// What the thread asks of the display, read without changing it.
EXECUTION_STATE executionState() {
  EXECUTION_STATE now = SetThreadExecutionState(ES_CONTINUOUS);
  SetThreadExecutionState(now);
  return now;
}

TEST(Win32WindowLayer, CreationSendsCreateAndShowingTheClientSize) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  EXPECT_TRUE(std::find(received.begin(), received.end(), (uint32_t)WM_CREATE) != received.end())
      << "no WM_CREATE before the window was handed back";
  // Windows sizes a window of default placement when it first shows: the size handling
  // then gets the whole 640 by 480 picture, the client area, before showWindow returns.
  sizes.clear();
  showWindow(window);
  ASSERT_FALSE(sizes.empty()) << "showing sent no WM_SIZE";
  EXPECT_EQ(sizes.back(), (intptr_t)MAKELPARAM(640, 480));
  WindowRect r = {0, 0, 0, 0};
  ASSERT_TRUE(getWindowRect(window, &r));
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);
  RECT placed;
  MONITORINFO monitor;
  memset(&monitor, 0, sizeof monitor);
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetWindowRect(hwndOf(window), &placed));
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(hwndOf(window), MONITOR_DEFAULTTONEAREST), &monitor));
  RECT overlap;
  IntersectRect(&overlap, &placed, &monitor.rcWork);
  EXPECT_TRUE(EqualRect(&overlap, &placed)) << "the window is not inside the monitor's work area";
  DestroyWindow(hwndOf(window));
  WindowMessage m;
  while (peekMessage(&m)) dispatchMessage(&m);
}

// The first window at the monitor's scale, as large as the work area holds it, and inside
// it: at 175 % on 1920 by 1080 and at 125 % on 1366 by 768 where Windows first puts it
// its lower edge would be under the taskbar, and at 150 % on 1366 by 768 it would not fit.
TEST(Win32WindowLayer, TheFirstWindowFitsInsideTheWorkAreaAtTheMonitorsScale) {
  const SIZE picture = {640, 480};
  const POINT proposed = {130, 130};
  const struct {
    UINT dpi;
    RECT work;
    SIZE frame;
    int width, height;
  } cases[] = {
      {168, {0, 0, 1920, 996}, {30, 66}, 1120, 840},
      {120, {0, 0, 1366, 708}, {20, 49}, 800, 600},
      {144, {0, 0, 1366, 708}, {24, 57}, 868, 651},
      {120, {1366, 0, 2732, 708}, {20, 49}, 800, 600},  // a second monitor, to the right
  };
  for (const auto& c : cases) {
    const RECT placed = firstWindowRect(proposed, picture, c.frame, c.dpi, c.work);
    RECT overlap;
    IntersectRect(&overlap, &placed, &c.work);
    EXPECT_TRUE(EqualRect(&overlap, &placed)) << c.dpi << " dpi: outside the work area";
    EXPECT_EQ(placed.right - placed.left - c.frame.cx, c.width) << c.dpi << " dpi";
    EXPECT_EQ(placed.bottom - placed.top - c.frame.cy, c.height) << c.dpi << " dpi";
  }
  // Where it fits, it stays where Windows put it; on a work area too small for the picture
  // itself it keeps the picture's size, from the work area's corner.
  const RECT roomy = firstWindowRect(proposed, picture, SIZE{16, 39}, 96, RECT{0, 0, 1024, 768});
  const RECT asPut = {130, 130, 786, 649};
  EXPECT_TRUE(EqualRect(&roomy, &asPut));
  const RECT small = firstWindowRect(proposed, picture, SIZE{16, 39}, 96, RECT{0, 0, 600, 400});
  const RECT corner = {0, 0, 656, 519};
  EXPECT_TRUE(EqualRect(&small, &corner));
}

TEST(Win32WindowLayer, WaitingMessagesAndTheQuitComeBeforeTheRepaint) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  showWindow(window);
  WindowMessage m;
  // The show's own messages; a painted window then leaves the queue empty, and it is read
  // without waiting.
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  ValidateRect(hwndOf(window), 0);
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  WindowMessage none;
  EXPECT_EQ(peekMessage(&none), 0) << "a message came from an empty queue";

  invalidateWindow(window);
  PostMessageA(hwndOf(window), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_KEYDOWN) << "the repaint came before a waiting key";
  EXPECT_EQ(m.wParam, (uintptr_t)VK_LEFT);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_PAINT) << "no repaint once nothing else waits";

  // The window stays invalid (the game never validates it): a quit still comes first, so
  // the loop ends without drawing another frame.
  postQuitMessage(0);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_QUIT) << "a repaint came before the quit message";
  DestroyWindow(hwndOf(window));
  while (peekMessage(&m)) dispatchMessage(&m);
}

TEST(Win32WindowLayer, ClosingDestroysTheWindowAndQuitsWithZero) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  showWindow(window);
  PostMessageA(hwndOf(window), WM_CLOSE, 0, 0);
  WindowMessage m;
  uint32_t got = 0;
  for (int i = 0; i < 200 && got != WM_QUIT; i++) {
    got = nextMessage(&m);
    if (got && got != WM_QUIT) dispatchMessage(&m);
  }
  ASSERT_EQ(got, (uint32_t)WM_QUIT) << "closing did not quit";
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_TRUE(std::find(received.begin(), received.end(), (uint32_t)WM_DESTROY) != received.end());
  EXPECT_FALSE(IsWindow(hwndOf(window)));
}

// A failing sound play opens its box from inside a frame, with no owner. The box's own
// loop must run no frame (another failing play would open another box), and the game's
// window takes no keys while the box is up.
TEST(Win32WindowLayer, AMessageBoxRunsNoFrameAndTheGameWaitsForIt) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  invalidateWindow(window);
  framesUnderBox = 0;
  boxUp = 1;
  openBoxAndLookAtIt(hwndOf(window));
  boxUp = 0;
  EXPECT_EQ(framesUnderBox, 0) << "a repaint ran a frame inside the box's loop";
  EXPECT_EQ(enabledUnderBox, 0) << "the game's window took input under the box";
  EXPECT_TRUE(IsWindowEnabled(hwndOf(window)));
  // The game's own loop runs frames again.
  invalidateWindow(window);
  WindowMessage m;
  uint32_t got = 0;
  for (int i = 0; i < 20 && got != WM_PAINT; i++) {
    got = nextMessage(&m);
    if (got) dispatchMessage(&m);
  }
  EXPECT_EQ(got, (uint32_t)WM_PAINT);
  destroy(window);
}

// F10 or a tap of Alt would put the window into menu mode, where the arrows steer through
// the system menu. Alt+Space still opens that menu, and Alt+F4 still closes the window.
TEST(Win32WindowLayer, SystemKeysOpenNoMenuModeButAltSpaceAndAltF4Work) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  const LPARAM down = 1, up = (LPARAM)0xC0000001u, alt = KEY_ALT_DOWN_BIT;
  menuLoops = 0;
  PostMessageA(hwnd, WM_SYSKEYDOWN, VK_F10, down);
  PostMessageA(hwnd, WM_SYSKEYUP, VK_F10, up);
  PostMessageA(hwnd, WM_SYSKEYDOWN, VK_MENU, down | alt);
  PostMessageA(hwnd, WM_SYSKEYUP, VK_MENU, up);
  dispatchWaiting();
  EXPECT_EQ(menuLoops, 0) << "F10 or Alt put the window into menu mode";

  PostMessageA(hwnd, WM_SYSCHAR, ' ', down | alt);
  dispatchWaiting();
  EXPECT_EQ(menuLoops, 1) << "Alt+Space did not open the system menu";
  EXPECT_TRUE(IsWindow(hwnd));

  PostMessageA(hwnd, WM_SYSKEYDOWN, VK_F4, down | alt);
  WindowMessage m;
  uint32_t got = 0;
  for (int i = 0; i < 50 && got != WM_QUIT; i++) {
    got = nextMessage(&m);
    if (got && got != WM_QUIT) dispatchMessage(&m);
  }
  EXPECT_EQ(got, (uint32_t)WM_QUIT) << "Alt+F4 did not close the window";
  EXPECT_FALSE(IsWindow(hwnd));
}

// Keys of the system keep doing what the system does and never reach the game, which ends
// at any key it has no command for; a key of the game's own still does.
TEST(Win32WindowLayer, SystemKeysNeverReachTheGame) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  // F13 to F24 (the Copilot key's F23 among them), and the Japanese keyboard's Eisu,
  // Katakana/Hiragana and Hankaku/Zenkaku keys as a window without an input method gets
  // them (VK_DBE_ALPHANUMERIC to VK_DBE_NOROMAN).
  const WPARAM systemKeys[] = {VK_VOLUME_UP, VK_VOLUME_MUTE, VK_MEDIA_PLAY_PAUSE, VK_BROWSER_BACK,
                               VK_LAUNCH_MAIL, VK_LWIN, VK_RWIN, VK_APPS, VK_KANJI, VK_CONVERT,
                               VK_NONCONVERT, VK_PROCESSKEY, VK_IME_ON, VK_IME_OFF,
                               VK_F13, VK_F23, VK_F24, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6};
  keyLog.clear();
  for (WPARAM key : systemKeys) {
    PostMessageA(hwnd, WM_KEYDOWN, key, 1);
    PostMessageA(hwnd, WM_KEYUP, key, (LPARAM)0xC0000001u);
  }
  PostMessageA(hwnd, WM_KEYDOWN, 'Q', 1);
  dispatchWaiting();
  EXPECT_EQ(keyLog, "down:Q");
  destroy(window);
}

// Windows' shortcuts (Win+Shift+S, Win+Ctrl+arrows, Win+Shift+arrows, the Copilot key's
// Win+Shift+F23) send the window every key after the Windows key: while either Windows
// key is down (the thread's key state, as the keyboard set it), none reaches the game. The
// release of a key the game already held still does.
TEST(Win32WindowLayer, KeysPressedWithAWindowsKeyDownAreTheSystems) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  const LPARAM down = 1, up = (LPARAM)0xC0000001u;
  PostMessageA(hwnd, WM_KEYDOWN, VK_UP, down);
  dispatchWaiting();
  for (BYTE windowsKey : {VK_LWIN, VK_RWIN}) {
    keyLog.clear();
    setKeyDown(windowsKey, true);
    const WPARAM shortcuts[] = {VK_SHIFT, 'S', VK_CONTROL, VK_LEFT, VK_RIGHT, VK_F23, VK_SPACE};
    for (WPARAM key : shortcuts) PostMessageA(hwnd, WM_KEYDOWN, key, down);
    for (WPARAM key : shortcuts) PostMessageA(hwnd, WM_KEYUP, key, up);
    PostMessageA(hwnd, WM_KEYUP, VK_UP, up);
    dispatchWaiting();
    setKeyDown(windowsKey, false);
    PostMessageA(hwnd, WM_KEYDOWN, 'Q', down);
    PostMessageA(hwnd, WM_KEYUP, 'Q', up);
    PostMessageA(hwnd, WM_KEYDOWN, VK_UP, down);
    dispatchWaiting();
    EXPECT_EQ(keyLog, "up:" + std::to_string(VK_UP) + " down:Q up:Q down:" + std::to_string(VK_UP))
        << "with key " << (int)windowsKey << " down";
  }
  destroy(window);
}

// Alt+Enter puts the window in full screen on its monitor and back where it was; the game
// never gets the key, and its picture stays 640 by 480.
TEST(Win32WindowLayer, AltEnterCoversTheMonitorAndComesBack) {
  RECT framed;
  HWND hwnd = framedWindow(&framed);
  ASSERT_TRUE(hwnd != 0);
  keyLog.clear();
  sizes.clear();
  pressAltEnter(hwnd);
  EXPECT_TRUE(coversItsMonitor(hwnd));
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back(), (intptr_t)MAKELPARAM(640, 480));
  WindowRect r = {0, 0, 0, 0};
  ASSERT_TRUE(getWindowRect(handleOf(hwnd), &r));
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);

  pressAltEnter(hwnd);
  EXPECT_TRUE(framedAt(hwnd, framed));
  EXPECT_EQ(keyLog, "") << "Alt+Enter reached the game";
  destroy(handleOf(hwnd));
}

// A minimised window goes into full screen restored, not restyled as an icon, and back to
// its framed place: a shortcut set to start the game minimised with --fullscreen (showing
// the window minimises it, then full screen is asked for), or Alt+Enter from its taskbar
// button. (Alt+Enter's own character also restores an icon, after the switch; Wine then
// restores it to the rectangle given to the icon, where Windows restores it captionless at
// its framed size, so that way shows the fault only on Windows.)
TEST(Win32WindowLayer, AMinimisedWindowGoesIntoFullScreenRestored) {
  RECT framed;
  HWND hwnd = framedWindow(&framed);
  ASSERT_TRUE(hwnd != 0);
  ShowWindow(hwnd, SW_MINIMIZE);
  dispatchWaiting();
  ASSERT_TRUE(IsIconic(hwnd));
  toggleFullscreen(hwnd);  // what showing the window does when started with --fullscreen
  dispatchWaiting();
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_TRUE(coversItsMonitor(hwnd));
  pressAltEnter(hwnd);
  EXPECT_TRUE(framedAt(hwnd, framed));

  ShowWindow(hwnd, SW_MINIMIZE);
  dispatchWaiting();
  ASSERT_TRUE(IsIconic(hwnd));
  pressAltEnter(hwnd);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "by Alt+Enter";
  pressAltEnter(hwnd);
  EXPECT_TRUE(framedAt(hwnd, framed));
  destroy(handleOf(hwnd));
}

// In full screen the window covers its monitor again whatever the display does: Windows
// moving it (off a monitor that went, onto another), a new resolution, docking, a new
// scale. Xvfb's one screen never changes, so the window is put off its monitor's rectangle
// without asking it (as a display change leaves it), and then told of the change.
TEST(Win32WindowLayer, FullScreenCoversTheMonitorAgainWhenTheDisplayChanges) {
  HWND hwnd = fullScreenWindow();
  ASSERT_TRUE(coversItsMonitor(hwnd));
  const UINT quiet = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(hwnd, 0, 10, 20, 300, 200, quiet);
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "moved by Windows";
  const RECT monitor = monitorOf(hwnd);
  SetWindowPos(hwnd, 0, 10, 20, 300, 200, quiet | SWP_NOSENDCHANGING);
  ASSERT_FALSE(coversItsMonitor(hwnd));
  SendMessageA(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(monitor.right - monitor.left, monitor.bottom - monitor.top));
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "after a display change";
  SetWindowPos(hwnd, 0, 10, 20, 300, 200, quiet | SWP_NOSENDCHANGING);
  RECT suggested = {10, 20, 460, 320};
  SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested);
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "after a change of scale";
  // Minimised and back, it still covers the monitor.
  ShowWindow(hwnd, SW_MINIMIZE);
  dispatchWaiting();
  EXPECT_TRUE(IsIconic(hwnd));
  ShowWindow(hwnd, SW_RESTORE);
  dispatchWaiting();
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "restored";
  destroy(handleOf(hwnd));
}

// A box the game opens with no owner (a sound that cannot play) while its window shows is
// that window's, so it opens over it and not behind a full-screen window or on another
// monitor; full screen is left while the box is up, and taken again once it is closed.
// Before the window shows, a box has no owner.
TEST(Win32WindowLayer, AMessageBoxIsTheGameWindowsAndFullScreenMakesWayForIt) {
  WindowHandle hidden = makeWindow();
  ASSERT_TRUE(hidden != 0);
  openBoxAndLookAtIt(hwndOf(hidden));
  EXPECT_TRUE(boxOwnedBy == 0) << "a box was owned by a window not shown yet";
  destroy(hidden);

  HWND hwnd = fullScreenWindow();
  ASSERT_TRUE(coversItsMonitor(hwnd));
  openBoxAndLookAtIt(hwnd);
  EXPECT_TRUE(boxOwnedBy == hwnd) << "the box's owner: " << boxOwnedBy;
  EXPECT_EQ(captionUnderBox, 1) << "the window stayed in full screen under the box";
  EXPECT_TRUE(coversItsMonitor(hwnd)) << "full screen was not taken again";
  destroy(handleOf(hwnd));
}

// A key held when focus goes to another window reaches the game as a key-up; a key already
// let go is not released twice.
TEST(Win32WindowLayer, KeysHeldWhenFocusGoesAreReleased) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  SetFocus(hwnd);
  ASSERT_EQ(GetFocus(), hwnd);
  PostMessageA(hwnd, WM_KEYDOWN, VK_UP, 1);
  PostMessageA(hwnd, WM_KEYDOWN, 'Z', 1);
  PostMessageA(hwnd, WM_KEYUP, 'Z', (LPARAM)0xC0000001u);
  dispatchWaiting();
  keyLog.clear();
  HWND other = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 200, 100, 0, 0, GetModuleHandleA(0), 0);
  ASSERT_TRUE(other != 0);
  SetFocus(other);
  dispatchWaiting();
  EXPECT_EQ(keyLog, "up:" + std::to_string(VK_UP));
  DestroyWindow(other);
  destroy(window);
}

// The test program's folder, with a file name after it.
std::string besideProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(0, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

HMODULE xinputStandIn() { return LoadLibraryA(besideProgram("xinput_stand_in.dll").c_str()); }

template <typename Fn>
Fn standInCall(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(xinputStandIn(), name)));
}

}  // namespace

// The layer's loader of system DLLs, stood in for at link time: XInput is the test's
// stand-in. The system's own loader stays reachable for the test of it below.
extern "C" HMODULE __real__Z17loadSystemLibraryPKc(const char* name);
extern "C" HMODULE __wrap__Z17loadSystemLibraryPKc(const char* name) {
  if (strcmp(name, "xinput1_4.dll") == 0) return xinputStandIn();
  return __real__Z17loadSystemLibraryPKc(name);
}

namespace {

// A DLL of a system name beside the program (planted in a downloads folder) is never what
// the program loads: the one it gets comes from the system folder.
TEST(Win32SystemLibrary, ComesFromTheSystemFolderNotTheProgramsOwn) {
  ASSERT_NE(GetFileAttributesA(besideProgram("xinput1_4.dll").c_str()), INVALID_FILE_ATTRIBUTES)
      << "no planted xinput1_4.dll beside the test program";
  HMODULE loaded = __real__Z17loadSystemLibraryPKc("xinput1_4.dll");
  ASSERT_TRUE(loaded != 0) << "the system folder has no xinput1_4.dll";
  EXPECT_TRUE(GetProcAddress(loaded, "xinputStandInSet") == 0) << "the planted DLL was loaded";
  char system[MAX_PATH], path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(system, sizeof system);
  ASSERT_GT(GetModuleFileNameA(loaded, path, sizeof path), folder);
  EXPECT_EQ(_strnicmp(path, system, folder), 0) << path;
  EXPECT_TRUE(__real__Z17loadSystemLibraryPKc("no such library.dll") == 0);
}

// A pad read through XInput, loaded at run time: its D-pad reaches the game's procedure as
// an arrow, and a pad unplugged lets go of it.
TEST(Win32WindowLayer, APadSteersTheGameAndLetsGoWhenUnplugged) {
  typedef void (*StandInSet)(DWORD user, BOOL connected, WORD buttons);
  StandInSet setPad = standInCall<StandInSet>("xinputStandInSet");
  ASSERT_TRUE(setPad != 0) << "no xinput_stand_in.dll beside the test program";
  setPad(1, TRUE, XINPUT_GAMEPAD_DPAD_LEFT);  // plugged in before the first look
  keyLog.clear();
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  SetForegroundWindow(hwnd);
  ASSERT_EQ(GetForegroundWindow(), hwnd);
  // The main loop's passes for up to three seconds, until the game has the keys it waits
  // for.
  auto passesUntil = [](const std::string& want) {
    WindowMessage m;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000 && keyLog != want;)
      if (peekMessage(&m)) {
        translateMessage(&m);
        dispatchMessage(&m);
      }
  };
  const std::string left = std::to_string(VK_LEFT);
  passesUntil("down:" + left);
  EXPECT_EQ(keyLog, "down:" + left);
  setPad(1, FALSE, 0);
  passesUntil("down:" + left + " up:" + left);
  EXPECT_EQ(keyLog, "down:" + left + " up:" + left);
  destroy(window);
}

// Asking XInput for a slot with no pad is slow: with none plugged in, no pass of the main
// loop asks for more than one of the four slots, and each of them is still looked at.
TEST(Win32WindowLayer, EmptyPadSlotsAreAskedForOneAtATime) {
  typedef LONG (*StandInAsks)(DWORD user);
  StandInAsks emptyAsks = standInCall<StandInAsks>("xinputStandInEmptyAsks");
  ASSERT_TRUE(emptyAsks != 0) << "no xinput_stand_in.dll beside the test program";
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  SetForegroundWindow(hwndOf(window));
  ASSERT_EQ(GetForegroundWindow(), hwndOf(window));
  // Counted from here: showing the window already ran passes of its own.
  LONG asks[4], mostInAPass = 0;
  auto askedAgain = [&]() {
    int slots = 0;
    for (DWORD user = 0; user < 4; user++) slots += emptyAsks(user) > asks[user];
    return slots;
  };
  for (DWORD user = 0; user < 4; user++) asks[user] = emptyAsks(user);
  // The main loop's passes for up to five seconds, until each slot has been asked for.
  WindowMessage m;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && askedAgain() < 4;) {
    LONG before = 0, after = 0;
    for (DWORD user = 0; user < 4; user++) before += emptyAsks(user);
    const int got = peekMessage(&m);
    for (DWORD user = 0; user < 4; user++) after += emptyAsks(user);
    mostInAPass = std::max(mostInAPass, after - before);
    if (got) dispatchMessage(&m);
  }
  EXPECT_EQ(askedAgain(), 4) << "an empty slot was never looked at";
  EXPECT_LE(mostInAPass, 1) << "one pass asked for several empty slots";
  destroy(window);
}

// The display stays awake while the game swaps frames (play, the attract mode) in front,
// not at the title, where it swaps only when uncovered, and not behind another window.
// While it is kept awake, the screen saver and the monitor's power saving are refused:
// the game's procedure never sees Windows ask.
TEST(Win32WindowLayer, TheDisplayStaysAwakeOnlyWhileFramesAreSwappedInFront) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  HWND hwnd = hwndOf(window);
  SetForegroundWindow(hwnd);
  ASSERT_EQ(GetForegroundWindow(), hwnd);
  auto askedOfTheGame = [hwnd](WPARAM command, LPARAM lParam) {
    received.clear();
    SendMessageA(hwnd, WM_SYSCOMMAND, command, lParam);
    return std::count(received.begin(), received.end(), (uint32_t)WM_SYSCOMMAND) != 0;
  };
  WindowMessage m;
  peekMessage(&m);  // no frame swapped yet: the title
  EXPECT_EQ(executionState(), (EXECUTION_STATE)ES_CONTINUOUS);
  EXPECT_TRUE(askedOfTheGame(SC_SCREENSAVE, 0)) << "the screen saver was refused at the title";
  markWindowDrawn(hwnd);  // what each of the game's swaps does
  peekMessage(&m);
  EXPECT_EQ(executionState(), (EXECUTION_STATE)(ES_CONTINUOUS | ES_DISPLAY_REQUIRED));
  EXPECT_FALSE(askedOfTheGame(SC_SCREENSAVE, 0)) << "the screen saver started in play";
  EXPECT_FALSE(askedOfTheGame(SC_MONITORPOWER, 2)) << "the monitor went off in play";
  EXPECT_TRUE(askedOfTheGame(SC_MONITORPOWER, -1)) << "the monitor was kept from coming on";

  HWND other = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 200, 100, 0, 0, GetModuleHandleA(0), 0);
  ASSERT_TRUE(other != 0);
  SetForegroundWindow(other);
  ASSERT_EQ(GetForegroundWindow(), other);
  markWindowDrawn(hwnd);
  peekMessage(&m);
  EXPECT_EQ(executionState(), (EXECUTION_STATE)ES_CONTINUOUS) << "kept awake behind another window";
  DestroyWindow(other);
  destroy(window);
}

// The rule on the layer's own millisecond clock: the display requirement goes once frames
// stop (the title, a window that is not repainted) and while the window is not in front,
// and the clock's wrap after 49 days is no stop.
TEST(Win32DisplayAwake, TheDisplayRequirementGoesWhenFramesStop) {
  const EXECUTION_STATE awake = ES_CONTINUOUS | ES_DISPLAY_REQUIRED, asleep = ES_CONTINUOUS;
  keepDisplayAwakeWhilePlaying(1000, true, true, 1016);
  EXPECT_EQ(executionState(), awake);
  keepDisplayAwakeWhilePlaying(1000, true, true, 2499);
  EXPECT_EQ(executionState(), awake);
  keepDisplayAwakeWhilePlaying(1000, true, true, 2500);
  EXPECT_EQ(executionState(), asleep) << "frames stopped 1.5 s ago";
  EXPECT_FALSE(displayKeptAwake());
  keepDisplayAwakeWhilePlaying(0xFFFFFF00u, true, true, 0x100u);
  EXPECT_EQ(executionState(), awake) << "over the clock's wrap";
  EXPECT_TRUE(displayKeptAwake());
  keepDisplayAwakeWhilePlaying(0xFFFFFF00u, true, false, 0x100u);
  EXPECT_EQ(executionState(), asleep) << "not in front";
  keepDisplayAwakeWhilePlaying(0, false, true, 100);
  EXPECT_EQ(executionState(), asleep) << "nothing swapped yet";
}

// With an East Asian input method on, keys would reach the game as VK_PROCESSKEY and end
// it. Wine has no input methods to turn on: what shows here is that the window has none.
TEST(Win32WindowLayer, TheWindowHasNoInputMethod) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  EXPECT_TRUE(ImmGetContext(hwndOf(window)) == 0);
  destroy(window);
}

// The GL context lives on the one device context taken at start-up, so the class keeps a
// device context of its own for each window; the class takes the program's icon (its
// icon resource 1, linked into this test as into the game) and no menu.
TEST(Win32WindowLayer, TheClassKeepsItsOwnDeviceContextTheProgramsIconAndNoMenu) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  EXPECT_NE(GetClassLongPtrA(hwndOf(window), GCL_STYLE) & CS_OWNDC, 0u);
  HICON own = LoadIconA(GetModuleHandleA(0), MAKEINTRESOURCEA(1));
  ASSERT_TRUE(own != 0) << "no icon resource 1 in the test program";
  EXPECT_TRUE(own != LoadIconA(0, IDI_APPLICATION));
  EXPECT_TRUE((HICON)GetClassLongPtrA(hwndOf(window), GCLP_HICON) == own);
  WNDCLASSA wc;
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(0), "Win32 Layer Test", &wc));
  EXPECT_TRUE(wc.lpszMenuName == 0) << wc.lpszMenuName;
  EXPECT_TRUE(GetMenu(hwndOf(window)) == 0);
  destroy(window);
}

// Whether GL has drawn into a window is the layer's own, and goes with the window: windows
// made one after another each start undrawn, however many come.
TEST(Win32WindowLayer, TheLayerForgetsAWindowWhenItGoes) {
  for (int i = 0; i < 12; i++) {
    WindowHandle window = makeWindow();
    ASSERT_TRUE(window != 0) << "window " << i << " was not made";
    EXPECT_FALSE(windowDrawn(hwndOf(window)));
    markWindowDrawn(hwndOf(window));
    EXPECT_TRUE(windowDrawn(hwndOf(window)));
    destroy(window);
  }
}

// The pacing wait ends at input already waiting, even input a look at the queue has seen
// (the loop looks for a repaint just before it waits). A second is the wait's longest; an
// input-aware wait returns at once.
TEST(Win32FrameClock, AWaitEndsAtInputAlreadyWaiting) {
  WindowHandle window = shownWindow();
  ASSERT_TRUE(window != 0);
  PostMessageA(hwndOf(window), WM_KEYDOWN, 'G', 1);
  MSG msg;
  PeekMessageA(&msg, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE);
  int64_t start = frameClockMicroseconds();
  frameClockWaitForInput(1000000);
  EXPECT_LT(frameClockMicroseconds() - start, 500000) << "the wait slept through a waiting key";
  destroy(window);
}

volatile LONG inTick = 0;
volatile LONG ticks = 0;

void slowTick(TimerId, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  InterlockedExchange(&inTick, 1);
  Sleep(30);
  InterlockedIncrement(&ticks);
  InterlockedExchange(&inTick, 0);
}

// Once the kill returns, no callback runs or is still running: shutdown may then release
// whatever the callback touches.
TEST(Win32MultimediaTimer, KillingWaitsForARunningCallbackAndEndsTheTicks) {
  TimerId id = timerSetEvent(1, 1, slowTick, 0, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  for (int i = 0; i < 5000 && !inTick; i++) Sleep(1);
  ASSERT_EQ(inTick, 1) << "the timer never ticked";
  EXPECT_EQ(timerKillEvent(id), (uint32_t)TIMERR_NOERROR);
  EXPECT_EQ(inTick, 0) << "a callback was still running after the kill returned";
  LONG after = ticks;
  Sleep(100);
  EXPECT_EQ(ticks, after) << "the timer ticked after it was killed";
}

}  // namespace
