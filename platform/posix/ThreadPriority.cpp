#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tw {

void RunThisThreadInBackground()
{
    // Linux takes a thread id here, where POSIX would mean the whole process.
    constexpr int kBackgroundNice = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);
}

} // namespace tw
