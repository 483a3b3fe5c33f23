#include "platform/MessageLoop.h"

#include <QGuiApplication>

#include <optional>
#include <utility>

namespace tw {
namespace {

// A quit asked for while no loop runs waits here for the next loop, as a
// posted quit message waits in the queue.
std::optional<int> pendingQuit;
bool running = false;

} // namespace

void PostQuitMessage(int exitCode)
{
    pendingQuit = exitCode;
    QCoreApplication::exit(exitCode);
}

int RunMessageLoop()
{
    if (!QCoreApplication::instance()) {
        return pendingQuit.value_or(0);
    }
    if (pendingQuit) {
        return *std::exchange(pendingQuit, std::nullopt);
    }
    // The program ends when its window procedure says so, not when Qt finds
    // the last window gone (the Exit command hides the window first).
    QGuiApplication::setQuitOnLastWindowClosed(false);
    running = true;
    const int code = QCoreApplication::exec();
    running = false;
    pendingQuit.reset();
    return code;
}

bool MessageLoopRuns() { return running; }

} // namespace tw
