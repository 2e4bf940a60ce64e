// The Windows-style messages of the window layers that keep a queue of their own (SDL and
// the browser): posted messages wait in order, the quit message waits apart and comes after
// them, and what is sent or dispatched goes straight to the window's procedure.
#pragma once
#include "platform/window.h"

// Supplied by the backend, which owns the window's record.
WindowProcedure windowProcedureOf(WindowHandle window);
void setRepaintPending(WindowHandle window, int pending);
// Sends WM_DESTROY once and takes the window off the screen.
void destroyWindow(WindowHandle window);

// Queues a message for peekMessage; a full queue drops the newest, like a busy desktop.
void postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Take the oldest posted message, or the quit message once postQuitMessage has asked for
// one. Each returns 1 and fills `message` when there was one, else 0.
int takePostedMessage(WindowMessage* message);
int takeQuitMessage(WindowMessage* message);

// Hands a message to the window's procedure at once; 0 for no window.
intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// WM_SIZE's lParam: the height in the high word, the width in the low one.
intptr_t sizeParam(int width, int height);
