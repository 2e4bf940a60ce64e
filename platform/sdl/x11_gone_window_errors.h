// SDL 2.26 on X11 wakes its own event wait by sending an event to the game's window over a
// second display connection. When the window closes, that event can reach the X server after
// the window is gone, and Xlib's default handling of the error it gets back ends the program
// with code 1 as it quits. Such an error is harmless: the event had nowhere left to go.
#pragma once

// Called before SDL connects to the display: SDL keeps the error handling it finds there,
// wraps it while connected, and puts it back before its last goodbyes to the X server, when
// the error shows. Errors from events sent to windows that have gone are then ignored; every
// other error is handled as before.
void ignoreEventsToGoneWindows();
