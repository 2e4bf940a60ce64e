// Settings of the start-up doubles: what each step returns and the messages the loop gets.
#pragma once
#include <vector>
#include "platform/window.h"

struct StartupScript {
  int registerResult = 1;
  WindowHandle createdWindow = (WindowHandle)0x7a5c;  // 0: creation fails
  int buildArenaResult = 1;
  int initGraphicsResult = 1;
  uint32_t timerPeriodResult = 0;  // TIMERR_NOERROR; TIMERR_NOCANDO: the resolution is refused
  uint32_t timerIdResult = 0x51;   // 0: the periodic timer cannot be created
  // Handed out one per peekMessage call; an entry with message 0 means "nothing waits".
  // When the script runs out, WM_QUIT with code 0 comes.
  std::vector<WindowMessage> messages;
  int demoOnDispatch = 0;  // a dispatched message sets demoActive (the D key at the title)
};

extern StartupScript startupScript;
extern WindowClass registeredClass;        // the class start-up registered
extern WindowHandle mainWindowAtMatchFile;  // mainWindow when the match file was read
