#include "platform/qt/TerminationRequests.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <optional>

#include "platform/MessageLoop.h"
#include "platform/posix/TerminationSignals.h"
#include "platform/qt/QtMessageBox.h"

namespace tw {
namespace {

// How often a request looks again whether the dialogs have gone.
constexpr int kRetryMilliseconds = 20;

// The message loop's own level, not a dialog's, a menu's or a start-up
// dialog's before the loop runs.
bool AtTheTopOfTheMessageLoop() { return MessageLoopRuns() && QThread::currentThread()->loopLevel() == 1; }

void DismissWhatIsOpen()
{
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->setProperty(kDismissedUnanswered, true);
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
        if (caught.ReadEnd() < 0) {
            return;
        }
        notifier.emplace(caught.ReadEnd(), QSocketNotifier::Read);
        QObject::connect(&*notifier, &QSocketNotifier::activated, [this] {
            caught.Drain();
            Proceed();
        });
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

    TerminationSignals caught;
    std::optional<QSocketNotifier> notifier; // after the pipe it watches, so it goes first
    QObject retries;
};

TerminationRequests::TerminationRequests() : impl(std::make_unique<Impl>()) {}

TerminationRequests::~TerminationRequests() = default;

} // namespace tw
