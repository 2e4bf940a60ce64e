// The sound device layer on the browser's OpenAL, driven directly in the page: each check
// leaves its result in the page (window.soundChecks) for page_e2e.cjs, which also reads
// the levels the page's Web Audio graph carries.
#include <emscripten.h>
#include <math.h>
#include <string.h>

#include "platform/sound_device.h"

namespace {

const int RATE = 22050;
const uint32_t TONE_BYTES = RATE / 10 * 2;  // 0.1 s of 16-bit mono

EM_JS(void, report, (const char* name, int value), {
  window.soundChecks = window.soundChecks || {};
  window.soundChecks[UTF8ToString(name)] = value;
});

// The page's driver reads the levels while the program waits here, and lets it go on.
EM_ASYNC_JS(void, awaitPage, (const char* step), {
  window.soundStep = UTF8ToString(step);
  await new Promise((resolve) => { window.soundNext = resolve; });
});

LPDIRECTSOUNDBUFFER makeTone(LPDIRECTSOUND device) {
  WAVEFORMATEX format;
  memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = RATE;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = RATE * 2;
  DSBUFFERDESC desc = {DS_BUFFER_DESC_SIZE, DSBCAPS_STATIC | DSBCAPS_CTRL3D, TONE_BYTES, 0, &format};
  LPDIRECTSOUNDBUFFER buffer = 0;
  if (soundDeviceCreateSoundBuffer(device, &desc, &buffer) != DS_OK) return 0;
  void* region = 0;
  uint32_t bytes = 0;
  if (soundBufferLock(buffer, 0, 0, &region, &bytes, 0, 0, DSBLOCK_ENTIREBUFFER) != DS_OK) return 0;
  int16_t* samples = (int16_t*)region;
  for (uint32_t i = 0; i < bytes / 2; i++) samples[i] = (int16_t)(12000 * sinf(i * 0.13f));
  soundBufferUnlock(buffer, region, bytes, 0, 0);
  return buffer;
}

}  // namespace

int main() {
  LPDIRECTSOUND device = 0;
  report("created", directSoundCreate(&device) == DS_OK);
  if (!device) return 1;
  LPDIRECTSOUNDBUFFER tone = makeTone(device);
  LPDIRECTSOUND3DBUFFER tone3d = 0;
  report("tone", tone && soundBufferQuery3D(tone, &tone3d) == DS_OK);
  if (!tone3d) return 1;

  // Placed to the right of a listener nobody has turned, relative to the listener (the
  // browser's OpenAL turns such a place with the listener's facing): heard on the right.
  DS3DBUFFER place;
  place.dwSize = DS_3D_RECORD_SIZE;
  soundBuffer3DGetAllParameters(tone3d, &place);
  place.vPosition = D3DVECTOR{5.0f, 0.0f, 0.0f};
  place.dwMode = DS3DMODE_HEADRELATIVE;
  soundBuffer3DSetAllParameters(tone3d, &place, DS3D_IMMEDIATE);
  report("looping", soundBufferPlay(tone, 0, 0, DSBPLAY_LOOPING) == DS_OK);
  awaitPage("right");
  // Stopped in its middle: rewound, it plays its whole tenth of a second.
  report("stopped", soundBufferStop(tone) == DS_OK);
  report("placed", soundBufferSetCurrentPosition(tone, TONE_BYTES / 2) == DS_OK);
  awaitPage("stopped");
  report("rewound", soundBufferSetCurrentPosition(tone, 0) == DS_OK);
  report("once", soundBufferPlay(tone, 0, 0, 0) == DS_OK);
  awaitPage("once");

  // Played to its end, then rewound and played again, as a slot is at every play; then
  // placed in its middle, it plays its second half.
  report("rewoundAtEnd", soundBufferSetCurrentPosition(tone, 0) == DS_OK);
  report("again", soundBufferPlay(tone, 0, 0, 0) == DS_OK);
  awaitPage("again");
  report("placedAtEnd", soundBufferSetCurrentPosition(tone, TONE_BYTES / 2) == DS_OK);
  report("half", soundBufferPlay(tone, 0, 0, 0) == DS_OK);
  awaitPage("half");

  // Played to its end, stopped by the slots as if it still played, then rewound; then
  // looping past its first round, stopped, rewound and played again, as an engine is when
  // its rider crashes and comes back.
  report("stoppedAtEnd", soundBufferStop(tone) == DS_OK);
  report("stoppedRewound", soundBufferSetCurrentPosition(tone, 0) == DS_OK);
  report("loopAgain", soundBufferPlay(tone, 0, 0, DSBPLAY_LOOPING) == DS_OK);
  awaitPage("looping");
  report("loopStopped", soundBufferStop(tone) == DS_OK);
  report("loopRewound", soundBufferSetCurrentPosition(tone, 0) == DS_OK);
  report("loopPlays", soundBufferPlay(tone, 0, 0, DSBPLAY_LOOPING) == DS_OK);
  awaitPage("loop");
  soundDeviceRelease(device);
  report("done", 1);
  return 0;
}
