// Working directories for the bad-input tests: every data file of the game, with one of
// them missing, empty, cut to its first half or replaced by garbage of the same length.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

enum BadKind { FILE_MISSING, FILE_EMPTY, FILE_TRUNCATED, FILE_GARBAGE };

// "missing", "empty", "truncated", "garbage": for test names and messages.
const char* badKindName(BadKind kind);

// The bytes of one of the game's own data files.
std::vector<uint8_t> dataFile(const char* name);

// The same pseudo-random bytes for a given length every time (the end-to-end pass makes
// the same ones).
std::vector<uint8_t> garbageBytes(size_t size);

// What the named file holds after it was made bad in the given way (empty for missing).
std::vector<uint8_t> badContents(const char* name, BadKind kind);

// Makes a fresh directory with every data file, makes `badFile` bad (null: none), and
// enters it. leaveWorkDirectory goes back and removes it.
void enterWorkDirectory(const char* badFile, BadKind kind);
void leaveWorkDirectory();
