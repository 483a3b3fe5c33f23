#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

namespace tw::test {

// Gives one test a per-user store of its own: the configuration folder points
// into a fresh temporary folder for as long as the object lives, so tests
// running side by side never share a store.
class TemporaryStore {
public:
    TemporaryStore()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tumblewick-test-XXXXXX").string();
        folder = mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
        if (const char* previousHome = std::getenv("XDG_CONFIG_HOME")) {
            previous = previousHome;
        }
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }

    ~TemporaryStore()
    {
        if (previous) {
            setenv("XDG_CONFIG_HOME", previous->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

    // The folder that stands for the user's configuration folder.
    const std::filesystem::path& ConfigHome() const { return folder; }

private:
    std::filesystem::path folder;
    std::optional<std::string> previous;
};

} // namespace tw::test
