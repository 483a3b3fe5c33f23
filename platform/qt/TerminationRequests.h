#pragma once

#include <memory>

namespace tw {

// SIGTERM and SIGHUP, as a desktop or the system sends them to end the
// program, close the main window as its close box does, so that what the
// close saves is saved on the way out. Dialogs and menus still open are
// dismissed first, so the close comes from the message loop itself and not
// from inside an operation that a dialog interrupted. Made once by the GUI
// session; the signals' usual handling comes back when it goes.
class TerminationRequests {
public:
    TerminationRequests();
    ~TerminationRequests();
    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace tw
