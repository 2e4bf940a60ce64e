// What the web backend's GL context needs of its window layer. Internal to this backend.
#pragma once
#include "platform/window.h"

// The CSS selector of the canvas the window draws on ("#vask-canvas"), or 0 for none.
const char* canvasSelectorOf(WindowHandle window);

// Whether the repaint under way is the last of its animation frame, whose picture the page
// shows; the pictures of the steps before it in the same frame are never seen.
int repaintIsLastOfFrame();
// Calls `starts` as each repaint is handed out, with whether its picture will be shown.
void tellRepaintStarts(void (*starts)(int shown));
