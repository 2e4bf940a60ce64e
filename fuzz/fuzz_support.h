// Shared by the fuzz targets: a private working directory for the file under test, a way
// to stop a run with a reason, and the platform doubles (message box, debugger output)
// every target links instead of the window layer.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Makes a fresh directory under TMPDIR (or /tmp) and enters it: the game opens its data
// files by bare name from the working directory.
void enterScratchDirectory();

// Writes the input under `name` in the working directory.
void writeInputFile(const char* name, const uint8_t* data, size_t size);

// A property of the reading did not hold: report it (on standard output, which survives
// -close_fd_mask=2) and abort, so libFuzzer keeps the input as a crash.
[[noreturn]] void fuzzFail(const char* what);

// What the message-box double was last asked to show, and how often since the last clear.
extern char lastMessageBoxText[256];
extern int messageBoxCount;
void clearMessageBoxes();

// Everything written to the debugger-output double since the last clear (cut at 1023 bytes).
extern char debugOutputText[1024];
void clearDebugOutputText();
