#include "platform/WorkerThread.h"

#include <utility>

namespace tw {

WorkerThread::~WorkerThread()
{
    if (thread.joinable()) {
        thread.request_stop();
        thread.join();
    }
}

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
