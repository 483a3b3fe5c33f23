#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace tw {

// Calls `tick` on the GUI thread every `interval` while started. Without a
// GUI session (a test with no event loop) it never starts: nothing would
// run it.
class RepeatingTimer {
public:
    RepeatingTimer(std::chrono::milliseconds interval, std::function<void()> tick);
    ~RepeatingTimer();
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    void Start();
    void Stop();
    bool IsActive() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace tw
