// A recording stand-in for the debugger output of platform/window.h: every text handed
// to outputDebugString is kept, so tests can check what the game reported.
// Link vask_debug_output_recorder in place of the window layer's outputDebugString.
#pragma once

enum { RECORDED_DEBUG_TEXT_SIZE = 16384 };

// Everything written since the last clear, joined in order and always terminated; text
// beyond the capacity is cut off.
extern char recordedDebugText[RECORDED_DEBUG_TEXT_SIZE];
extern int debugOutputCallCount;  // calls since the last clear

// Forgets everything written.
void clearDebugOutput();
