#pragma once

// Platform-internal: the system calls a wait makes, so that a test can see
// which timer resolution it asks for and that it gives it back.

#include <windows.h>

#include <mmsystem.h>

#include "platform/Sleep.h"

namespace tw {

struct SleepCalls {
    decltype(&CreateWaitableTimerExW) createTimer = CreateWaitableTimerExW;
    decltype(&SetWaitableTimer) setTimer = SetWaitableTimer;
    decltype(&WaitForSingleObject) wait = WaitForSingleObject;
    decltype(&CloseHandle) closeHandle = CloseHandle;
    decltype(&timeBeginPeriod) beginPeriod = timeBeginPeriod;
    decltype(&timeEndPeriod) endPeriod = timeEndPeriod;
    decltype(&::Sleep) sleep = ::Sleep;
};

// Windows 10 1803 and later; older systems refuse the flag. Not in mingw's
// headers.
constexpr DWORD kHighResolutionTimer = 0x00000002; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

// The calls tw::Sleep makes, the system's unless a test put its own here.
SleepCalls& SleepCallsInUse();

} // namespace tw
