#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tw {

// Runs jobs one after another on a thread of its own, at a lower priority, so
// that slow work such as reading a SoundFont never holds up the GUI thread.
// The thread starts with the first job. Going away waits for the job under
// way and drops the ones not yet begun.
class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void Post(std::function<void()> job);

private:
    void Run(const std::stop_token& stop);

    std::mutex mutex;
    std::condition_variable_any wake;
    std::deque<std::function<void()>> jobs;
    std::jthread thread; // last: going first, it asks to stop and joins before the queue goes
};

} // namespace tw
