// The SDL window layer on a private display: creation messages, the message queue read
// without waiting, repaints only when nothing else waits, key codes, system keys, keys let
// go with focus, gamepads, quitting and destruction.
#include <gtest/gtest.h>
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <link.h>
#include <string.h>

#include <vector>

#include "platform/sdl/gl_driver_preload.h"
#include "platform/sdl/keyboard_repeat_sdl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/window.h"
#include "vask_window_icon.h"  // the icon drawn at build time

namespace {

struct Received {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

std::vector<Received> received;
int validatePaint = 0;

// Hands what the game does not handle to the default handling, like the game's procedure.
intptr_t recordingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  received.push_back(Received{message, wParam, lParam});
  switch (message) {
    case WM_DESTROY:
      postQuitMessage(0);
      return 1;
    case WM_PAINT:
      if (validatePaint) return defaultWindowProc(window, message, wParam, lParam);
      return 1;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CREATE:
    case WM_SIZE:
      return 1;
    default:
      return defaultWindowProc(window, message, wParam, lParam);
  }
}

WindowHandle window = 0;
std::vector<Received> creationMessages;  // what the last creation sent before returning

// A live window: the same one for every test of this process until one destroys it.
WindowHandle liveWindow() {
  static int desktop = openDesktop();
  static int registered = 0;
  if (!desktop) return 0;
  if (!registered) {
    WindowClass cls = {"Layer Test", recordingProc};
    registered = registerWindowClass(&cls);
  }
  if (!window || window->destroyed) {
    received.clear();
    window = createWindow("Layer Test", "layer test", 640, 480);
    creationMessages = received;
  }
  return window;
}

class WindowLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(liveWindow() != 0) << "no window on the test display";
    drain();
    received.clear();
    validatePaint = 0;
  }
  // Takes every waiting message (and the repaint that follows them) without dispatching.
  void drain() {
    WindowMessage m;
    for (int i = 0; i < 1000 && peekMessage(&m); i++)
      if (m.message == WM_PAINT) break;
  }
  // The next message, as the main loop would get it: a peek may come back empty when the
  // desktop wakes its wait with an event that is no message (an exposure, say) before the
  // repaint's slot, so a few peeks are allowed, each waiting at most one frame slot.
  int next(WindowMessage* m) {
    for (int i = 0; i < 30; i++) {
      *m = WindowMessage{0, 0, 0, 0};
      if (peekMessage(m)) return 1;
    }
    return 0;
  }
  // Takes the messages up to the next repaint and counts the size messages among them, each
  // of which must report the game's own 640 by 480; dispatches them when asked to.
  int sizeMessagesBeforeRepaint(bool dispatch) {
    WindowMessage m;
    int sizes = 0;
    for (int i = 0; i < 20 && next(&m) && m.message != WM_PAINT; i++) {
      if (m.message != WM_SIZE) continue;
      sizes++;
      EXPECT_EQ(m.lParam & 0xFFFF, 640);
      EXPECT_EQ((m.lParam >> 16) & 0xFFFF, 480);
      if (dispatch) dispatchMessage(&m);
    }
    return sizes;
  }
  // The next message that is neither a repaint nor a key's repeat.
  int nextKey(WindowMessage* m) {
    for (int i = 0; i < 30; i++) {
      if (!next(m) || m->message == WM_PAINT) continue;
      if (m->message == WM_KEYDOWN && (m->lParam & KEY_REPEAT_BIT)) continue;
      return 1;
    }
    return 0;
  }
  void pushKey(SDL_Keycode sym, Uint16 mod, int down, int repeat = 0) {
    pushScancode(SDL_GetScancodeFromKey(sym), sym, mod, down, repeat);
  }
  void pushScancode(SDL_Scancode sc, SDL_Keycode sym, Uint16 mod, int down, int repeat = 0) {
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = (Uint8)repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    e.key.windowID = SDL_GetWindowID(sdlWindowOf(window));
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  void pushWindowEvent(Uint8 event) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.windowID = SDL_GetWindowID(sdlWindowOf(window));
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
};

