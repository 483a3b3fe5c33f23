#include "platform/SharedLibrary.h"

#include <utility>

// Owning the handle is the same everywhere; opening, looking up and closing
// are the system's (platform/posix, platform/win32).
namespace tw {

SharedLibrary::~SharedLibrary() { Close(); }

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other) {
        Close();
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

} // namespace tw
