// The window layer in the browser: the page's canvas is the window, the page's key events
// (through html5.h) fill the message queue, and a message box is a dialog on the page that
// the game waits for. Key codes need no table: the browser's keyCode values are the
// desktop's virtual-key codes.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdio.h>
#include <string.h>

#include "platform/shared/frame_clock.h"
#include "platform/shared/frame_pacer.h"
#include "platform/shared/window_message_queue.h"
#include "platform/web/frame_clock_web.h"
#include "platform/web/gamepad_web.h"
#include "platform/web/system_keys_web.h"
#include "platform/web/window_web_internal.h"

struct PlatformWindow {
  WindowProcedure windowProc;
  int width, height;  // the game's picture, whatever the canvas's size
  int invalid;
  int destroyed;
};

namespace {

enum { MAX_CLASSES = 4 };
const char* const CANVAS = "#vask-canvas";

WindowClass registeredClasses[MAX_CLASSES];
int registeredClassCount = 0;
int desktopOpen = 0;

PlatformWindow theWindow;  // the game has exactly one window
int windowCreated = 0;

int boxShowing = 0;  // the page's dialog has the keys while it is up
FramePacer pacer;    // repaints at 60 a second, whatever the display's refresh
int yieldedSincePaint = 1;

// An animation frame that comes later than the next slot (a display of 30 or 50 Hz, or a
// frame the browser dropped) gets every step due in it, one repaint each, handed out one
// after the other; only the last is shown, since the page shows nothing before it gets
// control back, and so only the last is drawn. Up to four: a display of 15 Hz or more
// keeps the match at 60 steps a second.
const int MOST_STEPS_PER_FRAME = 4;
int stepsLeftInFrame = 0;  // repaints still due before the page gets control again
int repaintShown = 1;      // whether the repaint under way is the one its frame shows
void (*repaintStarts)(int shown) = 0;  // the GL context's, told of each repaint

// A repaint after a wait is timed by its animation frame's own time (the display's
// refresh), not by the clock when the game resumes in it: that runs late by whatever the
// page did first in the frame, and a repaint timed late against the grid would push the
// next slot past the next animation frame, so a key pressed meanwhile would wait a whole
// frame more. The grid itself is set on an animation frame's time, for the same reason.
int64_t waitedFrameTime = -1;  // the last wait's animation frame, until its repaint
int gridOnFrames = 0;

// An animation frame comes a little early or late against the 60-a-second grid; a slot
// that is this close counts as come, or a 60 Hz display would skip frames on that jitter.
const int64_t SLOT_TOLERANCE_MICROSECONDS = 2000;

// The keys the game holds down, each with the kind of message its press went as (a key or
// a system key), so that a key whose release the page never sees still gets one.
enum { HELD_NONE = 0, HELD_KEY = 1, HELD_SYSTEM_KEY = 2 };
uint8_t heldKeys[256];

// Windows' lParam of a key-up: a repeat count of 1, the key was down (bit 30), is going up (31).
const intptr_t RELEASE_PARAM = (intptr_t)(int32_t)(1u | (1u << 30) | (1u << 31));

// Keys whose release the page will never see: the game gets it now, as if each were let
// go. A page or window that loses the focus sees none of the keys held then; macOS sends
// none for a key let go while Cmd is down; the page's dialog takes the keys while it is up.
void releaseHeldKeys() {
  if (!windowCreated || theWindow.destroyed) return;
  for (uint32_t vk = 0; vk < 256; vk++) {
    if (!heldKeys[vk]) continue;
    postMessage(&theWindow, heldKeys[vk] == HELD_SYSTEM_KEY ? WM_SYSKEYUP : WM_KEYUP, vk, RELEASE_PARAM);
    heldKeys[vk] = HELD_NONE;
  }
}

// The browser keeps its keys and the system's (isSystemKey): the game never sees them go
// down, and their default stays. Every other key belongs to the game, so arrows and Space
// do not scroll and F1 opens no help. A key-up reaches the game only for a key it saw go down.
EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* e, void*) {
  if (!windowCreated || theWindow.destroyed || boxShowing) return 0;
  uint32_t vk = e->keyCode > 0 && e->keyCode < 0xFF ? (uint32_t)e->keyCode : VK_OEM_UNKNOWN;
  const int browserKeeps = isSystemKey(e);
  const int down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
  if (down && (e->metaKey || isCommandKey(e))) releaseHeldKeys();
  if (down ? browserKeeps : !heldKeys[vk]) return browserKeeps ? 0 : 1;
  // Alt combinations and F10 (and Alt itself) are system keys, as on the desktop.
  int system = e->altKey || vk == VK_MENU || vk == VK_F10;
  intptr_t lParam = 1;
  if (e->altKey) lParam |= KEY_ALT_DOWN_BIT;
  if (e->repeat) lParam |= KEY_REPEAT_BIT;
  uint32_t message;
  if (down) message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
  else message = system ? WM_SYSKEYUP : WM_KEYUP;
  heldKeys[vk] = down ? (system ? HELD_SYSTEM_KEY : HELD_KEY) : HELD_NONE;
  postMessage(&theWindow, message, vk, lParam);
  return browserKeeps ? 0 : 1;
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
  releaseHeldKeys();
  return 0;
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  if (e->hidden) releaseHeldKeys();
  return 0;
}

