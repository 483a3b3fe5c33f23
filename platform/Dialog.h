#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ColorRef.h"
#include "platform/DialogResult.h"
#include "platform/Geometry.h"

namespace tw {

class Window;
struct DialogTemplate;

// Standard command ids of dialogs.
enum DialogCommand : int {
    IdOk = 1,     // the default button, Enter
    IdCancel = 2, // Esc and the close box
};

// An open dialog as its handler sees it: items are reached by id, as a
// dialog procedure reaches them. Asking for an id the dialog does not have
// does nothing and reads as empty.
class Dialog {
public:
    virtual ~Dialog() = default;

    virtual bool HasItem(int id) const = 0;
    virtual std::string GetItemText(int id) const = 0;
    virtual void SetItemText(int id, std::string_view text) = 0;

    virtual bool IsChecked(int id) const = 0;
    virtual void CheckItem(int id, bool checked) = 0;
    // Checks `id` and clears every other button from `first` to `last`.
    virtual void CheckRadioButton(int first, int last, int id) = 0;

    virtual void EnableItem(int id, bool enabled) = 0;
    virtual bool IsItemEnabled(int id) const = 0;
    virtual void SetReadOnly(int id, bool readOnly) = 0;
    virtual bool IsReadOnly(int id) const = 0;
    // The most an edit box takes, in bytes of UTF-8 text.
    virtual void LimitText(int id, int bytes) = 0;
    virtual void SetFocus(int id) = 0;
    virtual int FocusedItem() const = 0; // -1 when no item has the focus

    // The dialog's own timers; each tick reaches the handler's OnTimer.
    virtual void SetTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;
    // The command reaches OnCommand once the current message is handled.
    virtual void PostCommand(int id) = 0;
    virtual void EndDialog(DialogResult result) = 0;

    // Screen rectangles, for placing the dialog over its owner.
    virtual Rect GetWindowRect() const = 0;
    virtual std::optional<Rect> GetOwnerRect() const = 0;
    virtual void MoveTo(int left, int top) = 0;

    // A message box owned by the dialog; returns the button chosen.
    virtual DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) = 0;

    // The colour picker, owned by the dialog, starting at `initial` and
    // showing the custom colours, which the player may change; nullopt when
    // the player cancels.
    virtual std::optional<ColorRef> ChooseColor(ColorRef initial, std::array<ColorRef, 16>& customColors) = 0;
};

// What a dialog does: its procedure's messages, as operations.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // True lets the dialog give the focus to its first control; false means
    // the handler has set the focus itself.
    virtual bool OnInitDialog(Dialog& dialog) = 0;
    // True when the command was handled.
    virtual bool OnCommand(Dialog& dialog, int id) = 0;
    virtual bool OnTimer(Dialog&, int /*id*/) { return false; }
};

// Builds the dialog from its template and runs it modally over `owner`
// (null: no owner) until the handler ends it; the owner keeps painting
// meanwhile and is active again afterwards. Returns the handler's result, or
// NotShown when the dialog could not be made.
DialogResult RunModalDialog(const DialogTemplate& dialogTemplate, DialogHandler& handler, Window* owner);

} // namespace tw
