#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tw {

// Which file a path named when it was looked at: another file put in its
// place since (a store moved aside and started afresh) has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// $XDG_CONFIG_HOME, or ~/.config without it; empty when the user has neither.
std::filesystem::path UserConfigFolder();

// Makes the folder and any missing parents, private to the user as the XDG
// rules ask. False, with errno saying why, when it cannot be had.
bool EnsurePrivateFolder(const std::filesystem::path& folder);

// The regular file at `path`, made empty and private to the user when it is
// missing and `create` is set; a file others could read is made private.
// Without a file, `missing` says whether there was none and `reason` why not.
std::optional<FileIdentity> OpenPrivateFile(const std::filesystem::path& path, bool create, bool& missing,
                                            std::string& reason);

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// Renames `from` to `to` unless `to` exists. False with errno EEXIST when it
// does, with another errno when the rename failed.
bool RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace tw