int repaintPending() { return windowCreated && !theWindow.destroyed && theWindow.invalid; }

// A repaint is handed out only after the page has had control since the last one (the
// browser shows a drawn frame, and delivers keys, only then), once its frame slot has come,
// and again without the page's control for each further step due in the same frame: one
// repaint is one step of the match.
int takeRepaint(WindowMessage* message) {
  if (!repaintPending()) return 0;
  if (stepsLeftInFrame == 0) {
    if (!yieldedSincePaint) return 0;
    const int onFrame = waitedFrameTime >= 0;
    if (onFrame && !gridOnFrames) pacer.started = 0;
    const int64_t now = onFrame ? waitedFrameTime : frameClockMicroseconds();
    stepsLeftInFrame =
        framePacerTakeDueSlots(&pacer, now, SLOT_TOLERANCE_MICROSECONDS, MOST_STEPS_PER_FRAME);
    if (stepsLeftInFrame == 0) return 0;
    gridOnFrames = onFrame;
    waitedFrameTime = -1;
    yieldedSincePaint = 0;
  }
  stepsLeftInFrame--;
  repaintShown = stepsLeftInFrame == 0;
  if (repaintStarts) repaintStarts(repaintShown);
  message->window = &theWindow;
  message->message = WM_PAINT;
  message->wParam = 0;
  message->lParam = 0;
  return 1;
}

// The page offers its touch controls' Play and Attract only until the game's first key.
EM_JS(void, tellPageKeyDown, (), {
  if (Module.vaskPage && Module.vaskPage.gameKeyDown) Module.vaskPage.gameKeyDown();
});
int keyDownSeen = 0;

int takePosted(WindowMessage* message) {
  if (!takePostedMessage(message)) return 0;
  if (message->message == WM_KEYDOWN && !keyDownSeen) {
    keyDownSeen = 1;
    tellPageKeyDown();
  }
  return 1;
}

}  // namespace

void destroyWindow(WindowHandle window) {
  if (!window || window->destroyed) return;
  window->destroyed = 1;
  sendMessage(window, WM_DESTROY, 0, 0);
}

WindowProcedure windowProcedureOf(WindowHandle window) { return window ? window->windowProc : 0; }

// The game asks for its next repaint once the last is over (its main loop does after every
// message). What it draws before that one comes (the title again, when the room it shows
// has changed with what came in during the frame's wait) is no catch-up step's: it is drawn
// and shown, even when the last repaint was one.
void setRepaintPending(WindowHandle window, int pending) {
  window->invalid = pending;
  if (pending && !repaintShown) {
    repaintShown = 1;
    if (repaintStarts) repaintStarts(1);
  }
}

const char* canvasSelectorOf(WindowHandle window) { return window ? CANVAS : 0; }

int repaintIsLastOfFrame() { return repaintShown; }

void tellRepaintStarts(void (*starts)(int shown)) { repaintStarts = starts; }

int openDesktop() {
  desktopOpen = 1;
  return 1;
}

void closeDesktop() {
  emscripten_html5_remove_all_event_listeners();
  desktopOpen = 0;
}

int registerWindowClass(const WindowClass* windowClass) {
  if (!windowClass || !windowClass->className || !windowClass->windowProc) return 0;
  if (registeredClassCount == MAX_CLASSES || !desktopOpen) return 0;
  registeredClasses[registeredClassCount++] = *windowClass;
  return 1;
}