// The window's X11 handles, from SDL (the tests run on a private Xvfb).
static bool x11WindowInfo(SDL_Window* window, SDL_SysWMinfo* info) {
  SDL_VERSION(&info->version);
  return SDL_GetWindowWMInfo(window, info) && info->subsystem == SDL_SYSWM_X11;
}

TEST_F(WindowLayerTest, CreationSendsCreateThenSizeBeforeReturning) {
  ASSERT_EQ(creationMessages.size(), 2u);
  EXPECT_EQ(creationMessages[0].message, (uint32_t)WM_CREATE);
  EXPECT_EQ(creationMessages[1].message, (uint32_t)WM_SIZE);
  EXPECT_EQ(creationMessages[1].lParam & 0xFFFF, 640);
  EXPECT_EQ((creationMessages[1].lParam >> 16) & 0xFFFF, 480);

  WindowRect r;
  ASSERT_TRUE(getWindowRect(window, &r));
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);

  EXPECT_TRUE(createWindow("Layer Test", "second", 640, 480) == 0)
      << "no second window while the first lives";
  WindowClass unnamed = {0, recordingProc};
  EXPECT_FALSE(registerWindowClass(&unnamed));
}

TEST_F(WindowLayerTest, RepaintComesOnlyWhenNothingElseWaits) {
  WindowMessage m;
  pushKey(SDLK_LEFT, 0, 1);
  pushKey(SDLK_LEFT, 0, 0);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYUP);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_PAINT);
  EXPECT_TRUE(m.window == window);

  // A procedure that does not validate gets the repaint again and again.
  dispatchMessage(&m);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_PAINT);

  // Default painting validates: then nothing waits at all, and the loop does not wait.
  validatePaint = 1;
  dispatchMessage(&m);
  Uint32 start = SDL_GetTicks();
  EXPECT_FALSE(peekMessage(&m));
  EXPECT_LT(SDL_GetTicks() - start, 100u) << "reading the queue must not wait";
  invalidateWindow(window);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_PAINT);
}

TEST_F(WindowLayerTest, KeysCarryVirtualKeyCodes) {
  struct Case {
    SDL_Keycode sym;
    Uint16 mod;
    uintptr_t vk;
  } cases[] = {
      {SDLK_LEFT, 0, 37},   {SDLK_UP, 0, 38},     {SDLK_RIGHT, 0, 39},  {SDLK_DOWN, 0, 40},
      {SDLK_c, 0, 'C'},     {SDLK_d, 0, 'D'},     {SDLK_v, 0, 'V'},     {SDLK_x, 0, 'X'},
      {SDLK_z, KMOD_LSHIFT, 'Z'},                 {SDLK_a, KMOD_CAPS, 'A'},
      {SDLK_q, KMOD_LCTRL, 'Q'},                  {SDLK_F1, 0, 112},    {SDLK_F8, 0, 119},
      {SDLK_F12, 0, 123},   {SDLK_ESCAPE, 0, 27}, {SDLK_SPACE, 0, 32},  {SDLK_RETURN, 0, 13},
      {SDLK_KP_ENTER, 0, 13}, {SDLK_LSHIFT, 0, 16}, {SDLK_RCTRL, 0, 17}, {SDLK_5, 0, '5'},
      {SDLK_KP_5, 0, 0x65}, {SDLK_KP_0, 0, 0x60}, {SDLK_MINUS, 0, 0xBD}, {SDLK_TAB, 0, 9},
      {SDLK_EXECUTE, 0, 0xFF},
  };
  for (const Case& c : cases) {
    pushKey(c.sym, c.mod, 1);
    pushKey(c.sym, c.mod, 0);
    WindowMessage down, up;
    ASSERT_TRUE(next(&down));
    ASSERT_TRUE(next(&up));
    EXPECT_EQ(down.message, (uint32_t)WM_KEYDOWN) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(down.wParam, c.vk) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(down.lParam & KEY_REPEAT_BIT, 0) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(up.message, (uint32_t)WM_KEYUP) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(up.wParam, c.vk) << SDL_GetKeyName(c.sym);
    EXPECT_TRUE(down.window == window);
  }
  // Auto-repeat keeps coming as key-down messages, marked as repeats.
  pushKey(SDLK_LEFT, 0, 1, 1);
  WindowMessage m;
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, 37u);
  EXPECT_NE(m.lParam & KEY_REPEAT_BIT, 0);
}

