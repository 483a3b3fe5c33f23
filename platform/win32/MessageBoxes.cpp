#include "platform/win32/MessageBoxes.h"

#include "platform/DesktopMessageBox.h"
#include "platform/MessageBox.h"
#include "platform/win32/WideText.h"

namespace tw {

DialogResult ShowMessageBox(HWND owner, std::string_view text, std::string_view caption, unsigned style)
{
    const std::wstring title = Wide(MessageBoxTitle(caption));
    const int answer = MessageBoxW(owner, Wide(text).c_str(), title.c_str(), style);
    if (answer == 0) {
        // A box that could not be shown confirmed nothing.
        return (style & MessageBoxYesNo) ? DialogResult::No : DialogResult::Ok;
    }
    return static_cast<DialogResult>(answer);
}

DialogResult ShowDesktopMessage(std::string_view text, std::string_view caption, unsigned style)
{
    return ShowMessageBox(nullptr, text, caption, style);
}

} // namespace tw
