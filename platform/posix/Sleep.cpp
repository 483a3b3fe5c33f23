#include "platform/Sleep.h"

#include <chrono>
#include <thread>

namespace tw {

// The kernel's timers are as fine as a tone of a few milliseconds needs.
void Sleep(int milliseconds)
{
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

} // namespace tw
