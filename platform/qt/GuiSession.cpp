#include "platform/GuiSession.h"

#include <QApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/qt/TerminationRequests.h"

namespace tw {
namespace {

constexpr const char* kNoDisplay = "Tumblewick needs a graphical desktop session, and no display was found.\n";

// Without a display Qt warns about each platform it tried, then blames the
// installation and aborts. So while the application is being made its
// messages are held back. If it cannot start for want of a display, the
// player reads one line that says so; for any other cause (a platform that is
// not installed or will not load), Qt's own words; either way the program
// ends with 1. If it starts, the held messages go on to the usual handler.
class StartupMessages {
public:
    StartupMessages() { previous = qInstallMessageHandler(&Hold); }
    ~StartupMessages() { Release(); }
    StartupMessages(const StartupMessages&) = delete;
    StartupMessages& operator=(const StartupMessages&) = delete;

private:
    struct Message {
        QtMsgType type;
        std::string file, function, category;
        int line;
        QString text;
    };

    static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtFatalMsg && text.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
            const std::lock_guard lock(mutex);
            if (std::any_of(held.begin(), held.end(), &SaysThereIsNoDisplay)) {
                std::fputs(kNoDisplay, stderr);
            } else {
                for (const Message& message : held) {
                    std::fprintf(stderr, "%s\n", qPrintable(message.text));
                }
                std::fprintf(stderr, "%s\n", qPrintable(text));
            }
            std::_Exit(1);
        }
        if (type == QtFatalMsg) {
            Release();
            previous(type, context, text);
            return;
        }
        const std::lock_guard lock(mutex);
        held.push_back({type, context.file ? context.file : "", context.function ? context.function : "",
            context.category ? context.category : "", context.line, text});
    }

    // What the X11 and Wayland platforms say when no display answers.
    static bool SaysThereIsNoDisplay(const Message& message)
    {
        return message.text.contains(QLatin1String("could not connect to display"))
            || message.text.contains(QLatin1String("Failed to create wl_display"));
    }

    static void Release()
    {
        qInstallMessageHandler(previous);
        const std::lock_guard lock(mutex);
        for (const Message& message : held) {
            const QMessageLogContext context(message.file.c_str(), message.line, message.function.c_str(),
                message.category.c_str());
            previous(message.type, context, message.text);
        }
        held.clear();
    }

    static inline QtMessageHandler previous = nullptr;
    static inline std::mutex mutex;
    static inline std::vector<Message> held;
};

} // namespace

struct GuiSession::Impl {
    // The game takes no command line, so the toolkit is given none either: a
    // stray argument cannot change how it starts. Qt keeps both for as long
    // as the application lives.
    int argc = 1;
    char name[11] = "tumblewick";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};
    TerminationRequests terminationRequests;
};

GuiSession::GuiSession()
{
    {
        const StartupMessages startup;
        impl = std::make_unique<Impl>();
    }
    QApplication::setApplicationName(QStringLiteral("Tumblewick"));
    // Lets the desktop match the window with the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brindlecove.Tumblewick"));
}

GuiSession::~GuiSession() = default;

} // namespace tw
