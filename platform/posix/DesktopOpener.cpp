#include "platform/DesktopOpener.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace tw {
namespace {

enum class OpenerOutcome { Opened, Refused, NotInstalled };

// The verdict the watcher sends back: the opener's exit status, or one of
// these, which no exit status can be.
constexpr int kStillRunning = -1;
constexpr int kDidNotStart = -2;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd; }
    void Close()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

private:
    int fd;
};

std::string FindOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (true) {
        const std::size_t end = folders.find(':');
        const std::string_view folder = folders.substr(0, end);
        const std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + program;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string_view::npos) {
            return {};
        }
        folders.remove_prefix(end + 1);
    }
}

long MillisecondsSince(const timespec& start)
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
}

// Runs in a child of a process with other threads, so it keeps to calls that
// are safe after fork: it starts the opener, waits for it up to the patience,
// reports and leaves, so that an opener still running is handed to init.
[[noreturn]] void WatchOpener(const char* path, char* const argv[], int verdictOut, long patience)
{
    int verdict = kDidNotStart;
    const pid_t opener = ::fork();
    if (opener == 0) {
        ::execv(path, argv);
        ::_exit(127);
    }
    if (opener > 0) {
        timespec start{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        verdict = kStillRunning;
        while (MillisecondsSince(start) < patience) {
            int status = 0;
            const pid_t ended = ::waitpid(opener, &status, WNOHANG);
            if (ended == opener) {
                verdict = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
                break;
            }
            const timespec step{0, 5'000'000};
            ::nanosleep(&step, nullptr);
        }
    }
    while (::write(verdictOut, &verdict, sizeof verdict) < 0 && errno == EINTR) {
    }
    ::_exit(0);
}

// Runs `program` (looked up on the PATH) with one argument and gives it
// `patience` to answer. An opener that has not finished by then has handed
// the document to a program that runs in front of it, such as a browser
// started for it: that counts as opened, and it goes on by itself, never a
// child of the game's to wait for or to end with it.
OpenerOutcome RunOpener(const std::string& program, const std::string& argument, std::chrono::milliseconds patience)
{
    std::string path = FindOnPath(program);
    if (path.empty()) {
        return OpenerOutcome::NotInstalled;
    }
    std::string firstArgument = program;
    std::string secondArgument = argument;
    char* const argv[] = {firstArgument.data(), secondArgument.data(), nullptr};

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return OpenerOutcome::Refused;
    }
    FileDescriptor verdictIn(ends[0]);
    FileDescriptor verdictOut(ends[1]);
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        WatchOpener(path.c_str(), argv, verdictOut.Get(), static_cast<long>(patience.count()));
    }
    verdictOut.Close();
    if (watcher < 0) {
        return OpenerOutcome::Refused;
    }
    int verdict = kDidNotStart;
    ssize_t got = 0;
    while ((got = ::read(verdictIn.Get(), &verdict, sizeof verdict)) < 0 && errno == EINTR) {
    }
    while (::waitpid(watcher, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof verdict)) {
        return OpenerOutcome::Refused;
    }
    return verdict == 0 || verdict == kStillRunning ? OpenerOutcome::Opened : OpenerOutcome::Refused;
}

} // namespace

// xdg-open, from Debian's xdg-utils, hands documents and web pages to the
// desktop's programs for them. Without one it fails at once; while a browser
// it started runs in front of it, it does not finish at all.
bool OpenWithDesktop(const std::string& target)
{
    return RunOpener("xdg-open", target, std::chrono::milliseconds(2000)) == OpenerOutcome::Opened;
}

std::string_view HowToGetADocumentOpener()
{
    return " Installing a web browser and the xdg-utils package may fix this.";
}

} // namespace tw
