#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <string>

#include "platform/DesktopMessageBox.h"
#include "platform/MessageBox.h"
#include "platform/win32/MessageBoxes.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/DialogHandle.h" // last: it takes back a macro of the system's
#include "settings/HighScoreDialog.h"
#include "settings/Settings.h"
#include "settings/SettingsDialogs.h"
#include "platform/DialogDriver.h"

// How the dialog tests work the Win32 dialogs, and what only these and the
// system's own boxes do.
namespace tw::test {
namespace {

std::wstring TextOf(HWND window)
{
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

// What of the control's text its own font would cut off, laid out as the
// control draws it: a label wraps at word breaks, a check box or radio button
// puts one line after its box (13 pixels at 96 DPI) and half a digit, a push
// button centres one inside its frame.
std::string CutOff(const ControlTemplate& control, HWND item)
{
    RECT room{}, need{};
    GetClientRect(item, &room);
    const HDC dc = GetDC(item);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0)));
    INT digit = 0;
    GetCharWidth32W(dc, L'0', L'0', &digit);
    if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::RadioButton) {
        room.left += MulDiv(13, GetDeviceCaps(dc, LOGPIXELSX), 96) + digit / 2;
    } else if (control.kind == ControlKind::PushButton) {
        InflateRect(&room, -3, -3);
    }
    const std::wstring text = Wide(control.text);
    need.right = room.right - room.left;
    DrawTextW(dc, text.c_str(), -1, &need,
              DT_CALCRECT | (control.kind == ControlKind::Label ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(item, dc);
    const auto size = [](LONG width, LONG height) { return std::to_string(width) + "x" + std::to_string(height); };
    const bool fits = need.right <= room.right - room.left && need.bottom <= room.bottom - room.top;
    return text.empty() || fits ? "" : std::string(control.text) + " needs " + size(need.right, need.bottom) + " in "
            + size(room.right - room.left, room.bottom - room.top);
}

// The steps of the script running, one per tick of a thread timer, which
// every modal loop of the thread dispatches, dialogs', message boxes' and the
// colour picker's alike; what a step posts is handled before the next tick.
std::deque<Step> pending;

void CALLBACK RunNextStep(HWND, UINT, UINT_PTR, DWORD)
{
    if (!pending.empty()) {
        const Step step = std::move(pending.front());
        pending.pop_front(); // before it runs: it may open a loop of its own
        step();
    }
}

// Keys go where the keyboard sends them: to the focused control, or the
// window in front when none has the focus.
Step SendToFocus(UINT message, WPARAM wParam, LPARAM lParam)
{
    return [=] { PostMessageW(GetFocus() ? GetFocus() : GetActiveWindow(), message, wParam, lParam); };
}

Rect ScreenRect(HWND window)
{
    RECT box{};
    GetWindowRect(window, &box);
    return {box.left, box.top, box.right, box.bottom};
}

class Win32OwnerWindow final : public OwnerWindow, public NativeWindow {
public:
    ~Win32OwnerWindow() override { DestroyWindow(window); }
    HWND Handle() const override { return window; }
    Rect Frame() const override { return ScreenRect(window); }
    bool Owns(Dialog& dialog) override { return GetWindow(DialogHandle(dialog), GW_OWNER) == window; }
    bool IsActive() override { return GetActiveWindow() == window; }

private:
    HWND window = CreateWindowExW(0, L"Static", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, -40, 30, 401, 301, nullptr,
                                  nullptr, nullptr, nullptr);
};

} // namespace

ShownDialog Inspect(Dialog& dialog, const DialogTemplate& dialogTemplate)
{
    const HWND window = DialogHandle(dialog);
    RECT units{0, 0, 4, 8};
    MapDialogRect(window, &units);
    RECT client{};
    GetClientRect(window, &client);
    ShownDialog shown{Narrow(TextOf(window)), {units.right, units.bottom}, {client.right, client.bottom}, {}};
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::size_t index = shown.controls.size();
        const ControlTemplate control = index < dialogTemplate.controls.size() ? dialogTemplate.controls[index]
                                                                                : ControlTemplate{};
        const int id = GetDlgCtrlID(child);
        const std::wstring text = TextOf(child);
        // An icon's text names its resource: 0xFFFF, then the number.
        const bool namesIcon = text.size() == 2 && text[0] == L'\xFFFF';
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const bool button = SendMessageW(child, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
        RECT box{};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        shown.controls.push_back({id == 0xFFFF ? -1 : id, {box.left, box.top, box.right, box.bottom},
                                  namesIcon ? "" : Narrow(text), namesIcon ? text[1] : 0,
                                  button && (style & 0xF) == BS_DEFPUSHBUTTON, (style & WS_TABSTOP) != 0,
                                  CutOff(control, child)});
    }
    return shown;
}

DialogResult RunScripted(const std::function<DialogResult()>& runModal, std::vector<Step> steps)
{
    pending.assign(std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
    // Stops the steps with the call, ended or not: none is left for a later one.
    const struct Ticking {
        UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunNextStep);
        ~Ticking()
        {
            KillTimer(nullptr, timer);
            pending.clear();
        }
    } ticking;
    return runModal();
}

