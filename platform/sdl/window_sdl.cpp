// The window layer on SDL2: one window, a message queue read without waiting, Windows
// message numbers and virtual-key codes, message boxes and debugger output.
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#include "platform/sdl/display_awake_sdl.h"
#include "platform/sdl/gamepad_sdl.h"
#include "platform/sdl/gl_driver_preload.h"
#include "platform/sdl/held_keys_sdl.h"
#include "platform/sdl/startup_phase.h"
#include "platform/sdl/system_keys_sdl.h"
#include "platform/sdl/window_icon_sdl.h"
#include "platform/sdl/window_presentation_sdl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/sdl/x11_gone_window_errors.h"
#include "platform/shared/frame_clock.h"
#include "platform/shared/frame_pacer.h"
#include "platform/shared/window_message_queue.h"

namespace {

enum { MAX_CLASSES = 4 };

WindowClass registeredClasses[MAX_CLASSES];
int registeredClassCount = 0;

PlatformWindow theWindow;  // the game has exactly one window
int windowCreated = 0;

FramePacer pacer;  // repaints at 60 a second, whatever the display's refresh

// What a player may never use waits for the game's first look at its messages, when the
// title is on screen: the game controllers (SDL opens their devices and reads its mapping
// database) and the window's icon. A pad plugged in before that is reported as added when
// the controllers open, so it plays from the title's first second.
int desktopOpen = 0;
int titleShown = 0;

void finishStartup() {
  if (titleShown) return;
  titleShown = 1;
  if (desktopOpen) openGamepads();
  if (windowCreated && !theWindow.destroyed) setGameWindowIcon(theWindow.sdl);
}

// Virtual-key codes beyond the ones the game names in platform/window.h.
enum {
  VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_NUMPAD1 = 0x61,
  VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
  VK_F13 = 0x7C, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91, VK_SNAPSHOT = 0x2C,
  VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2,
};

// Letters and digits map to their upper-case ASCII codes whatever the shift state, as
// virtual keys do; every key SDL can name gets a code, so any key can quit the game (but
// the desktop's own keys, which never reach it: system_keys_sdl.h).
uint32_t virtualKeyOf(const SDL_Keysym& key) {
  SDL_Keycode sym = key.sym;
  if (sym >= SDLK_a && sym <= SDLK_z) return (uint32_t)('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return (uint32_t)('0' + (sym - SDLK_0));
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return (uint32_t)(VK_F1 + (sym - SDLK_F1));
  if (sym >= SDLK_F13 && sym <= SDLK_F24) return (uint32_t)(VK_F13 + (sym - SDLK_F13));
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return (uint32_t)(VK_NUMPAD1 + (sym - SDLK_KP_1));
  switch (sym) {
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    case SDLK_LESS: return VK_OEM_102;
    default: return VK_OEM_UNKNOWN;
  }
}

// Alt combinations and F10 (and Alt itself) are system keys: they go to the desktop's
// default handling instead of the game's key table.
int isSystemKey(const SDL_Keysym& key, uint32_t vk) {
  return (key.mod & KMOD_ALT) != 0 || vk == VK_MENU || vk == VK_F10;
}

// Modifier keys found held when the window gains focus. On X11, SDL reports such keys as
// fresh presses; the desktop the game was made for sends no key-down for a key that went
// down before its window had focus, and the key table would quit on it. Their presses
// (and auto-repeats) are dropped until the key is released.
Uint8 heldBeforeFocus[SDL_NUM_SCANCODES];

void noteModifiersHeldAtFocus() {
  static const SDL_Scancode modifiers[] = {
      SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT,
      SDL_SCANCODE_LALT,  SDL_SCANCODE_RALT,  SDL_SCANCODE_LGUI,   SDL_SCANCODE_RGUI,
      SDL_SCANCODE_MODE,
  };
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  for (SDL_Scancode sc : modifiers)
    if ((int)sc < count && state[sc]) heldBeforeFocus[sc] = 1;
}

// Turns one SDL event into at most one message. Returns 1 when `out` holds a message.
int translateEvent(const SDL_Event& e, WindowMessage* out) {
  WindowHandle w = &theWindow;
  if (takeGamepadEvent(e, windowCreated && !theWindow.destroyed ? w : 0)) return 0;
  if (!windowCreated || theWindow.destroyed) return 0;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (takeFullScreenKey(w, e.key)) return 0;
      SDL_Scancode sc = e.key.keysym.scancode;
      if ((unsigned)sc < SDL_NUM_SCANCODES && heldBeforeFocus[sc]) {
        if (e.type == SDL_KEYDOWN) return 0;
        heldBeforeFocus[sc] = 0;  // its release reaches the window, as on that desktop
      }
      if (isDesktopsOwnKey(e.key.keysym)) return 0;
      uint32_t vk = virtualKeyOf(e.key.keysym);
      int system = isSystemKey(e.key.keysym, vk);
      intptr_t lParam = 1;
      if (e.key.keysym.mod & KMOD_ALT) lParam |= KEY_ALT_DOWN_BIT;
      if (e.key.repeat) lParam |= KEY_REPEAT_BIT;
      out->window = w;
      out->wParam = vk;
      out->lParam = lParam;
      if (e.type == SDL_KEYDOWN) out->message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
      else out->message = system ? WM_SYSKEYUP : WM_KEYUP;
      noteKeyMessage(out->message, vk);
      return 1;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        out->window = w;
        out->message = WM_CLOSE;
        out->wParam = 0;
        out->lParam = 0;
        return 1;
      }
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        WindowRect r = {0, 0, 0, 0};  // stays empty if the window cannot be measured
        getWindowRect(w, &r);
        out->window = w;
        out->message = WM_SIZE;
        out->wParam = 0;
        out->lParam = sizeParam(r.right - r.left, r.bottom - r.top);
        // Without a kept picture the game draws the title again, centred anew.
        if (!showLastPictureAgain(w)) theWindow.invalid = theWindow.exposed = 1;
        return 1;
      }
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
        theWindow.invalid = 1;
        if (!showLastPictureAgain(w)) theWindow.exposed = 1;  // the game draws it again
      }
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        noteModifiersHeldAtFocus();
        gamepadsFocusChanged(w, 1);
      }
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        releaseHeldKeys(w);
        gamepadsFocusChanged(w, 0);
      }
      return 0;
    case SDL_QUIT:  // a signal or the desktop asking the program to end: close the window
      out->window = w;
      out->message = WM_CLOSE;
      out->wParam = 0;
      out->lParam = 0;
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void destroyWindow(WindowHandle window) {
  if (!window || window->destroyed) return;
  window->destroyed = 1;
  sendMessage(window, WM_DESTROY, 0, 0);
  if (window->sdl) SDL_HideWindow(window->sdl);
}

