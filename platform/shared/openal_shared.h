// The one OpenAL output shared by the sound device and the music: opened by whichever needs it
// first, closed when neither holds it any more. Shared by the backends that mix with OpenAL
// (SDL's OpenAL Soft, the browser's OpenAL over Web Audio); each brings its own opener.
#pragma once
#include <AL/al.h>
#include <AL/alc.h>

// The sound device and the music take the output before their first AL call; the first
// taker opens it (through openalOpenOutput) and makes its context current.
// Returns 1 when the output is open, 0 when none could be opened.
int openalAcquire();

// Each successful openalAcquire is matched by one release; the last closes the output.
void openalRelease();

// The output's mixing rate in hertz, once acquired (the music renders at it).
int openalOutputRate();

// Opens the output the sounds play on, with a context, and makes the context current.
// The game links its backend's default playback device; the tests link
// a loopback device they render themselves. Returns 1 on success, 0 when there is none.
int openalOpenOutput(ALCdevice** device, ALCcontext** context);

// Closes what openalOpenOutput opened.
void openalCloseOutput(ALCdevice* device, ALCcontext* context);
