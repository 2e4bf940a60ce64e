// The message queue and the message functions of platform/window.h that the SDL and
// browser window layers share; the Win32 layer has the desktop's own.
#include "platform/shared/window_message_queue.h"

namespace {

enum { QUEUE_SIZE = 64 };

WindowMessage queue[QUEUE_SIZE];
int queueHead = 0;
int queueCount = 0;
int quitPosted = 0;
int quitCode = 0;

}  // namespace

void postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (queueCount == QUEUE_SIZE) return;
  WindowMessage& m = queue[(queueHead + queueCount) % QUEUE_SIZE];
  m.window = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  queueCount++;
}

int takePostedMessage(WindowMessage* message) {
  if (queueCount == 0) return 0;
  *message = queue[queueHead];
  queueHead = (queueHead + 1) % QUEUE_SIZE;
  queueCount--;
  return 1;
}

int takeQuitMessage(WindowMessage* message) {
  if (!quitPosted) return 0;
  quitPosted = 0;
  message->window = 0;
  message->message = WM_QUIT;
  message->wParam = (uintptr_t)quitCode;
  message->lParam = 0;
  return 1;
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowProcedure procedure = windowProcedureOf(window);
  if (!procedure) return 0;
  return procedure(window, message, wParam, lParam);
}

intptr_t sizeParam(int width, int height) {
  return (intptr_t)(((uint32_t)height & 0xFFFF) << 16 | ((uint32_t)width & 0xFFFF));
}

void translateMessage(const WindowMessage*) {
  // Character messages would follow key messages here; the game handles none.
}

intptr_t dispatchMessage(const WindowMessage* message) {
  if (!message || message->message == WM_QUIT) return 0;
  return sendMessage(message->window, message->message, message->wParam, message->lParam);
}

intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  switch (message) {
    case WM_CLOSE:
      destroyWindow(window);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the window, as on any desktop; other system keys do nothing.
      if (wParam == VK_F4 && (lParam & KEY_ALT_DOWN_BIT)) sendMessage(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT:
      if (window) setRepaintPending(window, 0);  // default painting validates the window
      return 0;
    default:
      return 0;
  }
}

void postQuitMessage(int exitCode) {
  quitPosted = 1;
  quitCode = exitCode;
}

void invalidateWindow(WindowHandle window) {
  if (window) setRepaintPending(window, 1);
}
