// The media control command strings the game sends, read the same way by every backend that
// interprets them itself (Windows hands them to its own media control interface).
#pragma once

enum { MCI_MAX_TOKENS = 8, MCI_MAX_TOKEN = 1024 };

enum MciCommandKind {
  MCI_COMMAND_UNRECOGNIZED = 0,
  MCI_COMMAND_CLOSE_ALL,          // "close all"
  MCI_COMMAND_OPEN_SEQUENCER,     // "open <file> type sequencer alias <alias>"
  MCI_COMMAND_PLAY_FROM_START,    // "play <alias> from 0"
};

struct MciCommand {
  MciCommandKind kind;
  char file[MCI_MAX_TOKEN];   // open only
  char alias[MCI_MAX_TOKEN];  // open and play
};

// Words are matched without regard to case; a token in double quotes may hold blanks. A
// command with too many or too long tokens, or an unclosed quote, is unrecognized.
MciCommandKind parseMciCommand(const char* command, MciCommand* parsed);
