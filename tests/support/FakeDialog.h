#pragma once

#include <deque>
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
    bool checked = false;
    bool enabled = true;
    bool readOnly = false;
    int limit = 0; // 0: none set
};

// A dialog with no window behind it, for a handler's logic: it keeps what it
// is told, and posted commands wait in `posted` until DeliverPosted.
class FakeDialog : public Dialog {
public:
    FakeDialog() = default;
    // The template's items with their texts, and edit boxes read-only where
    // the template makes them so.
    explicit FakeDialog(const DialogTemplate& dialogTemplate)
    {
        for (const ControlTemplate& control : dialogTemplate.controls) {
            if (control.id != -1) {
                items[control.id] = {std::string(control.text), false, true, (control.style & ReadOnly) != 0, 0};
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
        for (int each = first; each <= last; ++each) {
            CheckItem(each, each == id);
        }
    }
    void EnableItem(int id, bool enabled) override { Item(id).enabled = enabled; }
    bool IsItemEnabled(int id) const override { return HasItem(id) && Get(id).enabled; }
    void SetReadOnly(int id, bool readOnly) override { Item(id).readOnly = readOnly; }
    bool IsReadOnly(int id) const override { return Get(id).readOnly; }
    void LimitText(int id, int bytes) override { Item(id).limit = bytes; }
    void SetFocus(int id) override { focus = HasItem(id) ? id : focus; }
    int FocusedItem() const override { return focus; }

    void SetTimer(int id, int milliseconds) override { timers[id] = milliseconds; }
    void KillTimer(int id) override { timers.erase(id); }
    void PostCommand(int id) override { posted.push_back(id); }
    void EndDialog(int result) override { ended = ended ? ended : result; }

    Rect GetWindowRect() const override { return window; }
    std::optional<Rect> GetOwnerRect() const override { return owner; }
    void MoveTo(int left, int top) override { window = Rect::FromSize(left, top, window.Width(), window.Height()); }
    int ShowMessage(std::string_view, std::string_view, unsigned) override { return answer; }

    // The colour the player picks next; nullopt cancels the picker.
    std::optional<ColorRef> ChooseColor(ColorRef initial, std::array<ColorRef, 16>& customColors) override
    {
        pickerOpenedWith.push_back(initial);
        customColoursSeen.push_back(customColors);
        customColors[0] = pickedCustomColour.value_or(customColors[0]);
        return pickedColour;
    }

    // Hands the posted commands to the handler, as the message loop would.
    void DeliverPosted(DialogHandler& handler)
    {
        while (!posted.empty() && !ended) {
            const int id = posted.front();
            posted.pop_front();
            handler.OnCommand(*this, id);
        }
    }

    std::map<int, FakeItem> items;
    int focus = -1;
    std::map<int, int> timers;
    std::deque<int> posted;
    std::optional<int> ended;
    Rect window = Rect::FromSize(0, 0, 200, 100);
    std::optional<Rect> owner;
    int answer = ResultOk;
    std::optional<ColorRef> pickedColour;
    std::optional<ColorRef> pickedCustomColour; // what the player makes custom colour 0
    std::vector<ColorRef> pickerOpenedWith;
    std::vector<std::array<ColorRef, 16>> customColoursSeen; // as each picker opened

private:
    // Writes to a missing item land in a scratch item nobody reads.
    FakeItem& Item(int id) { return HasItem(id) ? items[id] : (scratch = {}); }
    const FakeItem& Get(int id) const { return HasItem(id) ? items.at(id) : none; }
    FakeItem scratch;
    FakeItem none;
};

} // namespace tw::test
