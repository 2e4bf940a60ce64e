#include "sim/room_view.h"

char roomTitleLine[ROOM_TEXT_SIZE] = "";
char roomPeopleLine[ROOM_TEXT_SIZE] = "";
char roomNotice[ROOM_TEXT_SIZE] = "";
int32_t roomNoticeFrames = 0;
int32_t markOwnRider = 0;
int32_t roomViewChanged = 0;
