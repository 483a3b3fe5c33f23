#pragma once

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>
#endif

namespace tw::test {

#ifdef _WIN32
// Gives one test an empty per-user store: the company's registry key, which
// holds the game's key and the journals of its saves beside it, is wiped as
// the object is made and again as it goes. There is one registry for every
// test, so the tests that use it run one at a time.
class TemporaryStore {
public:
    TemporaryStore() { Wipe(); }
    ~TemporaryStore() { Wipe(); }

    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

private:
    static void Wipe() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brindlecove"); }
};
#else
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
#endif

} // namespace tw::test
