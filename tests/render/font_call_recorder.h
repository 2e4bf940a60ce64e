// See font_call_recorder.cpp.
#pragma once

extern int fontLoadCount;      // calls of loadFont
extern int listsBeforeFont;    // how many lists 1, 2, 3 ... existed at the last call
