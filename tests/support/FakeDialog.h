#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/DialogTemplate.h"
#include "platform/MessageBox.h"

namespace tw::test {

struct FakeItem {
    std::string text;
    bool checked = false, enabled = true, readOnly = false;
};

// A dialog with no window behind it, for a handler's logic: it keeps what it
// is told; timers never tick, posted commands never arrive and text limits
// are left to the on-screen tests.
class FakeDialog : public Dialog {
public:
    FakeDialog() = default;
    // The template's items with their texts, and edit boxes read-only where
    // the template makes them so.
    explicit FakeDialog(const DialogTemplate& dialogTemplate)
    {
        for (const ControlTemplate& control : dialogTemplate.controls) {
            if (control.id != -1) {
                items[control.id] = {.text = std::string(control.text), .readOnly = (control.style & ReadOnly) != 0};
            }
        }
    }

    bool HasItem(int id) const override { return items.contains(id); }
    std::string GetItemText(int id) const override { return Get(id).text; }
    void SetItemText(int id, std::string_view text) override { Item(id).text = text; }
    bool IsChecked(int id) const override { return Get(id).checked; }
    void CheckItem(int id, bool checked) override { Item(id).checked = checked; }
    void CheckRadioButton(int first, int last, int id) override
    {
        for (int each = first; each <= last; ++each) { CheckItem(each, each == id); }
    }
    void EnableItem(int id, bool enabled) override { Item(id).enabled = enabled; }
    bool IsItemEnabled(int id) const override { return HasItem(id) && Get(id).enabled; }
    void SetReadOnly(int id, bool readOnly) override { Item(id).readOnly = readOnly; }
    bool IsReadOnly(int id) const override { return Get(id).readOnly; }
    void LimitText(int, int) override {}
    void SetFocus(int id) override { focus = HasItem(id) ? id : focus; }
    int FocusedItem() const override { return focus; }

    void SetTimer(int, int) override {}
    void KillTimer(int) override {}
    void PostCommand(int) override {}
    void EndDialog(DialogResult result) override { ended = ended ? ended : result; }

    Rect GetWindowRect() const override { return window; }
    std::optional<Rect> GetOwnerRect() const override { return owner; }
    void MoveTo(int left, int top) override { window = Rect::FromSize(left, top, window.Width(), window.Height()); }
    DialogResult ShowMessage(std::string_view, std::string_view, unsigned) override { return answer; }

    // The colour the player picks next; nullopt cancels the picker.
    std::optional<ColorRef> ChooseColor(ColorRef, std::array<ColorRef, 16>& customColors) override
    {
        customColoursSeen.push_back(customColors);
        customColors[0] = pickedCustomColour.value_or(customColors[0]);
        return pickedColour;
    }

    std::map<int, FakeItem> items;
    int focus = -1;
    std::optional<DialogResult> ended;
    Rect window = Rect::FromSize(0, 0, 200, 100);
    std::optional<Rect> owner;
    DialogResult answer = DialogResult::Ok;
    std::optional<ColorRef> pickedColour;
    std::optional<ColorRef> pickedCustomColour; // what the player makes custom colour 0
    std::vector<std::array<ColorRef, 16>> customColoursSeen; // as each picker opened

private:
    // Writes to a missing item land in a scratch item nobody reads.
    FakeItem& Item(int id) { return HasItem(id) ? items[id] : (scratch = {}); }
    const FakeItem& Get(int id) const { return HasItem(id) ? items.at(id) : none; }
    FakeItem scratch, none;
};

} // namespace tw::test