WindowProcedure windowProcedureOf(WindowHandle window) { return window ? window->windowProc : 0; }

void setRepaintPending(WindowHandle window, int pending) { window->invalid = pending; }

SDL_Window* sdlWindowOf(WindowHandle window) { return window ? window->sdl : 0; }

// SDL falls back to drivers that draw into memory (offscreen, dummy) when no display can
// be reached; the game would then run where nobody sees it. Unless SDL_VIDEODRIVER names a
// driver, only the drivers that show a window to a person are tried.
// SDL's events come up first: they load the last library SDL itself loads, so the GL
// driver can load beside the display connection without waiting on each other.
int openDesktop() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  ignoreEventsToGoneWindows();
  if (SDL_Init(SDL_INIT_EVENTS) != 0) {
    fprintf(stderr, "Vask Light Cycles: cannot open a display: %s\n", SDL_GetError());
    return 0;
  }
  startGlDriverPreload();
  const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
  if (chosen && *chosen) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      desktopOpen = 1;
      return 1;
    }
    fprintf(stderr, "Vask Light Cycles: cannot open a display (tried %s): %s\n", chosen,
            SDL_GetError());
    closeDesktop();
    return 0;
  }
  // What each driver answered goes into the one line: the last answer alone hid why the
  // display that was there (x11) had been refused.
  char tried[1024] = "";
  for (int i = 0; i < SDL_GetNumVideoDrivers(); i++) {
    const char* name = SDL_GetVideoDriver(i);
    if (!name || strcmp(name, "offscreen") == 0 || strcmp(name, "dummy") == 0 ||
        strcmp(name, "evdev") == 0)
      continue;
    SDL_setenv("SDL_VIDEODRIVER", name, 1);
    int ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    unsetenv("SDL_VIDEODRIVER");  // SDL reads it only while starting up
    if (ok) {
      desktopOpen = 1;
      return 1;
    }
    size_t used = strlen(tried);
    snprintf(tried + used, sizeof tried - used, "%s%s: %s", used ? "; " : "", name, SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  fprintf(stderr, "Vask Light Cycles: cannot open a display (tried %s)\n",
          tried[0] ? tried : "no video driver");
  closeDesktop();
  return 0;
}

void closeDesktop() {
  finishGlDriverPreload();
  closeGamepads();
  desktopOpen = 0;
  titleShown = 0;
  SDL_Quit();
}

int windowIsGlCapable(WindowHandle window) { return window ? window->glCapable : 0; }

int registerWindowClass(const WindowClass* windowClass) {
  if (!windowClass || !windowClass->className || !windowClass->windowProc) return 0;
  if (registeredClassCount == MAX_CLASSES) return 0;
  if ((SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO) == 0) return 0;
  registeredClasses[registeredClassCount++] = *windowClass;
  return 1;
}

WindowHandle createWindow(const char* className, const char* title, int width, int height) {
  // One window at a time: another may be made only after the first has been destroyed.
  if (windowCreated && !theWindow.destroyed) return 0;
  const WindowClass* cls = 0;
  for (int i = 0; i < registeredClassCount; i++)
    if (strcmp(registeredClasses[i].className, className) == 0) cls = &registeredClasses[i];
  if (!cls) return 0;

  // The pixel format is fixed when an X window is created, so ask for the game's format
  // (double-buffered RGBA, 16 colour and 16 depth bits at least) here.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  SDL_Window* sdl = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     width, height, flags | SDL_WINDOW_OPENGL);
  int glCapable = sdl != 0;
  if (!sdl) sdl = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   width, height, flags);
  if (!sdl) return 0;
  if (titleShown) setGameWindowIcon(sdl);

  if (windowCreated && theWindow.sdl) SDL_DestroyWindow(theWindow.sdl);
  memset(&theWindow, 0, sizeof theWindow);
  theWindow.sdl = sdl;
  theWindow.windowProc = cls->windowProc;
  theWindow.glCapable = glCapable;
  theWindow.invalid = 1;
  theWindow.pictureWidth = width;
  theWindow.pictureHeight = height;
  windowCreated = 1;
  applyDesktopScale(&theWindow);

  WindowHandle w = &theWindow;
  sendMessage(w, WM_CREATE, 0, 0);
  sendMessage(w, WM_SIZE, 0, sizeParam(width, height));
  return w;
}

