#include "platform/Dialog.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/DialogHelpers.h"
#include "platform/DialogTemplate.h"
#include "platform/win32/ColorPicker.h"
#include "platform/win32/DialogTemplateBuilder.h"
#include "platform/win32/MessageBoxes.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/DialogHandle.h" // last: it takes back a macro of the system's

namespace tw {
namespace {

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsEditBox(HWND window)
{
    wchar_t name[8]{};
    return window && GetClassNameW(window, name, 8) && lstrcmpiW(name, L"Edit") == 0;
}

// The dialog as its handler sees it, over the window the dialog manager made.
class NativeDialog final : public Dialog {
public:
    explicit NativeDialog(DialogHandler& handler) : handler(handler) {}

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Handle() const { return window; }

    bool HasItem(int id) const override { return Item(id) != nullptr; }
    std::string GetItemText(int id) const override
    {
        const HWND item = Item(id);
        return item ? Narrow(WindowText(item)) : std::string();
    }
    void SetItemText(int id, std::string_view text) override
    {
        if (const HWND item = Item(id)) {
            const std::wstring wide = Wide(text);
            // The program's own text passes any limit, as it does on an edit box.
            settingText = true;
            SetWindowTextW(item, wide.c_str());
            settingText = false;
            if (const auto limited = limits.find(id); limited != limits.end()) {
                limited->second.accepted = wide;
            }
        }
    }

