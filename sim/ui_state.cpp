#include "sim/ui_state.h"

int32_t titleActive = 1;
int32_t demoActive = 0;
int32_t helpVisible = 0;
int32_t lookDirection = 0;  // becomes 3 (ahead) when the match is reset
int32_t viewMode = 0;
int32_t scoresVisible = 1;
