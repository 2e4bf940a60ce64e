// Media control layer in the browser: one sequencer device at a time, played by the page's
// MIDI synthesiser (FluidSynth compiled to WebAssembly, with a General MIDI soundfont). The
// song is read here, from the working directory, like every other data file; the page
// plays its bytes live.
#include "platform/media_control.h"

#include <emscripten.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "platform/shared/mci_command.h"

namespace {

enum { MAX_ALIAS = 64, MAX_SONG_BYTES = 16 * 1024 * 1024 };

int songOpen = 0;
char songAlias[MAX_ALIAS];

EM_JS(int, pageHasSynth, (), { return Module.vaskPage && Module.vaskPage.music ? 1 : 0; });
EM_JS(void, pageLoadSong, (const unsigned char* bytes, int length), {
  Module.vaskPage.music.load(HEAPU8.slice(bytes, bytes + length));
});
EM_JS(void, pagePlaySong, (), { Module.vaskPage.music.play(); });
EM_JS(void, pageStopSong, (), {
  if (Module.vaskPage && Module.vaskPage.music) Module.vaskPage.music.stop();
});

// Reads the whole song. Returns the bytes (to be freed) and their count, or 0 with the
// error the command answers.
unsigned char* readSong(const char* fileName, long* length, uint32_t* error) {
  FILE* f = fopen(fileName, "rb");
  if (!f) {
    *error = MCIERR_FILE_NOT_FOUND;
    return 0;
  }
  unsigned char* bytes = 0;
  *error = MCIERR_INVALID_FILE;
  if (fseek(f, 0, SEEK_END) == 0) {
    long size = ftell(f);
    // A standard MIDI file starts with its 14-byte "MThd" header.
    if (size >= 14 && size <= MAX_SONG_BYTES && fseek(f, 0, SEEK_SET) == 0) {
      bytes = (unsigned char*)malloc((size_t)size);
      if (!bytes) *error = MCIERR_OUT_OF_MEMORY;
      else if (fread(bytes, 1, (size_t)size, f) != (size_t)size || memcmp(bytes, "MThd", 4) != 0) {
        free(bytes);
        bytes = 0;
      } else {
        *length = size;
      }
    }
  }
  fclose(f);
  return bytes;
}

uint32_t openSong(const char* fileName, const char* alias) {
  if (strlen(alias) >= MAX_ALIAS) return MCIERR_INVALID_DEVICE_NAME;
  if (songOpen) return strcasecmp(songAlias, alias) == 0 ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
  long length = 0;
  uint32_t error = 0;
  unsigned char* bytes = readSong(fileName, &length, &error);
  if (!bytes) return error;
  if (!pageHasSynth()) {
    free(bytes);
    return MCIERR_SEQ_NOMIDIPRESENT;
  }
  pageLoadSong(bytes, (int)length);
  free(bytes);
  songOpen = 1;
  snprintf(songAlias, sizeof songAlias, "%s", alias);
  return 0;
}

uint32_t playSong(const char* alias) {
  if (!songOpen || strcasecmp(songAlias, alias) != 0) return MCIERR_INVALID_DEVICE_NAME;
  pagePlaySong();  // from the start; the page starts it as soon as its soundfont is ready
  return 0;
}

void closeSong() {
  pageStopSong();
  songOpen = 0;
  songAlias[0] = '\0';
}

}  // namespace

uint32_t mciSendString(const char* command, char* reply, uint32_t replyLength, WindowHandle) {
  if (reply && replyLength > 0) reply[0] = '\0';
  static MciCommand parsed;
  switch (parseMciCommand(command, &parsed)) {
    case MCI_COMMAND_CLOSE_ALL:
      closeSong();
      return 0;
    case MCI_COMMAND_OPEN_SEQUENCER:
      return openSong(parsed.file, parsed.alias);
    case MCI_COMMAND_PLAY_FROM_START:
      return playSong(parsed.alias);
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}
