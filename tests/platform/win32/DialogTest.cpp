#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/DesktopMessageBox.h"
#include "platform/Dialog.h"
#include "platform/MessageBox.h"
#include "platform/win32/DialogWindow.h"
#include "platform/win32/MessageBoxes.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "resources/DialogTemplates.h"
#include "settings/HighScoreDialog.h"
#include "settings/Settings.h"
#include "settings/SettingsDialogs.h"
#include "shell/SmallDialogs.h"
#include "support/FakeWindow.h"
#include "support/SoundRecorder.h"

namespace tw {
namespace {

using Commands = std::vector<std::string>;
using Step = std::function<void()>;

// Runs one step per tick of a thread timer, which every modal loop of the
// thread dispatches, dialogs', message boxes' and the colour picker's alike;
// what a step posts is handled before the next tick.
struct Script {
    explicit Script(std::deque<Step> steps) : timer(SetTimer(nullptr, 0, 20, &Tick)) { queue = std::move(steps); }
    ~Script() { KillTimer(nullptr, timer); queue.clear(); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!queue.empty()) {
            const Step step = std::move(queue.front());
            queue.pop_front(); // before it runs: it may open a loop of its own
            step();
        }
    }
    static inline std::deque<Step> queue;
    UINT_PTR timer;
};

// Steps on the window in front. Keys go where the keyboard sends them: to
// the focused control, or the window when none has the focus.
Step Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return [=] { PostMessageW(GetFocus() ? GetFocus() : GetActiveWindow(), message, wParam, lParam); };
}
Step Press(UINT key) { return Send(WM_KEYDOWN, key, 1); }
Step Alt(wchar_t letter) { return Send(WM_SYSCHAR, letter, 1 << 29); }
Step Close() { return [] { PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0); }; }
Step Click(int id) { return [=] { PostMessageW(GetDlgItem(GetActiveWindow(), id), BM_CLICK, 0, 0); }; }
Step Type(int id, std::wstring_view text)
{
    return [=] {
        for (const wchar_t unit : text) {
            PostMessageW(GetDlgItem(GetActiveWindow(), id), WM_CHAR, unit, 1);
        }
    };
}
std::wstring TextOf(HWND window)
{
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

// Writes down every command and tick; OK and Cancel end the dialog unless
// told otherwise.
struct ScriptedHandler : DialogHandler {
    bool OnInitDialog(Dialog& opened) override { dialog = &opened; onInit(opened); return true; }
    bool OnCommand(Dialog& open, int id) override
    {
        commands.push_back(std::to_string(id) + (open.IsChecked(id) ? "+" : ""));
        if (endOnOkCancel && (id == IdOk || id == IdCancel)) {
            open.EndDialog(id);
        }
        return true;
    }
    bool OnTimer(Dialog& open, int id) override
    {
        commands.push_back("tick " + std::to_string(id));
        open.KillTimer(id);
        open.PostCommand(41);
        open.PostCommand(IdOk);
        return true;
    }

    std::function<void(Dialog&)> onInit = [](Dialog&) {};
    Dialog* dialog = nullptr;
    bool endOnOkCancel = true;
    Commands commands;
};

// Where the dialog manager puts a box of dialog units: each value scaled on
// its own. The system sizes icons and etched lines itself.
std::vector<LONG> Placed(HWND dialog, int x, int y, int width, int height, bool sizedBySystem = false)
{
    RECT box{x, y, width, height};
    MapDialogRect(dialog, &box);
    std::vector<LONG> edges{box.left, box.top, box.left + box.right, box.top + box.bottom};
    edges.resize(sizedBySystem ? 2 : 4);
    return edges;
}

// What of the control's text its own font would cut off, laid out as the
// control draws it: a label wraps at word breaks, a check box or radio button
// puts one line after its box (13 pixels at 96 DPI) and half a digit, a push
// button centres one inside its frame. The face tells a missing font from a
// control that is too small.
std::string Clipping(const ControlTemplate& control, HWND item)
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
    wchar_t face[LF_FACESIZE]{};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, previous);
    ReleaseDC(item, dc);
    const auto size = [](LONG width, LONG height) { return std::to_string(width) + "x" + std::to_string(height); };
    const bool fits = need.right <= room.right - room.left && need.bottom <= room.bottom - room.top;
    return text.empty() || fits ? "" : std::string(control.text) + " needs " + size(need.right, need.bottom) + " in "
            + size(room.right - room.left, room.bottom - room.top) + " (" + Narrow(face) + ")";
}

