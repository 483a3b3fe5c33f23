#include "platform/RepeatingTimer.h"

#include <windows.h>

#include <map>

#include "platform/win32/GuiSessionExists.h"

namespace tw {

struct RepeatingTimer::Impl {
    UINT interval;
    std::function<void()> tick;
    UINT_PTR id = 0;
};

namespace {

// Thread timers carry only their id to the callback; all run on the GUI
// thread, so this needs no lock.
std::map<UINT_PTR, std::function<void()>*>& Running()
{
    static std::map<UINT_PTR, std::function<void()>*> running;
    return running;
}

} // namespace

// Any message loop of the thread, a dialog's or a menu's too, dispatches the
// ticks here.
static void CALLBACK Ticked(HWND, UINT, UINT_PTR id, DWORD)
{
    if (const auto found = Running().find(id); found != Running().end()) {
        (*found->second)();
    }
}

RepeatingTimer::RepeatingTimer(std::chrono::milliseconds interval, std::function<void()> tick)
    : impl(std::make_unique<Impl>(
          Impl{static_cast<UINT>(std::max<std::chrono::milliseconds::rep>(interval.count(), USER_TIMER_MINIMUM)),
               std::move(tick)}))
{
}

RepeatingTimer::~RepeatingTimer() { Stop(); }

void RepeatingTimer::Start()
{
    if (!GuiSessionExists()) {
        return;
    }
    // The same id again restarts the running timer.
    const UINT_PTR id = ::SetTimer(nullptr, impl->id, impl->interval, &Ticked);
    if (id == 0) {
        return;
    }
    if (impl->id != id) {
        Stop();
        impl->id = id;
        Running()[id] = &impl->tick;
    }
}

void RepeatingTimer::Stop()
{
    if (impl->id != 0) {
        ::KillTimer(nullptr, impl->id);
        Running().erase(impl->id);
        impl->id = 0;
    }
}

bool RepeatingTimer::IsActive() const { return impl->id != 0; }

} // namespace tw
