#include "platform/SharedLibrary.h"

#include <windows.h>

#include <system_error>
#include <utility>

namespace tw {

SharedLibrary SharedLibrary::Open(const std::filesystem::path& fileOrPath)
{
    // A path reaches the system whole only in UTF-16: the narrow functions
    // read it in the ANSI code page, which cannot spell every folder name.
    // A full path's own folder is searched for the modules it needs; that
    // search is defined for full paths only.
    std::error_code error;
    const std::filesystem::path full =
        fileOrPath.has_parent_path() ? std::filesystem::absolute(fileOrPath, error) : std::filesystem::path();
    const bool inFolder = !full.empty() && !error;
    // No "cannot find the DLL" box from the system: a missing module is the
    // caller's to report.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW((inFolder ? full : fileOrPath).c_str(), nullptr,
                                    inFolder ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    SetErrorMode(previous);
    return SharedLibrary(module);
}

SharedLibrary SharedLibrary::IfLoaded(const std::filesystem::path& file)
{
    HMODULE module = nullptr;
    // Counted, so that Close may free it like any other.
    return GetModuleHandleExW(0, file.c_str(), &module) ? SharedLibrary(module) : SharedLibrary();
}

void* SharedLibrary::Symbol(const char* name) const
{
    return handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)) : nullptr;
}

void SharedLibrary::Close()
{
    if (handle) {
        FreeLibrary(static_cast<HMODULE>(std::exchange(handle, nullptr)));
    }
}

std::string SharedLibraryFileName(const std::string& name) { return name + ".dll"; }

std::filesystem::path ProgramDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::filesystem::current_path();
        }
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

} // namespace tw