// Every template builds into its controls in order, each of the system's
// kind, style and text, where the dialog units put it, in the template's
// font, where every text shows whole; each dialog ends from its
// initialisation with the result given there.
TEST(Win32Dialog, TemplatesBuildEveryControlAtItsDialogUnits)
{
    for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
        SCOPED_TRACE(dialogTemplate.id);
        ScriptedHandler handler;
        handler.onInit = [&](Dialog& dialog) {
            const HWND window = DialogHandle(dialog);
            RECT client{};
            GetClientRect(window, &client);
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_EQ(std::tuple(Placed(window, 0, 0, dialogTemplate.width, dialogTemplate.height), TextOf(window),
                                 std::wstring(font.lfFaceName)),
                      std::tuple(std::vector<LONG>{0, 0, client.right, client.bottom}, Wide(dialogTemplate.title),
                                 L"MS Sans Serif"));
            HWND child = GetWindow(window, GW_CHILD);
            for (const ControlTemplate& control : dialogTemplate.controls) {
                ASSERT_TRUE(child) << control.text;
                const bool sizedBySystem = control.kind == ControlKind::Icon || control.kind == ControlKind::EtchedLine;
                RECT box{};
                GetWindowRect(child, &box);
                MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
                std::vector<LONG> edges{box.left, box.top, box.right, box.bottom};
                edges.resize(sizedBySystem ? 2 : 4);
                const LONG style = GetWindowLongW(child, GWL_STYLE);
                const bool button = SendMessageW(child, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
                // An icon's text names its resource: 0xFFFF, then the number.
                const std::string text = control.kind == ControlKind::Icon
                                             ? Narrow(std::wstring{L'\xFFFF', static_cast<wchar_t>(control.icon)})
                                             : std::string(control.text);
                // Where, which, what text, default, read-only, tab stop.
                EXPECT_EQ(std::tuple(edges, GetDlgCtrlID(child), Narrow(TextOf(child)),
                                     button && (style & 0xF) == BS_DEFPUSHBUTTON, dialog.IsReadOnly(control.id),
                                     (style & WS_TABSTOP) != 0),
                          std::tuple(Placed(window, control.x, control.y, control.width, control.height, sizedBySystem),
                                     control.id & 0xFFFF, text, (control.style & DefaultButton) != 0,
                                     (control.style & ReadOnly) != 0, (control.style & TabStop) != 0));
                EXPECT_EQ(Clipping(control, child), "");
                child = GetWindow(child, GW_HWNDNEXT);
            }
            EXPECT_FALSE(child);
            dialog.EndDialog(7);
        };
        EXPECT_EQ(RunModalDialog(dialogTemplate, handler, nullptr), 7);
    }
}

// Runs the dialog with the script's steps; a last Esc ends one the steps left open.
int RunScripted(int templateId, ScriptedHandler& handler, std::deque<Step> steps)
{
    steps.push_back(Press(VK_ESCAPE));
    Script script(std::move(steps));
    return RunModalDialog(*FindDialogTemplate(templateId), handler, nullptr);
}

