// A log of the calls the doubles of this area receive, in order, with up to four integer
// arguments and one text, so a test can compare the whole sequence at once.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

struct LoggedCall {
  std::string name;
  std::string text;
  intptr_t a, b, c, d;
};

extern std::vector<LoggedCall> callLog;

void logCall(const char* name, intptr_t a = 0, intptr_t b = 0, intptr_t c = 0, intptr_t d = 0,
             const char* text = "");

// Only the names, joined by spaces: "beginFrame updateFrame drawWorld drawHud".
std::string loggedNames();

// How many logged calls have this name.
int loggedCount(const char* name);