TEST_F(WindowLayerTest, SystemKeysGoToDefaultHandlingAndDoNotQuit) {
  struct Case {
    SDL_Keycode sym;
    Uint16 mod;
    uintptr_t vk;
  } cases[] = {{SDLK_x, KMOD_LALT, 'X'}, {SDLK_F10, 0, 121}, {SDLK_LALT, KMOD_LALT, 0x12},
               {SDLK_q, KMOD_RALT, 'Q'}};
  for (const Case& c : cases) {
    received.clear();
    pushKey(c.sym, c.mod, 1);
    pushKey(c.sym, c.mod, 0);
    WindowMessage down, up;
    ASSERT_TRUE(next(&down));
    ASSERT_TRUE(next(&up));
    EXPECT_EQ(down.message, (uint32_t)WM_SYSKEYDOWN) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(up.message, (uint32_t)WM_SYSKEYUP) << SDL_GetKeyName(c.sym);
    EXPECT_EQ(down.wParam, c.vk) << SDL_GetKeyName(c.sym);
    dispatchMessage(&down);
    dispatchMessage(&up);
    ASSERT_EQ(received.size(), 2u) << "nothing but the two key messages reached the window";
    WindowMessage m;
    ASSERT_TRUE(next(&m));
    EXPECT_EQ(m.message, (uint32_t)WM_PAINT) << SDL_GetKeyName(c.sym) << " must not quit";
  }
}

// The desktop's own keys reach no window procedure, where any key would end play.
TEST_F(WindowLayerTest, DesktopsOwnKeysNeverReachTheWindow) {
  const SDL_Scancode keys[] = {
      SDL_SCANCODE_LGUI,       SDL_SCANCODE_RGUI,     SDL_SCANCODE_APPLICATION,
      SDL_SCANCODE_VOLUMEUP,   SDL_SCANCODE_MUTE,     SDL_SCANCODE_AUDIOMUTE,
      SDL_SCANCODE_AUDIOPLAY,  SDL_SCANCODE_AUDIONEXT, SDL_SCANCODE_AC_BACK,
      SDL_SCANCODE_AC_HOME,    SDL_SCANCODE_LANG1,    SDL_SCANCODE_LANG5,
      SDL_SCANCODE_INTERNATIONAL2,
  };
  for (SDL_Scancode sc : keys) {
    pushScancode(sc, SDL_SCANCODE_TO_KEYCODE(sc), 0, 1);
    pushScancode(sc, SDL_SCANCODE_TO_KEYCODE(sc), 0, 0);
    WindowMessage m;
    ASSERT_TRUE(next(&m));
    EXPECT_EQ(m.message, (uint32_t)WM_PAINT) << SDL_GetScancodeName(sc) << " reached the game";
  }
}

// A key's release goes to the window that has focus then: one held as focus goes reaches
// the game as a key-up all the same, and one already let go gets no second release.
TEST_F(WindowLayerTest, KeysHeldAsFocusGoesAreReleased) {
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pushKey(SDLK_UP, 0, 1);
  pushKey(SDLK_z, 0, 1);
  pushKey(SDLK_x, 0, 1);
  pushKey(SDLK_x, 0, 0);
  WindowMessage m;
  for (int i = 0; i < 4; i++) ASSERT_TRUE(nextKey(&m));
  received.clear();
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  while (next(&m) && m.message != WM_PAINT) dispatchMessage(&m);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, (uint32_t)WM_KEYUP);
  EXPECT_EQ(received[0].wParam, 38u);  // the keys go up in code order
  EXPECT_EQ(received[1].message, (uint32_t)WM_KEYUP);
  EXPECT_EQ(received[1].wParam, 'Z');
}

