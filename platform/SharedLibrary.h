#pragma once

#include <filesystem>
#include <string>

namespace tw {

// A shared library loaded at run time; unloaded when the object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // A bare file name is looked up on the system's library path; a path
    // with a folder is taken as it is, in any folder name the system allows,
    // and what it needs is looked for beside it first. Not loaded when the
    // file is missing or not a library.
    static SharedLibrary Open(const std::filesystem::path& fileOrPath);
    // The library only if this process has loaded it already: a way to reach
    // one that another library brought in, without loading it for nothing.
    static SharedLibrary IfLoaded(const std::filesystem::path& file);

    bool IsLoaded() const { return handle != nullptr; }

    // The address of an exported symbol, or null.
    void* Symbol(const char* name) const;

    void Close();

private:
    explicit SharedLibrary(void* handle) : handle(handle) {}

    void* handle = nullptr;
};

// The file a library of this name has on this system ("cards32" is
// libcards32.so here, cards32.dll on Windows).
std::string SharedLibraryFileName(const std::string& name);

// The folder of the running program.
std::filesystem::path ProgramDirectory();

} // namespace tw
