#include "platform/RepeatingTimer.h"

#include <QCoreApplication>
#include <QTimer>

namespace tw {

struct RepeatingTimer::Impl {
    QTimer timer;
};

RepeatingTimer::RepeatingTimer(std::chrono::milliseconds interval, std::function<void()> tick)
    : impl(std::make_unique<Impl>())
{
    impl->timer.setInterval(interval);
    QObject::connect(&impl->timer, &QTimer::timeout, std::move(tick));
}

RepeatingTimer::~RepeatingTimer() = default;

void RepeatingTimer::Start()
{
    if (QCoreApplication::instance()) {
        impl->timer.start();
    }
}

void RepeatingTimer::Stop() { impl->timer.stop(); }

bool RepeatingTimer::IsActive() const { return impl->timer.isActive(); }

} // namespace tw
