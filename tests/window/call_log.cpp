#include "call_log.h"

#include <string.h>

std::vector<LoggedCall> callLog;

void logCall(const char* name, intptr_t a, intptr_t b, intptr_t c, intptr_t d, const char* text) {
  callLog.push_back(LoggedCall{name, text ? text : "(null)", a, b, c, d});
}

std::string loggedNames() {
  std::string names;
  for (const LoggedCall& call : callLog) {
    if (!names.empty()) names += ' ';
    names += call.name;
  }
  return names;
}

int loggedCount(const char* name) {
  int n = 0;
  for (const LoggedCall& call : callLog)
    if (call.name == name) n++;
  return n;
}
