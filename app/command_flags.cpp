#include "app/command_flags.h"

#include <stdio.h>
#include <string.h>

#include "platform/window.h"
#include "protocol/protocol.h"

static bool fail(char* why, unsigned whySize, const char* text) {
  snprintf(why, whySize, "%s", text);
  return false;
}

bool readGameFlags(GameFlags* f, char* why, unsigned whySize) {
  memset(f, 0, sizeof *f);
  int count = commandLineCount();
  for (int i = 0; i < count; ++i) {
    const char* word = commandLineArgument(i);
    if (!word) continue;
    const char* next = commandLineArgument(i + 1);
    const char** value = 0;
    if (strcmp(word, "--record") == 0) value = &f->record;
    else if (strcmp(word, "--replay") == 0) value = &f->replay;
    else if (strcmp(word, "--join") == 0) value = &f->join;
    else if (strcmp(word, "--relay") == 0) value = &f->relay;
    else if (strcmp(word, "--verify") == 0) f->verify = 1;
    else if (strcmp(word, "--host") == 0) f->host = 1;
    if (value) {
      if (!next || strncmp(next, "--", 2) == 0) {
        snprintf(why, whySize, "%s needs a value", word);
        return false;
      }
      *value = next;
      ++i;
    }
  }
  char code[ROOM_CODE_LENGTH];
  if (f->join && !parseRoomCode(f->join, code))
    return fail(why, whySize, "A room code is 8 letters and digits, like 7K2M-9QXD");
  if (f->host && f->join) return fail(why, whySize, "--host and --join cannot be used together");
  if (f->replay && (f->host || f->join || f->record))
    return fail(why, whySize, "--replay plays a record alone: no --host, --join or --record");
  if (f->verify && !f->replay) return fail(why, whySize, "--verify needs --replay FILE");
  if (f->relay && strncmp(f->relay, "ws://", 5) != 0 && strncmp(f->relay, "wss://", 6) != 0)
    return fail(why, whySize, "--relay takes an address like ws://HOST:PORT");
  return true;
}
