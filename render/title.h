// The title screen: the 640 by 480 JPEG picture with the version and the start line.
#pragma once

void showTitle();

// Returns 1 when the picture was drawn, 0 when it was not.
int drawTitlePicture(const char* fileName);
