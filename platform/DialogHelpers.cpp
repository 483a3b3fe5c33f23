#include "platform/DialogHelpers.h"

#include <cstdio>

#include "platform/Dialog.h"

namespace tw {

void CenterOnParent(Dialog& dialog)
{
    const Rect window = dialog.GetWindowRect();
    const std::optional<Rect> owner = dialog.GetOwnerRect();
    if (!owner) {
        return;
    }
    // Signed division truncates toward zero, so odd sizes and negative
    // coordinates round the way the original placement did.
    const auto middle = [](int low, int high) {
        return static_cast<int>((static_cast<long long>(low) + high) / 2);
    };
    dialog.MoveTo(middle(owner->left, owner->right) - window.Width() / 2,
                  middle(owner->top, owner->bottom) - window.Height() / 2);
}

std::string GetItemText(Dialog& dialog, int id, int bufferSize)
{
    if (bufferSize <= 1 || !dialog.HasItem(id)) {
        return {};
    }
    std::string text = dialog.GetItemText(id);
    const auto room = static_cast<std::size_t>(bufferSize - 1);
    if (text.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        text.resize(cut);
    }
    return text;
}

bool FitsEditLimit(std::string_view text, int bytes)
{
    return bytes >= 0 && text.size() <= static_cast<std::size_t>(bytes);
}

void SetItemText(Dialog& dialog, int id, std::string_view text)
{
    if (dialog.HasItem(id)) {
        dialog.SetItemText(id, text);
    }
}

void SetItemNumber(Dialog& dialog, int id, std::int32_t number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(number));
    SetItemText(dialog, id, digits);
}

} // namespace tw
