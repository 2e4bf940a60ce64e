// What the frame and music doubles of this area note besides the call log.
#pragma once

extern int soundCallsBeforeStopMusic;  // sound calls recorded when stopMusic was called
