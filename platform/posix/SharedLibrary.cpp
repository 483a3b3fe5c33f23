#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <system_error>
#include <utility>

namespace tw {

SharedLibrary SharedLibrary::Open(const std::filesystem::path& fileOrPath)
{
    return SharedLibrary(dlopen(fileOrPath.c_str(), RTLD_NOW | RTLD_LOCAL));
}

SharedLibrary SharedLibrary::IfLoaded(const std::filesystem::path& file)
{
    return SharedLibrary(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD));
}

void* SharedLibrary::Symbol(const char* name) const
{
    return handle ? dlsym(handle, name) : nullptr;
}

void SharedLibrary::Close()
{
    if (handle) {
        dlclose(std::exchange(handle, nullptr));
    }
}

std::string SharedLibraryFileName(const std::string& name) { return "lib" + name + ".so"; }

std::filesystem::path ProgramDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : program.parent_path();
}

} // namespace tw
