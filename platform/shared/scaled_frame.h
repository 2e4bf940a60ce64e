// The game's frame presented at any window size. The game draws its 640 by 480 picture as
// always, but into an off-screen frame of that size; each present puts it into the
// window's back buffer, in the largest 4:3 area, centred, with black bars on the other
// sides. It is scaled sharply: each window pixel inside one of the frame's pixels shows it
// as drawn, and only a window pixel across an edge blends the two, so text and one-pixel
// lines stay crisp and do not shimmer. At a whole-number scale each of the frame's pixels is
// a block of the window's, and at 640 by 480 the picture is the one the game drew, pixel
// for pixel. The off-screen frame
// keeps the last picture, so a window that is exposed or resized shows it again at once.
// Shared by the desktop backends, on desktop GL with framebuffer objects.
#pragma once

enum { GAME_FRAME_WIDTH = 640, GAME_FRAME_HEIGHT = 480 };

// Where the frame goes in a window of the given size, in GL's window coordinates (from the
// lower left), and the whole-number part of its scale (0 in a window smaller than the frame).
struct FrameArea {
  int x, y, width, height;
  int whole;
};
FrameArea frameAreaOf(int windowWidth, int windowHeight);

// Finds a GL entry point by name (SDL_GL_GetProcAddress, wglGetProcAddress); null when the
// driver has none.
typedef void* (*GlEntryLoader)(const char* name);

// With the game's context current for the first time: makes the off-screen frame (its depth
// and alpha like the window's) and binds it for the game's drawing. Returns 1 when it did.
// Returns 0 when the driver cannot render off-screen: the game then draws straight into the
// window, in its lower left corner, each present moves that corner to the centre, and
// standard error says so once.
int scaledFrameStart(GlEntryLoader load);

// Whether the game is drawing off-screen (scaledFrameStart succeeded and no stop since).
int scaledFrameOffscreen();

// Before each swap, with the context current: draws the frame into the window's back buffer
// at the window's size in pixels, bars black. Every GL state the game set is left as it was,
// the off-screen frame bound again for its next frame. Also what a backend calls, followed
// by a swap, to show the last picture again when the window is exposed or resized.
void scaledFramePresent(int windowWidth, int windowHeight);

// After each swap of a present, with the window's size in pixels: without an off-screen
// frame, moves the frame in the back buffer back to the lower left corner, where the game
// goes on drawing over what it drew before (the title draws its text over its picture).
// Does nothing when the game draws off-screen.
void scaledFrameSwapped(int windowWidth, int windowHeight);

// Before the context goes: deletes the off-screen frame.
void scaledFrameStop();
