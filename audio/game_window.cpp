#include "audio/game_window.h"

WindowHandle mainWindow = 0;