namespace {

// Events waiting in SDL's queue become messages; returns 1 when `message` holds one.
int takeDesktopEvent(WindowMessage* message) {
  if ((SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO) == 0) return 0;
  // Gather what the desktop has sent, then take events until one becomes a message.
  // (Polling would stop at the marker of its previous pump and leave newer events
  // waiting behind a repaint.)
  SDL_PumpEvents();
  SDL_Event e;
  // An event may post messages instead (key releases on losing focus or a pad): they
  // come before anything later.
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
    if (translateEvent(e, message) || takePostedMessage(message)) return 1;
  return 0;
}

// A repaint is generated only when nothing else waits, and only once its frame slot has
// come: one repaint is one step of the match, so the match keeps 60 steps a second on
// any display and the loop does not spin between frames.
int takeRepaint(WindowMessage* message) {
  if (!windowCreated || theWindow.destroyed || !theWindow.invalid) return 0;
  int64_t now = frameClockMicroseconds();
  if (framePacerTimeToSlot(&pacer, now) > 0) return 0;
  // Until the first repaint, exposures belong to showing the window: what was drawn then
  // was drawn after it showed.
  if (!pacer.started) theWindow.exposed = 0;
  framePacerTakeSlot(&pacer, now);
  message->window = &theWindow;
  message->message = WM_PAINT;
  message->wParam = 0;
  message->lParam = 0;
  return 1;
}

}  // namespace

