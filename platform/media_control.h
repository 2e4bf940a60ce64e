// Media control layer: MIDI song playback driven by command strings, as Windows' media
// control interface takes them (the Win32 backend hands them to it; others interpret them).
// Its names and numbers are Windows' own: the Win32 backend includes it before <windows.h>,
// whose macros then carry the same values.
#pragma once
#include <stdint.h>

#include "platform/window.h"

// Results, numbered as the media control interface numbers them (0 is success).
enum {
  MCIERR_UNRECOGNIZED_COMMAND = 261,
  MCIERR_HARDWARE = 262,
  MCIERR_INVALID_DEVICE_NAME = 263,
  MCIERR_OUT_OF_MEMORY = 264,
  MCIERR_DEVICE_OPEN = 265,
  MCIERR_FILE_NOT_FOUND = 275,
  MCIERR_DUPLICATE_ALIAS = 289,
  MCIERR_INVALID_FILE = 296,
  MCIERR_SEQ_NOMIDIPRESENT = 343,
};

// The music sends its commands here, from the game's thread:
//   "close all"                                  stop and close every open song
//   "open <file> type sequencer alias <alias>"   load a MIDI file under an alias
//   "play <alias> from 0"                        play it from the start, in the background
// The game sends no other command, and a backend may refuse any other. Returns 0 on
// success. The reply buffer, when given, receives the command's reply text (empty when it
// has none). No command asks to be notified, so nothing is sent to the callback window.
uint32_t mciSendString(const char* command, char* reply, uint32_t replyLength,
                       WindowHandle callback);
