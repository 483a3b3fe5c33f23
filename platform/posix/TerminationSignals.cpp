#include "platform/posix/TerminationSignals.h"

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace tw {
namespace {

constexpr std::array kSignals{SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> previous{};
int wakeUp = -1;

void HandOn(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals()
{
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        ends[0] = ends[1] = -1;
        return;
    }
    wakeUp = ends[1];
    struct sigaction action {};
    action.sa_handler = &HandOn;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (ends[0] < 0) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    wakeUp = -1;
    ::close(ends[0]);
    ::close(ends[1]);
}

void TerminationSignals::Drain() const
{
    char bytes[16];
    while (::read(ends[0], bytes, sizeof bytes) > 0) {
    }
}

} // namespace tw
