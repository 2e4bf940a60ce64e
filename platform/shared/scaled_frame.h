// The game's frame presented at any window size. In a window of the frame's own size (640
// by 480) the game draws straight into the window, as it always did: nothing is made and
// nothing is copied. In a window of any other size it draws into an off-screen frame of
// 640 by 480, made when first needed, and each present puts that into the window's back
// buffer, in the largest 4:3 area, centred, with black bars on the other sides. It is
// scaled sharply: each window pixel inside one of the frame's pixels shows it as drawn,
// and only a window pixel across an edge blends the two, so text and one-pixel lines stay
// crisp and do not shimmer. At a whole-number scale each of the frame's pixels is a block
// of the window's. The off-screen frame keeps the last picture, so a window that is
// exposed or resized shows it again at once; a window of the frame's size has the game
// draw it again, as it always did.
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

// With the game's context current for the first time: finds the driver's framebuffer
// calls, and leaves the game drawing into the window. Returns 1 when the frame can be
// scaled. Returns 0 when the driver cannot render off-screen: the game then always draws
// straight into the window, in its lower left corner, each present moves that corner to
// the centre, and standard error says so once.
int scaledFrameStart(GlEntryLoader load);

// Whether the game is drawing off-screen now, so that the last picture can be presented
// again without it: the window has another size than the frame's.
int scaledFrameOffscreen();

// Before a present, with the window's size in pixels, right after the game has drawn a
// frame: when the window is no longer of the frame's size, moves the frame the game drew
// in the window into the off-screen frame, where the game goes on drawing. A present does
// this itself; a backend that must swap once before presenting at a new size calls it
// before that swap.
void scaledFrameFollow(int windowWidth, int windowHeight);

// Before each swap, with the context current: draws the frame into the window's back buffer
// at the window's size in pixels, bars black. Every GL state the game set is left as it was,
// the off-screen frame bound again for its next frame. At the frame's own size the game's
// next frame goes to the window again. Also what a backend calls, followed by a swap and
// scaledFrameSwapped, to show the last picture again when the window is exposed or resized
// while scaledFrameOffscreen() says there is one.
void scaledFramePresent(int windowWidth, int windowHeight);

// After each swap of a present, with the window's size in pixels. When the present went back
// to the window, the other colour buffer gets the picture too and the off-screen frame goes.
// Without an off-screen frame in a larger window, moves the frame in the back buffer back to
// the lower left corner, where the game goes on drawing over what it drew before (the title
// draws its text over its picture).
void scaledFrameSwapped(int windowWidth, int windowHeight);

// Before the context goes: deletes the off-screen frame.
void scaledFrameStop();