    bool IsChecked(int id) const override { return Item(id) && IsDlgButtonChecked(window, id) == BST_CHECKED; }
    void CheckItem(int id, bool checked) override
    {
        if (Item(id)) {
            CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    void CheckRadioButton(int first, int last, int id) override
    {
        for (int each = first; each <= last; ++each) {
            CheckItem(each, each == id);
        }
    }

    void EnableItem(int id, bool enabled) override
    {
        if (const HWND item = Item(id)) {
            EnableWindow(item, enabled);
        }
    }
    bool IsItemEnabled(int id) const override
    {
        const HWND item = Item(id);
        return item && IsWindowEnabled(item);
    }
    void SetReadOnly(int id, bool readOnly) override
    {
        if (const HWND item = Item(id); IsEditBox(item)) {
            SendMessageW(item, EM_SETREADONLY, readOnly, 0);
        }
    }
    bool IsReadOnly(int id) const override
    {
        const HWND item = Item(id);
        return IsEditBox(item) && (GetWindowLongW(item, GWL_STYLE) & ES_READONLY);
    }
    void LimitText(int id, int bytes) override;
    void SetFocus(int id) override
    {
        if (const HWND item = Item(id)) {
            // Through the dialog manager, so that a focused push button
            // becomes the default one as it does under the keyboard.
            SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
        }
    }
    int FocusedItem() const override
    {
        const HWND focused = GetFocus();
        if (!focused || !IsChild(window, focused)) {
            return -1;
        }
        const int id = GetDlgCtrlID(focused);
        return id == 0xFFFF ? -1 : id;
    }

    void SetTimer(int id, int milliseconds) override
    {
        ::SetTimer(window, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(milliseconds, 0)), nullptr);
        timers.insert(id);
    }
    void KillTimer(int id) override
    {
        ::KillTimer(window, static_cast<UINT_PTR>(id));
        timers.erase(id);
    }
    void PostCommand(int id) override { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void EndDialog(DialogResult result) override
    {
        if (ended) {
            return;
        }
        ended = true;
        // The dialog's timers die with it; no tick may reach the handler later.
        for (const int id : timers) {
            ::KillTimer(window, static_cast<UINT_PTR>(id));
        }
        timers.clear();
        ::EndDialog(window, static_cast<INT_PTR>(result));
    }

    Rect GetWindowRect() const override { return RectOf(window); }
    std::optional<Rect> GetOwnerRect() const override
    {
        const HWND owner = GetWindow(window, GW_OWNER);
        return owner ? std::optional(RectOf(owner)) : std::nullopt;
    }
    void MoveTo(int left, int top) override
    {
        SetWindowPos(window, HWND_TOP, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }

    DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        return ShowMessageBox(window, text, caption, style);
    }
    std::optional<ColorRef> ChooseColor(ColorRef initial, std::array<ColorRef, 16>& customColors) override
    {
        return PickColour(window, initial, customColors);
    }

private:
    // The system's own limit on an edit box counts UTF-16 units, never more
    // than the UTF-8 bytes the game's limit counts, so it stops most typing
    // early and the rest is taken back here.
    struct Limit {
        int bytes = 0;
        std::wstring accepted;
    };

    static Rect RectOf(HWND of)
    {
        RECT rect{};
        ::GetWindowRect(of, &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    HWND Item(int id) const
    {
        // Items the program never reaches share the id 0xFFFF.
        return id >= 0 && id < 0xFFFF ? GetDlgItem(window, id) : nullptr;
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam);
    void KeepWithinLimit(int id, HWND edit);

    DialogHandler& handler;
    HWND window = nullptr;
    std::set<int> timers;
    std::map<int, Limit> limits;
    bool settingText = false;
    bool ended = false;
};

void NativeDialog::LimitText(int id, int bytes)
{
    const HWND item = Item(id);
    if (!IsEditBox(item)) {
        return;
    }
    SendMessageW(item, EM_LIMITTEXT, static_cast<WPARAM>(std::max(bytes, 0)), 0);
    if (bytes > 0) {
        limits[id] = {bytes, WindowText(item)};
    } else {
        limits.erase(id);
    }
}

void NativeDialog::KeepWithinLimit(int id, HWND edit)
{
    const auto limited = limits.find(id);
    if (settingText || limited == limits.end()) {
        return;
    }
    Limit& limit = limited->second;
    const std::wstring typed = WindowText(edit);
    if (FitsEditLimit(Narrow(typed), limit.bytes)) {
        limit.accepted = typed;
        return;
    }
    // Refused whole, with the caret where the change began.
    const auto differs = std::mismatch(limit.accepted.begin(), limit.accepted.end(), typed.begin(), typed.end());
    const auto caret = static_cast<LPARAM>(differs.first - limit.accepted.begin());
    settingText = true;
    SetWindowTextW(edit, limit.accepted.c_str());
    settingText = false;
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret), caret);
    MessageBeep(MB_OK);
}

INT_PTR NativeDialog::OnMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code == EN_CHANGE) {
            KeepWithinLimit(id, GetDlgItem(window, id));
            return TRUE;
        }
        // Clicks, keys, accelerators and posted commands; not the edit
        // boxes' notifications.
        if (code > 1 || ended) {
            return FALSE;
        }
        return handler.OnCommand(*this, id) ? TRUE : FALSE;
    }
    case WM_TIMER:
        if (!ended && timers.contains(static_cast<int>(wParam))) {
            handler.OnTimer(*this, static_cast<int>(wParam));
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK NativeDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<NativeDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->window = window;
        return dialog->handler.OnInitDialog(*dialog) ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<NativeDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return dialog ? dialog->OnMessage(message, wParam) : FALSE;
}

} // namespace

HWND DialogHandle(Dialog& dialog)
{
    const auto* native = dynamic_cast<const NativeDialog*>(&dialog);
    return native ? native->Handle() : nullptr;
}

DialogResult RunModalDialog(const DialogTemplate& dialogTemplate, DialogHandler& handler, Window* owner)
{
    const std::vector<WORD> words = BuildDialogTemplate(dialogTemplate);
    NativeDialog dialog(handler);
    // The dialog manager disables the owner while the dialog runs and makes
    // it active again when the dialog ends; its own loop keeps it painting.
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                HandleOf(owner), &NativeDialog::Procedure, reinterpret_cast<LPARAM>(&dialog));
    return static_cast<DialogResult>(result);
}

} // namespace tw
