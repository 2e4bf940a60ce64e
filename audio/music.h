// The title music: one MIDI song through media-control command strings.
#pragma once

// Start-up starts "vask.mid" and ignores the outcome.
void startMusic();

// Closes every open media device, opens the song as MUSIC and plays it from the start.
// Returns 1 when it is playing, 0 when a command failed.
int playMusicFile(const char* fileName);

// The key that leaves the title stops the song. Returns 1 on success, 0 on failure.
int stopMusic();
