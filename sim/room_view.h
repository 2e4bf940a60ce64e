// What a room shows its viewer: written by the room session, drawn by the title and the HUD.
#pragma once
#include <stdint.h>

enum { ROOM_TEXT_SIZE = 80 };

extern char roomTitleLine[ROOM_TEXT_SIZE];   // "ROOM 7K2M-9QXD": empty offline
extern char roomPeopleLine[ROOM_TEXT_SIZE];  // who is in it
extern char roomNotice[ROOM_TEXT_SIZE];      // one message, shown for a while
extern int32_t roomNoticeFrames;             // repaints it has left
extern int32_t markOwnRider;                 // 1: the HUD marks the viewer's rider
extern int32_t roomViewChanged;              // 1: the title shows old lines