TEST(Win32Dialog, EnterEscAndTheCloseBoxBecomeOkAndCancel)
{
    // Focus -1: where the dialog put it.
    struct Case { int dialog, focus; Step key; Commands commands; };
    const Case cases[] = {
        {WelcomeDialogId, -1, Press(VK_RETURN), {"1"}},           {WelcomeDialogId, -1, Press(VK_ESCAPE), {"2"}},
        {WelcomeDialogId, -1, Close(), {"2"}},                    {OptionsDialogId, 1055, Press(VK_RETURN), {"1"}},
        {OptionsDialogId, 1038, Press(VK_RETURN), {"1038", "2"}}, // a focused button presses itself
        {LevelAdvanceDialogId, -1, Press(VK_ESCAPE), {"2"}},      // no buttons at all
        {AboutDialogId, -1, Press(VK_RETURN), {"1"}},             // OK without being the default button
    };
    for (const Case& c : cases) {
        ScriptedHandler handler;
        RunScripted(c.dialog, handler, {[&] { handler.dialog->SetFocus(c.focus); }, c.key});
        EXPECT_EQ(handler.commands, c.commands) << "case " << &c - cases;
    }
}

// Alt with a mnemonic clicks its control, and so does the mouse; check boxes
// and radio buttons have changed before the handler hears of the click, and
// a radio group keeps one button checked, or none when the dialog clears it.
TEST(Win32Dialog, MnemonicsAndClicksSetButtonsBeforeTheHandlerHears)
{
    ScriptedHandler handler;
    const int result = RunScripted(OptionsDialogId, handler, {
        Alt(L'm'), Alt(L'm'), Alt(L'd'), Alt(L'c'), Alt(L'k'), Click(1055),
        [&] {
            EXPECT_FALSE(handler.dialog->IsChecked(1011));
            handler.dialog->CheckRadioButton(1008, 1011, 1007);
            EXPECT_FALSE(handler.dialog->IsChecked(1010));
        },
    });
    EXPECT_EQ(std::pair(result, handler.commands),
              std::pair(int{IdCancel}, Commands{"1055+", "1055", "1011+", "1010+", "1038", "1055+", "2"}));
}

// A handler that leaves Cancel alone keeps its dialog open; a read-only box
// takes nothing, and a limited one no more UTF-8 bytes than its limit.
TEST(Win32Dialog, UnhandledCancelKeepsTheDialogAndEditBoxesKeepTheirLimits)
{
    ScriptedHandler handler;
    handler.endOnOkCancel = false;
    const int result = RunScripted(HighScoreDialogId, handler, {
        Press(VK_ESCAPE), Close(), Type(1012, L"ab"),
        [&] {
            EXPECT_EQ(handler.dialog->GetItemText(1012), "");
            handler.dialog->SetReadOnly(1013, false);
            handler.dialog->LimitText(1013, 5);
            handler.dialog->SetFocus(1013);
            EXPECT_EQ(handler.dialog->FocusedItem(), 1013);
        },
        Type(1013, L"\u00e9ab\u00e9c"), // é is two bytes
        [&] {
            EXPECT_EQ(handler.dialog->GetItemText(1013), "\u00e9abc");
            EXPECT_FALSE(handler.dialog->IsReadOnly(1013));
            handler.dialog->EndDialog(5);
        },
    });
    EXPECT_EQ(std::pair(result, handler.commands), std::pair(5, Commands{"2", "2"}));
}

// A timer ticks until killed and never after the dialog ends, at its own
// period (the popup between levels closes itself after a second, its tones
// included); posted commands wait for the current one.
TEST(Win32Dialog, TimersTickAtTheirPeriodAndPostedCommandsWait)
{
    ScriptedHandler handler;
    handler.onInit = [](Dialog& dialog) {
        dialog.SetTimer(4, 10);
        dialog.SetTimer(9, 5000);
        dialog.PostCommand(40);
    };
    EXPECT_EQ(RunModalDialog(*FindDialogTemplate(AboutDialogId), handler, nullptr), IdOk);
    EXPECT_EQ(handler.commands, (Commands{"40", "tick 4", "41", "1"}));

    test::SoundRecorder sound;
    const DWORD start = GetTickCount();
    EXPECT_EQ(ShowLevelAdvanceDialog(nullptr, sound), IdOk);
    const DWORD took = GetTickCount() - start;
    EXPECT_TRUE(took >= 990 && took < 2000) << took;
    EXPECT_EQ(sound.tones.size(), 25u);
}

