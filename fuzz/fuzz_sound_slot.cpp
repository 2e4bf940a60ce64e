// A sound slot loaded from the input (loadSlot as soundInit calls it), on the real OpenAL
// sound device layer with OpenAL Soft's loopback output, then played and mixed for a
// moment. Whatever the file holds, the slot either stays silent or holds at most the bytes
// the file really has, and playing it never fails.
#include <string.h>

#include "audio/sound_slots.h"
#include "audio/wav_reader.h"
#include "fuzz/fuzz_support.h"
#include "tests/doubles/openal_loopback_device.h"

namespace {

void emptySlot(int slot) {
  SoundSlot* s = &soundSlots[slot];
  if (s->buffer) soundBufferRelease(s->buffer);
  wavClose(&s->file, &s->format);
  memset(s, 0, sizeof *s);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();  // no WAV files here: every slot of soundInit stays silent
  soundInit();
  if (!soundDevice || !listener) fuzzFail("the loopback sound device did not open");
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++)
    if (soundSlots[slot].loaded) fuzzFail("a slot loaded from a file that is not there");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("boom.wav", data, size);
  clearMessageBoxes();
  loadSlot(SOUND_BOOM, "boom.wav", 0);
  const SoundSlot* s = &soundSlots[SOUND_BOOM];
  if (s->loaded) {
    if (!s->buffer || !s->buffer3d || !s->format) fuzzFail("a loaded slot without its buffer");
    if (s->dataSize > size) fuzzFail("a slot holds more bytes than its file");
    soundSetVolume(SOUND_BOOM, -600);
    soundSetFrequency(SOUND_BOOM, 22050);
    soundPlace(SOUND_BOOM, 0.5f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    soundPlay(SOUND_BOOM);
    static float mix[2 * 256];
    renderLoopback(mix, 256);
    soundStop(SOUND_BOOM);
    if (messageBoxCount != 0) fuzzFail("playing a loaded slot failed");
  }
  emptySlot(SOUND_BOOM);
  return 0;
}
