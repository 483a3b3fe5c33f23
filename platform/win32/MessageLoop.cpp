#include "platform/MessageLoop.h"

#include <windows.h>

#include "platform/win32/MainWindowAccelerator.h"

namespace tw {
namespace {

bool running = false;

class Running {
public:
    Running() { running = true; }
    ~Running() { running = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

} // namespace

// The quit message waits in the thread's queue until a loop takes it; a
// dialog's loop that does ends and leaves it for the loop around it.
void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int RunMessageLoop()
{
    const Running scope;
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!TranslateMainWindowAccelerator(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}

bool MessageLoopRuns() { return running; }

} // namespace tw