Step Press(Key key)
{
    constexpr LPARAM kExtendedKey = 1 << 24; // the keypad's Enter
    return SendToFocus(WM_KEYDOWN, key == Key::Escape ? VK_ESCAPE : VK_RETURN,
                       key == Key::KeypadEnter ? 1 | kExtendedKey : 1);
}

Step PressWithAlt(char letter) { return SendToFocus(WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29); }

Step PressCloseBox() { return [] { PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0); }; }

Step Click(int id) { return [id] { PostMessageW(GetDlgItem(GetActiveWindow(), id), BM_CLICK, 0, 0); }; }

Step Type(int id, const std::string& text)
{
    return [=] {
        for (const wchar_t unit : Wide(text)) {
            PostMessageW(GetDlgItem(GetActiveWindow(), id), WM_CHAR, unit, 1);
        }
    };
}

std::unique_ptr<OwnerWindow> MakeOwnerWindow() { return std::make_unique<Win32OwnerWindow>(); }

namespace {

// The box in front is read and answered with one of its buttons.
Step Answer(std::wstring_view title, std::wstring_view text, HWND owner, int button)
{
    return [=] {
        const HWND box = GetActiveWindow();
        EXPECT_EQ(std::tuple(TextOf(box), TextOf(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER)),
                  std::tuple(title, text, owner));
        Click(button)();
    };
}

TEST(Win32Dialog, MessageBoxesShowTheirTextAndAnswerWithTheButtonChosen)
{
    const std::unique_ptr<OwnerWindow> owner = MakeOwnerWindow();
    const HWND ownerHandle = HandleOf(owner.get());
    struct Case { HWND owner; std::string caption; unsigned style; int button; DialogResult answer; std::wstring title; };
    const Case cases[] = {
        {ownerHandle, "New Game", MessageBoxYesNo, IDYES, DialogResult::Yes, L"New Game"},
        {ownerHandle, "", MessageBoxYesNo, IDNO, DialogResult::No, L"Tumblewick"}, // no caption: the program's name
        {nullptr, "Game Over", MessageBoxOk | MessageBoxIconInformation, IDOK, DialogResult::Ok, L"Game Over"},
    };
    for (const Case& c : cases) {
        const auto show = [&] {
            return c.owner ? ShowMessageBox(c.owner, "Play again?", c.caption, c.style)
                           : ShowDesktopMessage("Play again?", c.caption, c.style);
        };
        EXPECT_EQ(RunScripted(show, {Answer(c.title, L"Play again?", c.owner, c.button)}), c.answer) << c.caption;
    }
}

// The picker starts at the colour given and shows what the player mixes; the
// Options dialog keeps the colour confirmed and drops the one cancelled.
TEST(Win32Dialog, TheColourPickerGivesTheOptionsTheColourChosen)
{
    settings.ForegroundColor = Rgb(1, 2, 3);
    settings.BackgroundColor = Rgb(4, 5, 6);
    // The picker's red, green and blue boxes read `shown`, then take `typed`.
    const auto mix = [](std::array<int, 3> shown, std::array<int, 3> typed, int button) {
        return [=] {
            for (std::size_t i = 0; i < 3; ++i) {
                const HWND edit = GetDlgItem(GetActiveWindow(), 706 + static_cast<int>(i));
                EXPECT_EQ(TextOf(edit), std::to_wstring(shown[i]));
                SetWindowTextW(edit, std::to_wstring(typed[i]).c_str());
            }
            Click(button)();
        };
    };
    EXPECT_EQ(RunScripted([] { return ShowOptionsDialog(nullptr); },
                          {Click(1060), mix({1, 2, 3}, {10, 20, 30}, IDOK), Click(1061),
                           mix({4, 5, 6}, {70, 80, 90}, IDCANCEL), Click(IdOk)}),
              DialogResult::Ok);
    EXPECT_EQ(std::pair(settings.ForegroundColor, settings.BackgroundColor),
              std::pair(static_cast<std::int32_t>(Rgb(10, 20, 30)), static_cast<std::int32_t>(Rgb(4, 5, 6))));
}

// In new-entry mode the new row is open and focused; Reset asks in a box the
// dialog owns, and No keeps the dialog as it was.
TEST(Win32Dialog, TheHighScoreListOpensTheNewRowAndAsksBeforeReset)
{
    HWND dialog = nullptr;
    int row = 0;
    const Step openRowFocused = [&] {
        dialog = GetActiveWindow();
        row = GetDlgCtrlID(GetFocus());
        EXPECT_EQ(TextOf(GetDlgItem(dialog, row + 10)), L"2000000000");
    };
    const std::vector<Step> steps{
        openRowFocused,
        [&] { Type(row, "Z")(); },
        Click(HighScoreDialog::ResetButton),
        [&] { Answer(L"Reset Scores", L"Are you sure you want to erase all high scores?", dialog, IDNO)(); },
        [&] { EXPECT_EQ(TextOf(GetDlgItem(dialog, row)), L"Z"); },
        Click(IdCancel),
    };
    EXPECT_EQ(RunScripted([] { return ShowHighScoreDialog(nullptr, true, 2000000000); }, steps), DialogResult::Cancel);
}

} // namespace
} // namespace tw::test