EM_JS(void, setPageTitle, (const char* title), { document.title = UTF8ToString(title); });

// The canvas starts at the game's picture size; once the GL context presents the picture
// scaled, the canvas takes the size it is shown at, in the display's own pixels.
WindowHandle createWindow(const char* className, const char* title, int width, int height) {
  if (windowCreated && !theWindow.destroyed) return 0;
  const WindowClass* cls = 0;
  for (int i = 0; i < registeredClassCount; i++)
    if (strcmp(registeredClasses[i].className, className) == 0) cls = &registeredClasses[i];
  if (!cls || width <= 0 || height <= 0) return 0;
  if (emscripten_set_canvas_element_size(CANVAS, width, height) != EMSCRIPTEN_RESULT_SUCCESS)
    return 0;
  setPageTitle(title ? title : "");
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, 0, 1, onKey);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, 0, 1, onKey);
  // The window's own blur only (not captured from its elements): the page lost the focus.
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, 0, 0, onBlur);
  emscripten_set_visibilitychange_callback(0, 0, onVisibilityChange);
  memset(heldKeys, 0, sizeof heldKeys);

  memset(&theWindow, 0, sizeof theWindow);
  theWindow.windowProc = cls->windowProc;
  theWindow.width = width;
  theWindow.height = height;
  theWindow.invalid = 1;
  windowCreated = 1;
  keyDownSeen = 0;
  WindowHandle w = &theWindow;
  sendMessage(w, WM_CREATE, 0, 0);
  sendMessage(w, WM_SIZE, 0, sizeParam(width, height));
  return w;
}

int peekMessage(WindowMessage* message) {
  if (!message) return 0;
  if (takePosted(message) || takeQuitMessage(message) || takeRepaint(message)) return 1;
  // Only a repaint is pending: give the page the next animation frame (it shows the last
  // picture and delivers keys meanwhile), then hand out what there is.
  if (repaintPending()) {
    frameClockWaitForInput(framePacerTimeToSlot(&pacer, frameClockMicroseconds()));
    waitedFrameTime = frameClockLastFrameMicroseconds();
    yieldedSincePaint = 1;
    // The pads' keys come in with the frame, as the keyboard's do.
    pollGamepads(&theWindow);
    return takePosted(message) || takeQuitMessage(message) || takeRepaint(message);
  }
  return 0;
}

// The picture's size, the one the window was made at, whatever the canvas's size.
int getWindowRect(WindowHandle window, WindowRect* rect) {
  if (!window || !rect) return 0;
  rect->left = 0;
  rect->top = 0;
  rect->right = window->width;
  rect->bottom = window->height;
  return 1;
}

EM_JS(void, showCanvas, (), {
  if (Module.vaskPage) Module.vaskPage.showGame();
});

void showWindow(WindowHandle window) {
  if (!window || window->destroyed) return;
  showCanvas();
  WindowRect r = {0, 0, 0, 0};
  getWindowRect(window, &r);
  postMessage(window, WM_SIZE, 0, sizeParam(r.right - r.left, r.bottom - r.top));
}

void updateWindow(WindowHandle window) {
  if (window && window->invalid && !window->destroyed) sendMessage(window, WM_PAINT, 0, 0);
}

// The page keeps the canvas's last picture on screen whatever covers it, so nothing is
// ever exposed that needs drawing again.
int windowExposed(WindowHandle) { return 0; }

// The page's dialog resolves when the player presses its OK button.
EM_ASYNC_JS(void, showPageBox, (const char* caption, const char* text), {
  const c = UTF8ToString(caption), t = UTF8ToString(text);
  if (Module.vaskPage) await Module.vaskPage.messageBox(c, t);
});

int messageBox(WindowHandle, const char* text, const char* caption, uint32_t) {
  const char* title = caption ? caption : "Error";
  fprintf(stderr, "%s: %s\n", title, text ? text : "");
  releaseHeldKeys();
  boxShowing = 1;
  showPageBox(title, text ? text : "");
  boxShowing = 0;
  // The game goes on from where it was, at the next slot: no steps made up for the box.
  yieldedSincePaint = 1;
  waitedFrameTime = -1;
  stepsLeftInFrame = 0;
  pacer.started = 0;
  return IDOK;
}

void outputDebugString(const char* text) {
  if (!text) return;
  fputs(text, stderr);
}
