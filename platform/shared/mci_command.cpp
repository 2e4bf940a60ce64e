#include "platform/shared/mci_command.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

namespace {

char tokens[MCI_MAX_TOKENS][MCI_MAX_TOKEN];

// Splits on blanks. Returns the count, -1 when too many or too long.
int tokenize(const char* command) {
  int count = 0;
  const char* p = command;
  for (;;) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) return count;
    if (count == MCI_MAX_TOKENS) return -1;
    char end = ' ';
    if (*p == '"') {
      end = '"';
      p++;
    }
    int length = 0;
    while (*p && (end == '"' ? *p != '"' : (*p != ' ' && *p != '\t'))) {
      if (length == MCI_MAX_TOKEN - 1) return -1;
      tokens[count][length++] = *p++;
    }
    if (end == '"') {
      if (*p != '"') return -1;
      p++;
    }
    tokens[count][length] = '\0';
    count++;
  }
}

int is(const char* token, const char* word) { return strcasecmp(token, word) == 0; }

}  // namespace

MciCommandKind parseMciCommand(const char* command, MciCommand* parsed) {
  parsed->kind = MCI_COMMAND_UNRECOGNIZED;
  parsed->file[0] = parsed->alias[0] = '\0';
  if (!command) return parsed->kind;
  int count = tokenize(command);
  if (count == 2 && is(tokens[0], "close") && is(tokens[1], "all")) {
    parsed->kind = MCI_COMMAND_CLOSE_ALL;
  } else if (count == 6 && is(tokens[0], "open") && is(tokens[2], "type") &&
             is(tokens[3], "sequencer") && is(tokens[4], "alias")) {
    parsed->kind = MCI_COMMAND_OPEN_SEQUENCER;
    snprintf(parsed->file, sizeof parsed->file, "%s", tokens[1]);
    snprintf(parsed->alias, sizeof parsed->alias, "%s", tokens[5]);
  } else if (count == 4 && is(tokens[0], "play") && is(tokens[2], "from") &&
             strcmp(tokens[3], "0") == 0) {
    parsed->kind = MCI_COMMAND_PLAY_FROM_START;
    snprintf(parsed->alias, sizeof parsed->alias, "%s", tokens[1]);
  }
  return parsed->kind;
}