// A pad plugged in while the game runs (SDL's virtual joystick, opened through the mapping
// database as a game controller) plays as keys while the window has focus; losing focus or
// pulling the pad out lets go of what it holds.
std::vector<unsigned long> iconProperty(SDL_Window* sdl) {
  SDL_SysWMinfo info;
  if (!x11WindowInfo(sdl, &info)) return {};
  Display* display = info.info.x11.display;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = 0;
  if (XGetWindowProperty(display, info.info.x11.window, XInternAtom(display, "_NET_WM_ICON", False),
                         0, 1 << 16, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) != Success || !data)
    return {};
  // Xlib hands 32-bit items back as longs, sign-extended on 64-bit machines.
  std::vector<unsigned long> values((unsigned long*)data, (unsigned long*)data + count);
  for (unsigned long& v : values) v &= 0xFFFFFFFFul;
  XFree(data);
  return values;
}

// A virtual pad with every button and axis of a game controller; its device index, or -1.
int attachTestPad(const char* name) {
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = name;
  return SDL_JoystickAttachVirtualEx(&desc);
}

TEST_F(WindowLayerTest, APadPlaysAsKeysAndLetsGoWithFocusAndWhenPulledOut) {
  int index = attachTestPad("test pad");
  ASSERT_GE(index, 0) << SDL_GetError();
  ASSERT_TRUE(SDL_IsGameController(index));
  SDL_Joystick* pad = SDL_JoystickOpen(index);  // the test's hold on the pad, to press it
  ASSERT_TRUE(pad != 0);
  auto press = [&](SDL_GameControllerButton button, int down) {
    SDL_JoystickSetVirtualButton(pad, button, (Uint8)down);
  };
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowMessage m;
  press(SDL_CONTROLLER_BUTTON_A, 1);
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, (uintptr_t)VK_UP);
  press(SDL_CONTROLLER_BUTTON_A, 0);
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYUP);
  EXPECT_EQ(m.wParam, (uintptr_t)VK_UP);

  // Held as focus goes: released, and nothing more while the window has no focus.
  press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1);
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, (uintptr_t)'Z');
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYUP);
  EXPECT_EQ(m.wParam, (uintptr_t)'Z');
  press(SDL_CONTROLLER_BUTTON_B, 1);
  EXPECT_FALSE(nextKey(&m)) << "a key from a pad while the window has no focus";
  press(SDL_CONTROLLER_BUTTON_B, 0);
  press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0);

  // Held as the pad is pulled out: released, and a Start under way is no tap (F8).
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, (uintptr_t)VK_LEFT);
  press(SDL_CONTROLLER_BUTTON_START, 1);
  press(SDL_CONTROLLER_BUTTON_X, 1);  // seen in the same poll as Start
  ASSERT_TRUE(nextKey(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, (uintptr_t)'V');
  SDL_JoystickClose(pad);
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
  for (uintptr_t key : {(uintptr_t)VK_LEFT, (uintptr_t)'V'}) {
    ASSERT_TRUE(nextKey(&m));
    EXPECT_EQ(m.message, (uint32_t)WM_KEYUP);
    EXPECT_EQ(m.wParam, key);
  }
  EXPECT_FALSE(nextKey(&m)) << "a key after the pad went: " << m.message << " " << m.wParam;
}

// The window's icon as the X server holds it (_NET_WM_ICON: width, height, then one ARGB
// value a pixel), each value cut to 32 bits; empty when it has none.
std::vector<unsigned long> iconProperty(SDL_Window* sdl);

// What a player may never use is not set up before the title is up: the game controllers
// and the icon come at the game's first look at its messages. A pad plugged in before the
// start is still taken then, and plays at once. (Each test runs as a process of its own
// under ctest; this one must be the first to open the display in its process.)
class WindowLayerStartTest : public WindowLayerTest {
 protected:
  void SetUp() override {}
};

TEST_F(WindowLayerStartTest, PadsAndIconWaitForTheTitleAndAPadPluggedInBeforePlays) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "the display was opened before this test";
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  const int index = attachTestPad("pad plugged in before the start");
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  ASSERT_TRUE(pad != 0);

  ASSERT_TRUE(liveWindow() != 0) << "no window on the test display";
  EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u) << "the controllers opened before the title";
  EXPECT_TRUE(iconProperty(window->sdl).empty()) << "the icon was set before the title";

  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowMessage m;
  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
  ASSERT_TRUE(nextKey(&m)) << "the pad plugged in before the start does not play";
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(m.wParam, (uintptr_t)VK_UP);
  EXPECT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
  EXPECT_EQ(iconProperty(window->sdl).size(), 2u + VASK_ICON_SIZE * VASK_ICON_SIZE);
  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 0);
  SDL_JoystickClose(pad);
}

