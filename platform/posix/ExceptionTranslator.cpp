#include "platform/ExceptionTranslator.h"

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace tw {
namespace {

struct Fault {
    int signalNumber;
    const char* name;
};

constexpr Fault kFaults[] = {
    {SIGSEGV, "bad memory access"},
    {SIGBUS, "bad memory access"},
    {SIGFPE, "arithmetic fault"},
    {SIGILL, "illegal instruction"},
};

// Only async-signal-safe calls here: write, signal, raise.
void OnFault(int signalNumber)
{
    const char* name = "fault";
    for (const Fault& fault : kFaults) {
        if (fault.signalNumber == signalNumber) {
            name = fault.name;
        }
    }
    const char prefix[] = "Tumblewick ended after a fault: ";
    [[maybe_unused]] ssize_t written = write(STDERR_FILENO, prefix, sizeof prefix - 1);
    written = write(STDERR_FILENO, name, std::strlen(name));
    written = write(STDERR_FILENO, "\n", 1);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

void InstallExceptionTranslator()
{
    for (const Fault& fault : kFaults) {
        std::signal(fault.signalNumber, OnFault);
    }
}

} // namespace tw
