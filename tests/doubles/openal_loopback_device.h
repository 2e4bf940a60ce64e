// Test output for the sound device and the music: OpenAL Soft's loopback device, which mixes
// only when the test asks for samples, in place of the default playback device.
#pragma once

enum { LOOPBACK_RATE = 44100, LOOPBACK_CHANNELS = 2 };

// Mixes `frames` frames of interleaved stereo floats (left, right) into `samples`, which
// holds 2 * frames floats. Returns 0 (and fills silence) when no output is open.
int renderLoopback(float* samples, int frames);

// Whether the sound device or the music holds the output now.
int loopbackIsOpen();

// How many times the output was opened since the start of the process.
int loopbackOpenCount();

// Whether the calling thread made the output's last context.
int loopbackContextMadeOnThisThread();
