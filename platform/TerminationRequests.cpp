#include "platform/TerminationRequests.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <optional>

#include "platform/MessageLoop.h"

namespace tw {
namespace {

constexpr std::array kSignals{SIGTERM, SIGHUP};
// How often a request looks again whether the dialogs have gone.
constexpr int kRetryMilliseconds = 20;

// The handler may only hand the signal on: a byte into a pipe that the GUI
// thread watches.
int wakeUp = -1;

void HandOn(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp, &byte, 1);
    errno = saved;
}

// The message loop's own level, not a dialog's, a menu's or a start-up
// dialog's before the loop runs.
bool AtTheTopOfTheMessageLoop() { return MessageLoopRuns() && QThread::currentThread()->loopLevel() == 1; }

void DismissWhatIsOpen()
{
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
}

} // namespace

struct TerminationRequests::Impl {
    Impl()
    {
        if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        wakeUp = ends[1];
        notifier.emplace(ends[0], QSocketNotifier::Read);
        QObject::connect(&*notifier, &QSocketNotifier::activated, [this] {
            char bytes[16];
            while (::read(ends[0], bytes, sizeof bytes) > 0) {
            }
            Proceed();
        });
        struct sigaction action {};
        action.sa_handler = &HandOn;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &action, &previous[i]);
        }
        installed = true;
    }
    ~Impl()
    {
        if (installed) {
            for (std::size_t i = 0; i < kSignals.size(); ++i) {
                ::sigaction(kSignals[i], &previous[i], nullptr);
            }
        }
        notifier.reset();
        wakeUp = -1;
        for (const int end : ends) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }

    void Proceed()
    {
        if (!AtTheTopOfTheMessageLoop()) {
            DismissWhatIsOpen();
            QTimer::singleShot(kRetryMilliseconds, &retries, [this] { Proceed(); });
            return;
        }
        bool closing = false;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<QMainWindow*>(widget); main && main->isVisible()) {
                main->close();
                closing = true;
            }
        }
        if (!closing) {
            PostQuitMessage(0);
        }
    }

    std::array<int, 2> ends{-1, -1};
    std::array<struct sigaction, kSignals.size()> previous{};
    bool installed = false;
    std::optional<QSocketNotifier> notifier;
    QObject retries;
};

TerminationRequests::TerminationRequests() : impl(std::make_unique<Impl>()) {}

TerminationRequests::~TerminationRequests() = default;

} // namespace tw