// The window carries the game's icon: SDL hands it to the window manager as _NET_WM_ICON
// (width, height, then one ARGB value a pixel), the 32 pixel picture built into the program.
TEST_F(WindowLayerTest, TheWindowCarriesTheGamesIcon) {
  const std::vector<unsigned long> values = iconProperty(window->sdl);
  ASSERT_FALSE(values.empty()) << "the window has no icon";
  const unsigned long count = values.size();
  ASSERT_EQ(count, 2ul + VASK_ICON_SIZE * VASK_ICON_SIZE);
  EXPECT_EQ(values[0], (unsigned long)VASK_ICON_SIZE);
  EXPECT_EQ(values[1], (unsigned long)VASK_ICON_SIZE);
  int differing = 0, first = -1;
  unsigned long firstWanted = 0;
  for (int i = 0; i < VASK_ICON_SIZE * VASK_ICON_SIZE; i++) {
    const unsigned char* p = vaskIconRgba + 4 * i;
    unsigned long argb = (unsigned long)p[3] << 24 | p[0] << 16 | p[1] << 8 | p[2];
    if (p[3] && values[2 + i] != argb && differing++ == 0) {  // clear pixels' colours do not count
      first = i;
      firstWanted = argb;
    }
  }
  EXPECT_EQ(differing, 0) << "first at pixel " << first << ": " << std::hex << values[2 + first]
                          << " where the picture has " << firstWanted;
}

// A held direction on a pad repeats at the pace the X server gives the keyboard.
TEST_F(WindowLayerTest, PadsRepeatAtTheKeyboardsPace) {
  SDL_SysWMinfo info;
  ASSERT_TRUE(x11WindowInfo(window->sdl, &info));
  ASSERT_TRUE(XkbSetAutoRepeatRate(info.info.x11.display, XkbUseCoreKbd, 321, 47));
  XSync(info.info.x11.display, False);
  KeyRepeat repeat = desktopKeyRepeat(window->sdl);
  EXPECT_EQ(repeat.delayMs, 321u);
  EXPECT_EQ(repeat.intervalMs, 47u);
}

TEST_F(WindowLayerTest, QuitComesAfterWaitingMessagesAndBeforeTheRepaint) {
  pushKey(SDLK_q, 0, 1);
  postQuitMessage(5);
  WindowMessage m;
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_KEYDOWN);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_QUIT);
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_EQ(dispatchMessage(&m), 0) << "the quit message goes to no window";
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_PAINT) << "one quit message per post";
}

TEST_F(WindowLayerTest, ShowingTheWindowReportsItsSize) {
  showWindow(window);
  EXPECT_GE(sizeMessagesBeforeRepaint(true), 1);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back().message, (uint32_t)WM_SIZE);
}

int picturesShownAgain = 0;
int showAgain(WindowHandle) { return ++picturesShownAgain; }

// The GL layer keeps the last picture: the window shows it again itself, and the game, which
// always sees its own size, has nothing to draw. Without it the game hears of the exposure.
TEST_F(WindowLayerTest, AnUncoveredOrResizedWindowShowsTheLastPictureWithoutTheGame) {
  window->showLastPicture = showAgain;
  picturesShownAgain = 0;
  SDL_SetWindowSize(window->sdl, 1000, 750);
  pushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
  const int sizes = sizeMessagesBeforeRepaint(false);
  EXPECT_GE(sizes, 1);
  EXPECT_EQ(picturesShownAgain, sizes) << "each resize shows the picture again";
  WindowRect r;
  ASSERT_TRUE(getWindowRect(window, &r));
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);

  drain();
  picturesShownAgain = 0;
  pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  WindowMessage m;
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(picturesShownAgain, 1);
  EXPECT_EQ(windowExposed(window), 0) << "the game was told to draw what the window has";

  window->showLastPicture = 0;
  pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(windowExposed(window), 1) << "with no picture kept, the game must draw it again";
  SDL_SetWindowSize(window->sdl, 640, 480);
}

