#include "platform/posix/PrivateFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {
namespace {

std::string SystemReason() { return std::generic_category().message(errno); }

FileIdentity IdentityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

} // namespace

std::filesystem::path UserConfigFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || !*home) {
        return {};
    }
    return std::filesystem::path(home) / ".config";
}

bool EnsurePrivateFolder(const std::filesystem::path& folder)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
            errno = ENOTDIR; // the reason a failed save gives
            return false;
        }
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    const std::filesystem::path parent = folder.parent_path();
    if (parent.empty() || parent == folder || !EnsurePrivateFolder(parent)) {
        return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0) {
        return errno == EEXIST && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    chmod(folder.c_str(), 0700); // a umask may have taken the owner's bits
    return true;
}

std::optional<FileIdentity> OpenPrivateFile(const std::filesystem::path& path, bool create, bool& missing,
                                            std::string& reason)
{
    missing = false;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        missing = errno == ENOENT;
        if (errno != ENOENT || !create) {
            reason = SystemReason();
            return std::nullopt;
        }
        missing = false;
        // Private from its first byte: made with the mode, not changed after.
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            reason = SystemReason();
            return std::nullopt;
        }
        const bool made = fchmod(fd, 0600) == 0 && fstat(fd, &info) == 0;
        reason = made ? std::string() : SystemReason();
        close(fd);
        if (!made) {
            return std::nullopt;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0) {
        chmod(path.c_str(), info.st_mode & 0700);
    }
    return IdentityOf(info);
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? std::optional(IdentityOf(info)) : std::nullopt;
}

bool RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    int rc = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without RENAME_NOREPLACE.
        if (access(to.c_str(), F_OK) == 0) {
            errno = EEXIST;
            return false;
        }
        rc = std::rename(from.c_str(), to.c_str());
    }
    return rc == 0;
}

} // namespace tw