int peekMessage(WindowMessage* message) {
  if (!message) return 0;
  noteStartupOver();
  finishStartup();
  keepDisplayAwakeWhileRunning();
  if (windowCreated && !theWindow.destroyed) pollGamepads(&theWindow);
  if (takePostedMessage(message)) return 1;
  if (takeDesktopEvent(message) || takeQuitMessage(message) || takeRepaint(message)) return 1;
  // Only an early repaint is pending: wait for input or its slot, whichever comes first,
  // then hand out what there is.
  if (windowCreated && !theWindow.destroyed && theWindow.invalid) {
    frameClockWaitForInput(framePacerTimeToSlot(&pacer, frameClockMicroseconds()));
    return takeDesktopEvent(message) || takeQuitMessage(message) || takeRepaint(message);
  }
  return 0;
}

int getWindowRect(WindowHandle window, WindowRect* rect) {
  if (!window || !window->sdl || !rect) return 0;
  // The game's picture keeps the size it asked for at any window size: the GL layer scales it.
  int x = 0, y = 0;
  SDL_GetWindowPosition(window->sdl, &x, &y);
  rect->left = x;
  rect->top = y;
  rect->right = x + window->pictureWidth;
  rect->bottom = y + window->pictureHeight;
  return 1;
}

void showWindow(WindowHandle window) {
  if (!window || !window->sdl) return;
  SDL_ShowWindow(window->sdl);
  SDL_RaiseWindow(window->sdl);
  enterFullScreenAtStart(window);
  // The first show is a size change from nothing: the GL viewport follows it.
  WindowRect r = {0, 0, 0, 0};
  getWindowRect(window, &r);
  postMessage(window, WM_SIZE, 0, sizeParam(r.right - r.left, r.bottom - r.top));
}

void updateWindow(WindowHandle window) {
  if (window && window->invalid && !window->destroyed) sendMessage(window, WM_PAINT, 0, 0);
}

int windowExposed(WindowHandle window) {
  if (!window || !window->exposed) return 0;
  window->exposed = 0;
  return 1;
}

// A termination request (SIGTERM, or SIGINT from a terminal) reaches the game as SDL's quit
// event, which closes the window, and a closed window ends the game with code 0. While a box
// is up the game's thread waits inside SDL for the box and reads no events, so during a box
// the request ends the program at once, with that same code.
namespace {
volatile sig_atomic_t boxShowing = 0;
pid_t boxOwner = 0;

void endDuringBox(int) { _exit(0); }

// SDL shows the box from a process it forks: that process goes when the game does, rather
// than leave a box that belongs to nobody.
void boxGoesWithTheGame() {
#if defined(__linux__)
  if (!boxShowing) return;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != boxOwner) _exit(0);
#endif
}
}  // namespace

int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t) {
  const char* title = caption ? caption : "Error";
  fprintf(stderr, "%s: %s\n", title, text ? text : "");
  fflush(stderr);
  static int boxProcessWatched = 0;
  if (!boxProcessWatched) boxProcessWatched = pthread_atfork(0, 0, boxGoesWithTheGame) == 0;
  struct sigaction ending, oldTerm, oldInt;
  memset(&ending, 0, sizeof ending);
  ending.sa_handler = endDuringBox;
  sigemptyset(&ending.sa_mask);
  boxOwner = getpid();
  boxShowing = 1;
  sigaction(SIGTERM, &ending, &oldTerm);
  sigaction(SIGINT, &ending, &oldInt);
  if (SDL_QuitRequested()) _exit(0);  // a request that came just before the box
  SDL_Window* parent = (owner && !owner->destroyed) ? owner->sdl : 0;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text ? text : "", parent);
  sigaction(SIGTERM, &oldTerm, 0);
  sigaction(SIGINT, &oldInt, 0);
  boxShowing = 0;
  return IDOK;
}

void outputDebugString(const char* text) {
  if (!text) return;
  fputs(text, stderr);
  fflush(stderr);
}
