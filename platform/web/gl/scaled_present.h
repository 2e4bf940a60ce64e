// The game's frame presented at any canvas size. The game draws its picture at its own size
// (640 by 480) into an off-screen frame; each present puts that frame on the canvas in the
// largest area of the frame's shape, centred, black bars on the other sides. It is scaled
// sharply: by the largest whole number with nearest sampling, and only the remainder
// smoothed, so text and one-pixel lines stay crisp at any size. On a canvas of the frame's
// own size the picture is the one the game drew, pixel for pixel. The off-screen frame keeps
// the last picture, so a canvas that is resized shows it again at once.
#pragma once

// With the context current and the GL 1.1 layer started: makes the off-screen frame (colour
// and a depth buffer) and binds it for the game's drawing. Returns 1 when it did; 0 when it
// could not, and the game then draws straight onto the canvas as before.
int scaledPresentStart(int frameWidth, int frameHeight);

// Whether the game draws off-screen (started, and not stopped since).
int scaledPresentActive();

// Draws the frame onto the canvas, whose drawing buffer is canvasWidth by canvasHeight
// pixels. It reads nothing back from GL (a query would wait for the whole frame to be drawn):
// the GL 1.1 layer's state is put back from what the layer keeps, the off-screen frame bound
// again.
void scaledPresentShow(int canvasWidth, int canvasHeight);

// Before the context goes: deletes the off-screen frame and the present's shader.
void scaledPresentStop();
