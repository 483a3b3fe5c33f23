#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Sleep.h"
#include "platform/win32/SleepCalls.h"

namespace tw {
namespace {

using Log = std::vector<std::string>;
Log calls;
bool highResolution = true;
HANDLE const kTimer = reinterpret_cast<HANDLE>(0x7e);

// The system as a wait meets it on Windows 10 1803 and later, or before it,
// which refuses a high-resolution timer.
const SleepCalls recording{
    .createTimer = [](LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD flags, DWORD) -> HANDLE {
        calls.push_back("create " + std::string(flags & kHighResolutionTimer ? "high-resolution" : "coarse"));
        return highResolution ? kTimer : nullptr;
    },
    .setTimer = [](HANDLE, const LARGE_INTEGER* due, LONG period, PTIMERAPCROUTINE, LPVOID, BOOL) -> BOOL {
        calls.push_back("set " + std::to_string(due->QuadPart) + " every " + std::to_string(period));
        return TRUE;
    },
    .wait = [](HANDLE, DWORD) -> DWORD { return calls.push_back("wait"), WAIT_OBJECT_0; },
    .closeHandle = [](HANDLE) -> BOOL { return calls.push_back("close"), TRUE; },
    .beginPeriod = [](UINT ms) -> MMRESULT { return calls.push_back("begin " + std::to_string(ms)), 0; },
    .endPeriod = [](UINT ms) -> MMRESULT { return calls.push_back("end " + std::to_string(ms)), 0; },
    .sleep = [](DWORD ms) { calls.push_back("sleep " + std::to_string(ms)); },
};

// A wait asks for a finer timer than the system's period only while it
// waits, and gives it back: its own high-resolution timer, or where there is
// none the 1 ms period.
TEST(Sleep, AsksForTheFinerTimerOnlyWhileItWaits)
{
    const struct { bool highResolution; int ms; Log calls; } cases[] = {
        {true, 5, {"create high-resolution", "set -50000 every 0", "wait", "close"}},
        {false, 5, {"create high-resolution", "begin 1", "sleep 5", "end 1"}},
        {true, 0, {}},
        {false, -3, {}},
    };
    SleepCalls& inUse = SleepCallsInUse();
    const SleepCalls system = std::exchange(inUse, recording);
    for (const auto& each : cases) {
        highResolution = each.highResolution;
        Sleep(each.ms);
        EXPECT_EQ(std::exchange(calls, {}), each.calls) << each.ms << (each.highResolution ? "" : " refused");
    }
    inUse = system;
}

} // namespace
} // namespace tw