// A window of the system's that the game's Window interface stands for.
struct OwnerWindow : test::FakeWindow, NativeWindow {
    ~OwnerWindow() override { DestroyWindow(window); }
    HWND Handle() const override { return window; }
    HWND window = CreateWindowExW(0, L"Static", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, -40, 30, 401, 301, nullptr,
                                  nullptr, nullptr, nullptr);
};

// The owner owns the dialog (so the system disables it while the dialog
// runs) and is active again after it; the game's own handler centres the
// dialog over it.
TEST(Win32Dialog, TheOwnerOwnsTheDialogAndGetsTheFocusBack)
{
    OwnerWindow owner;
    Script script({[&] {
        const HWND dialog = GetActiveWindow();
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.window);
        RECT box{};
        GetWindowRect(dialog, &box);
        EXPECT_EQ(std::pair(box.left, box.top),
                  std::pair((-40 + 361) / 2 - (box.right - box.left) / 2, (30 + 331) / 2 - (box.bottom - box.top) / 2));
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IdOk);
        Press(VK_RETURN)();
    }});
    EXPECT_EQ(ShowWelcomeDialog(&owner), IdOk);
    EXPECT_EQ(GetActiveWindow(), owner.window);
}

// The box in front is read and answered with one of its buttons.
Step Answer(std::wstring_view title, std::wstring_view text, HWND owner, int button)
{
    return [=] {
        const HWND box = GetActiveWindow();
        EXPECT_EQ(TextOf(box), title);
        EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), text);
        EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
        Click(button)();
    };
}

TEST(Win32Dialog, MessageBoxesShowTheirTextAndAnswerWithTheButtonChosen)
{
    OwnerWindow owner;
    struct Case { HWND owner; std::string caption; unsigned style; int button; int answer; std::wstring title; };
    const Case cases[] = {
        {owner.window, "New Game", MessageBoxYesNo, IDYES, ResultYes, L"New Game"},
        {owner.window, "", MessageBoxYesNo, IDNO, ResultNo, L"Tumblewick"}, // no caption: the program's name
        {nullptr, "Game Over", MessageBoxOk | MessageBoxIconInformation, IDOK, ResultOk, L"Game Over"},
    };
    for (const Case& c : cases) {
        Script script({Answer(c.title, L"Play again?", c.owner, c.button)});
        EXPECT_EQ(c.owner ? ShowMessageBox(c.owner, "Play again?", c.caption, c.style)
                          : ShowDesktopMessage("Play again?", c.caption, c.style),
                  c.answer)
            << c.caption;
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
    Script script({Click(1060), mix({1, 2, 3}, {10, 20, 30}, IDOK), Click(1061), mix({4, 5, 6}, {70, 80, 90}, IDCANCEL),
                   Click(IdOk)});
    EXPECT_EQ(ShowOptionsDialog(nullptr), 1);
    EXPECT_EQ(std::pair(settings.ForegroundColor, settings.BackgroundColor),
              std::pair(static_cast<std::int32_t>(Rgb(10, 20, 30)), static_cast<std::int32_t>(Rgb(4, 5, 6))));
}

// In new-entry mode the new row is open and focused; Reset asks in a box the
// dialog owns, and No keeps the dialog as it was.
TEST(Win32Dialog, TheHighScoreListOpensTheNewRowAndAsksBeforeReset)
{
    HWND dialog = nullptr, row = nullptr;
    Script script({
        [&] {
            dialog = GetActiveWindow();
            row = GetFocus();
            EXPECT_EQ(TextOf(GetDlgItem(dialog, GetDlgCtrlID(row) + 10)), L"2000000000");
        },
        Send(WM_CHAR, L'Z', 1),
        Click(HighScoreDialog::ResetButton),
        [&] { Answer(L"Reset Scores", L"Are you sure you want to erase all high scores?", dialog, IDNO)(); },
        [&] { EXPECT_EQ(TextOf(row), L"Z"); },
        Click(IdCancel),
    });
    EXPECT_EQ(ShowHighScoreDialog(nullptr, true, 2000000000), IdCancel);
}

} // namespace
} // namespace tw
