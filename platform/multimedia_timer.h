// Multimedia timer layer: the system's periodic timer service and its timer resolution.
// The names and numbers are Windows' (timeBeginPeriod, timeSetEvent, timeKillEvent,
// timeEndPeriod); the Windows backend includes this before <windows.h>, whose macros then
// carry the same values.
#pragma once
#include <stdint.h>

enum { TIMERR_NOERROR = 0, TIMERR_NOCANDO = 97 };
enum { TIME_ONESHOT = 0, TIME_PERIODIC = 1 };

typedef uint32_t TimerId;  // 0 is no timer

// Runs on a thread of the timer service, not on the game's thread.
typedef void (*TimerCallback)(TimerId id, uint32_t message, uintptr_t user, uintptr_t reserved1,
                              uintptr_t reserved2);

// Start-up asks for a timer resolution of `milliseconds` before starting its timer.
// Returns TIMERR_NOERROR, or TIMERR_NOCANDO when the service refuses it.
uint32_t timerBeginPeriod(uint32_t milliseconds);

// Shutdown ends the resolution it asked for, after killing the timer.
uint32_t timerEndPeriod(uint32_t milliseconds);

// Start-up starts its periodic timer here (every `delay` ms, to within `resolution` ms,
// TIME_PERIODIC in `flags`). Returns the timer's identifier, or 0 when none was created.
TimerId timerSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback,
                      uintptr_t user, uint32_t flags);

// Shutdown stops the timer. It returns once no callback runs, nor ever will again, so
// shutdown may then release what the callback touches. TIMERR_NOERROR, or TIMERR_NOCANDO
// for an identifier that is no running timer.
uint32_t timerKillEvent(TimerId id);
