// Stand-in for the shared-match session: these tests play offline, where the window
// procedure and the start-up never hand anything to it.
#include "app/window_proc.h"
#include "session/room_session.h"
#include "session/session.h"
#include "sim/room_view.h"

int32_t sessionMode = SESSION_OFFLINE;
const char* recordPath = 0;
const char* const DEFAULT_RELAY = "ws://127.0.0.1:8765";

void sessionRiderInput(int) {}
void sessionFrameSteps() {}
void sessionWatch() {}
void roomTakeRider() {}
void roomPump() {}
void endSession() {}
bool startReplay(const char*, char*, unsigned) { return false; }
int verifyReplay(const char*) { return 1; }
void startRecording(const char*, uint32_t, uint32_t) {}
bool startRoom(const char*, const char*, uint32_t) { return false; }
