// The one OpenAL output shared by the sound device and the music: opened by whichever needs it
// first, closed when neither holds it any more. Shared by the backends that mix with OpenAL
// (SDL's OpenAL Soft, the browser's OpenAL over Web Audio); each brings its own opener.
#pragma once
#include <AL/al.h>
#include <AL/alc.h>

// The sound device and the music take the output as they open; the first taker opens it.
// Only the device is opened at once, so 0 still means there is none to open. Its context
// (some 5 ms in OpenAL Soft, mostly fresh memory) would hold up the title: it is made on a
// thread of its own where the backend has threads. Takers call openalAwaitOutput before
// their first AL call.
int openalAcquire();

// Waits for the context being made; returns 1 when the output is open and its context
// current, 0 when the context could not be made (the output then stays silent, as with
// no device).
int openalAwaitOutput();

// Each successful acquire is matched by one release; the last closes the output.
void openalRelease();

// The output's mixing rate in hertz, once acquired (the music renders at it).
int openalOutputRate();

// The backend's opener, in two halves. The game links its backend's default playback
// device; the tests link a loopback device they render themselves.
// Opens the device the sounds play on; 0 when there is none.
ALCdevice* openalOpenDevice();
// Makes the device's context and makes it current; 0 when it cannot. May run on a thread
// other than the one that opened the device.
ALCcontext* openalCreateContext(ALCdevice* device);

// Closes what the two halves opened (a context of 0 when only the device was).
void openalCloseOutput(ALCdevice* device, ALCcontext* context);
