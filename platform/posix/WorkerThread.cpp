#include "platform/WorkerThread.h"

#include <utility>

#include "platform/ThreadPriority.h"

namespace tw {

void WorkerThread::Post(std::function<void()> job)
{
    {
        const std::scoped_lock lock(mutex);
        jobs.push_back(std::move(job));
    }
    if (!thread.joinable()) {
        thread = std::jthread([this](const std::stop_token& stop) { Run(stop); });
    }
    wake.notify_one();
}

void WorkerThread::Run(const std::stop_token& stop)
{
    // Background work yields to the window being mapped and painted: on a
    // two-core machine it would otherwise compete with the game and the
    // display server just when the game starts.
    RunThisThreadInBackground();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex);
            if (!wake.wait(lock, stop, [this] { return !jobs.empty(); })) {
                return;
            }
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        job();
    }
}

} // namespace tw