// Alt+Enter (either Enter) switches the full screen and never reaches the game as a key,
// nor does the Enter's release after Alt has gone up. The game hears only of sizes.
TEST_F(WindowLayerTest, AltEnterSwitchesTheFullScreenAndIsNoKeyOfTheGame) {
  auto messagesBeforeTheRepaint = [this]() {
    std::vector<uint32_t> got;
    WindowMessage m;
    for (int i = 0; i < 20 && next(&m) && m.message != WM_PAINT; i++)
      if (m.message != WM_SIZE) got.push_back(m.message);
    return got;
  };
  for (SDL_Keycode enter : {SDLK_RETURN, SDLK_KP_ENTER}) {
    pushKey(enter, KMOD_LALT, 1);
    pushKey(enter, KMOD_LALT, 1, 1);
    pushKey(enter, KMOD_LALT, 0);
    EXPECT_TRUE(messagesBeforeTheRepaint().empty()) << SDL_GetKeyName(enter);
    EXPECT_NE(SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u)
        << "one press, held, goes full screen once";
    pushKey(enter, KMOD_LALT, 1);
    pushKey(enter, 0, 0);
    EXPECT_TRUE(messagesBeforeTheRepaint().empty()) << SDL_GetKeyName(enter);
    EXPECT_EQ(SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
  }
}

TEST_F(WindowLayerTest, CloseRequestDestroysTheWindowAndQuits) {
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  WindowMessage m;
  ASSERT_TRUE(next(&m));
  ASSERT_EQ(m.message, (uint32_t)WM_CLOSE);
  dispatchMessage(&m);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, (uint32_t)WM_CLOSE);
  EXPECT_EQ(received[1].message, (uint32_t)WM_DESTROY) << "default closing destroys the window";

  // The desktop's own quit request that follows a last window's close changes nothing.
  SDL_Event quit;
  SDL_zero(quit);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_QUIT);
  EXPECT_EQ(m.wParam, 0u);
  invalidateWindow(window);
  EXPECT_FALSE(next(&m)) << "a destroyed window gets no repaints";
  EXPECT_EQ(received.size(), 2u);
}

TEST_F(WindowLayerTest, AltF4ClosesTheWindow) {
  pushKey(SDLK_F4, KMOD_LALT, 1);
  WindowMessage m;
  ASSERT_TRUE(next(&m));
  ASSERT_EQ(m.message, (uint32_t)WM_SYSKEYDOWN);
  EXPECT_EQ(m.wParam, 0x73u);
  dispatchMessage(&m);
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[1].message, (uint32_t)WM_CLOSE);
  EXPECT_EQ(received[2].message, (uint32_t)WM_DESTROY);
  ASSERT_TRUE(next(&m));
  EXPECT_EQ(m.message, (uint32_t)WM_QUIT);
}

// SDL wakes its event wait with an event sent to the window; one that reaches the X server
// after the window has closed comes back as an error, which must not end the game.
TEST_F(WindowLayerTest, AnEventToAWindowThatHasGoneIsNoError) {
  SDL_SysWMinfo info;
  ASSERT_TRUE(x11WindowInfo(window->sdl, &info));
  Display* display = info.info.x11.display;
  Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XDestroyWindow(display, gone);
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = gone;
  event.xclient.format = 32;
  XSendEvent(display, gone, False, 0, &event);
  XSync(display, False);  // the error comes back here: Xlib's own handling exits with 1
  XWindowAttributes attributes;
  EXPECT_TRUE(XGetWindowAttributes(display, info.info.x11.window, &attributes))
      << "the game's own window and connection are untouched";
}

// The GL driver is in the process as soon as the desktop is open, before any window or GL
// context asks for it (the test display's GL is Mesa's).
TEST(DesktopConnection, LoadsTheGlDriverBeforeAnyWindowAsksForIt) {
  ASSERT_TRUE(openDesktop());
  finishGlDriverPreload();
  int driverLoaded = 0;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* found) {
        const char* name = info->dlpi_name;
        size_t length = name ? strlen(name) : 0;
        if (length > 7 && strcmp(name + length - 7, "_dri.so") == 0) *(int*)found = 1;
        return 0;
      },
      &driverLoaded);
  EXPECT_TRUE(driverLoaded);
  closeDesktop();
}

}  // namespace
