// Media control layer on the Windows media control interface: every command string goes to
// mciSendStringA as it is, reply buffer and callback window included.
//
// platform/media_control.h comes before <windows.h>: its result numbers are the interface's
// own, which <mmsystem.h> then defines again as macros of the same values. <mmsystem.h> also
// makes mciSendString a macro for mciSendStringA; it is undefined below, so the function
// defined here keeps the game header's name.
#include "platform/media_control.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

#undef mciSendString

static_assert(MCIERR_UNRECOGNIZED_COMMAND == 261 && MCIERR_INVALID_DEVICE_NAME == 263 &&
                  MCIERR_FILE_NOT_FOUND == 275 && MCIERR_SEQ_NOMIDIPRESENT == 343,
              "the game's numbers are the media control interface's numbers");

uint32_t mciSendString(const char* command, char* reply, uint32_t replyLength,
                       WindowHandle callback) {
  if (!command) return MCIERR_UNRECOGNIZED_COMMAND;
  if (reply && replyLength) reply[0] = 0;
  // The Win32 window layer makes a WindowHandle the window's HWND.
  return mciSendStringA(command, reply, reply ? replyLength : 0, reinterpret_cast<HWND>(callback));
}
