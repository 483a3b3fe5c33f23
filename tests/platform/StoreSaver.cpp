#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

#include "support/SaveRounds.h"

// A copy of the game saving first, first + 1, ... last, printing each save
// that has returned; it ends with 1 when a save fails. A lifetime above 0
// microseconds has it killed after that long.
int main(int, char** argv)
{
    if (const std::chrono::microseconds lifetime(std::atoll(argv[3])); lifetime.count() > 0) {
        // Killed as the system kills a program, wherever its saving thread is:
        // exit() would run clean-up code, which on Windows may wait for a
        // lock the killed saving thread held.
        std::thread([lifetime] {
            std::this_thread::sleep_for(lifetime);
#ifdef _WIN32
            TerminateProcess(GetCurrentProcess(), 9);
#else
            std::raise(SIGKILL);
#endif
        }).detach();
    }
    for (int k = std::atoi(argv[1]); k <= std::atoi(argv[2]); ++k) {
        if (!tw::test::Save(k)) {
            return 1;
        }
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}
