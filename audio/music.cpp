// The title song, through media-control command strings under the alias MUSIC.
#include "audio/music.h"

#include <stdio.h>

#include "audio/game_window.h"
#include "platform/media_control.h"

enum { COMMAND_BUFFER_SIZE = 256 };

void startMusic() { playMusicFile("vask.mid"); }

int playMusicFile(const char* fileName) {
  char command[COMMAND_BUFFER_SIZE];
  // A name too long for the buffer is refused rather than cut into another file's name.
  int length = snprintf(command, sizeof command, "open %s type sequencer alias MUSIC", fileName);
  if (length < 0 || length >= (int)sizeof command) return 0;
  if (mciSendString("close all", 0, 0, 0) != 0) return 0;
  if (mciSendString(command, 0, 0, 0) != 0) return 0;
  return mciSendString("play MUSIC from 0", 0, 0, mainWindow) == 0 ? 1 : 0;
}

int stopMusic() { return mciSendString("close all", 0, 0, 0) == 0 ? 1 : 0; }
