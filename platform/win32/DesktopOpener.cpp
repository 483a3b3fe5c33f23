#include "platform/DesktopOpener.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/WideText.h"

namespace tw {

// The shell opens the file or page with the program the player chose for its
// kind. Wide, so that a folder named in any script is found.
bool OpenWithDesktop(const std::string& target)
{
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32; // smaller values are the shell's errors
}

std::string_view HowToGetADocumentOpener()
{
    return " Choosing a default web browser in Windows' settings may fix this.";
}

} // namespace tw
