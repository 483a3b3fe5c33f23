#include "platform/Sleep.h"

#include "platform/win32/SleepCalls.h"

namespace tw {
namespace {

// Windows 10 2004 and later round a plain Sleep up to the timer's period,
// about 15.6 ms, unless the process asks for a finer one: a run of 5 ms tones
// would take three times its length and every 10 ms step of a drop 16 ms.

// A high-resolution timer is fine for itself alone and only while it exists:
// nothing else of the process or the system runs on a finer period, and
// unlike a finer period, which Windows 11 need not grant a program whose
// windows nobody sees, it keeps its length wherever the game's window is.
class HighResolutionTimer {
public:
    explicit HighResolutionTimer(const SleepCalls& calls)
        : calls(calls),
          handle(calls.createTimer(nullptr, nullptr, kHighResolutionTimer, TIMER_MODIFY_STATE | SYNCHRONIZE))
    {
    }
    ~HighResolutionTimer()
    {
        if (handle) {
            calls.closeHandle(handle);
        }
    }
    HighResolutionTimer(const HighResolutionTimer&) = delete;
    HighResolutionTimer& operator=(const HighResolutionTimer&) = delete;

    // False when the system has no such timer, or would not set it.
    bool Wait(int milliseconds) const
    {
        // Negative: relative to now, in units of 100 ns.
        const LARGE_INTEGER due{.QuadPart = -10'000LL * milliseconds};
        return handle && calls.setTimer(handle, &due, 0, nullptr, nullptr, FALSE)
            && calls.wait(handle, INFINITE) == WAIT_OBJECT_0;
    }

private:
    const SleepCalls& calls;
    HANDLE handle;
};

// Older systems: the whole system's timer at 1 ms, for the wait alone.
class FinerTimerPeriod {
public:
    explicit FinerTimerPeriod(const SleepCalls& calls) : calls(calls), raised(calls.beginPeriod(1) == TIMERR_NOERROR) {}
    ~FinerTimerPeriod()
    {
        if (raised) {
            calls.endPeriod(1);
        }
    }
    FinerTimerPeriod(const FinerTimerPeriod&) = delete;
    FinerTimerPeriod& operator=(const FinerTimerPeriod&) = delete;

private:
    const SleepCalls& calls;
    bool raised;
};

} // namespace

SleepCalls& SleepCallsInUse()
{
    static SleepCalls calls;
    return calls;
}

void Sleep(int milliseconds)
{
    if (milliseconds <= 0) {
        return;
    }
    const SleepCalls& calls = SleepCallsInUse();
    if (HighResolutionTimer(calls).Wait(milliseconds)) {
        return;
    }
    const FinerTimerPeriod finer(calls);
    calls.sleep(static_cast<DWORD>(milliseconds));
}

} // namespace tw
