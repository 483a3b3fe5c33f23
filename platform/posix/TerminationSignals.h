#pragma once

namespace tw {

// SIGTERM and SIGHUP, as a desktop or the system ending the session sends
// them, caught while this object lives: each one leaves a byte in a pipe,
// which is all a signal handler may safely do, for the GUI thread to notice.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The end to watch for reading; -1 when no pipe could be made and the
    // signals keep their usual effect.
    int ReadEnd() const { return ends[0]; }
    // Empties the pipe once it has been seen readable.
    void Drain() const;

private:
    int ends[2] = {-1, -1};
};

} // namespace tw
