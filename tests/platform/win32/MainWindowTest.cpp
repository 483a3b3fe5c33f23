#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/GuiSession.h"
#include "platform/MessageLoop.h"
#include "platform/RepeatingTimer.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/MainWindowDriver.h"

namespace tw::test {
namespace {

class Win32MainWindowDriver final : public MainWindowDriver {
public:
    Win32MainWindowDriver(const MainWindow::Creation& creation, WindowHandler& handler)
        : window(MainWindow::Create(creation, handler)), handle(HandleOf(window.get()))
    {
    }
    ~Win32MainWindowDriver() override { DestroyWindow(other); }

    MainWindow& TheWindow() override { return *window; }
    // Runs the program's loop over what is queued now, and for the time given
    // more. A paint waits until nothing else does, the loop's end included.
    void Settle(int milliseconds) override
    {
        RepeatingTimer quit(std::chrono::milliseconds(std::max(milliseconds, 1)), [] { PostQuitMessage(0); });
        milliseconds ? quit.Start() : PostQuitMessage(0);
        RunMessageLoop();
        UpdateWindow(handle);
    }
    void Activate(bool ours) override
    {
        SetForegroundWindow(ours ? handle : other);
        SetFocus(ours ? handle : other);
        Settle(0);
    }
    // The accelerators read the modifiers from the keyboard's state.
    void Press(const Keystroke& key) override
    {
        BYTE held[256] = {};
        held[VK_MENU] = (key.modifiers & Alt) ? 0x80 : 0;
        held[VK_CONTROL] = (key.modifiers & Control) ? 0x80 : 0;
        held[VK_SHIFT] = (key.modifiers & Shift) ? 0x80 : 0;
        SetKeyboardState(held);
        Post(key, handle);
        Settle(0);
    }
    // The menu runs a loop of its own until it ends: the player's keys come
    // from a timer's ticks inside it.
    void UseMenu(bool gamePopup, const std::vector<Keystroke>& keys) override
    {
        std::size_t typed = 0;
        RepeatingTimer player(std::chrono::milliseconds(20), [&] {
            if (typed < keys.size()) {
                Post(keys[typed++], GetFocus() ? GetFocus() : handle);
            }
        });
        player.Start();
        SendMessageW(handle, WM_SYSCOMMAND, SC_KEYMENU, gamePopup ? 'g' : 0);
        player.Stop();
        Settle(0);
    }
    // An item chosen gives the command it carries.
    Log MenuBar() override
    {
        Log seen;
        const HMENU bar = GetMenu(handle);
        for (int popup = 0; popup < GetMenuItemCount(bar); ++popup) {
            seen.push_back(TextOf(bar, popup));
            const HMENU items = GetSubMenu(bar, popup);
            for (int item = 0; item < GetMenuItemCount(items); ++item) {
                seen.push_back(TextOf(items, item));
                if (const UINT id = GetMenuItemID(items, item)) { // a separator has none
                    seen.push_back("command " + std::to_string(id));
                }
            }
        }
        return seen;
    }
    void Close() override { SendMessageW(handle, WM_CLOSE, 0, 0); }
    void EndSession() override { SendMessageW(handle, WM_ENDSESSION, FALSE, 0); }
    bool OnScreen() override { return IsWindowVisible(handle); }
    void Resize(Size frame) override
    {
        SetWindowPos(handle, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle(0);
    }
    void Minimize() override { ShowWindow(handle, SW_MINIMIZE); }
    Size ClientPixels() override
    {
        RECT client{};
        GetClientRect(handle, &client);
        return {client.right, client.bottom};
    }
    ColorRef ShownAt(Point pixel) override
    {
        const HDC dc = GetDC(handle);
        const COLORREF shown = GetPixel(dc, pixel.x, pixel.y);
        ReleaseDC(handle, dc);
        return Rgb(GetRValue(shown), GetGValue(shown), GetBValue(shown));
    }

private:
    // A character comes as the message the keyboard's translation makes of
    // it; with Alt held, as a system one.
    static void Post(const Keystroke& key, HWND to)
    {
        const bool alt = key.modifiers & Alt;
        const UINT message = key.character ? (alt ? WM_SYSCHAR : WM_CHAR) : (alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
        const LPARAM flags = 1 | (alt ? 1 << 29 : 0) | (key.repeat ? 1 << 30 : 0);
        PostMessageW(to, message, key.character ? key.character : key.virtualKey, flags);
    }
    static std::string TextOf(HMENU menu, int position)
    {
        wchar_t text[64] = {};
        GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
        return *text ? Narrow(text) : "-";
    }

    GuiSession session;
    std::unique_ptr<MainWindow> window;
    HWND handle;
    // Another program's window, to take the focus.
    HWND other = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, {}, {}, {}, {});
};

using Win32MainWindowTest = MainWindowTest;

// A program coming to the foreground may take the focus inside the menu's own
// loop, before the menu ends: then the menu's end is not told, and only the
// focus coming back resumes. Only Windows runs the menu in a loop of its own;
// Qt's menu closes, and is told closed, before the focus leaves.
TEST_F(Win32MainWindowTest, FocusTakenInsideTheMenuLoopLeavesTheMenuUntold)
{
    ShowActive();
    RepeatingTimer player(std::chrono::milliseconds(20), [this] { driver->Activate(false); });
    player.Start();
    driver->UseMenu(false, {{kEscape}});
    player.Stop();
    driver->Activate(true);
    EXPECT_EQ(handler.Take(), (Log{"initmenu", "killfocus", "setfocus"}));
}

// The handler's sizing rule keeps a border drag from making the window too
// small. Qt tells no drag as it happens: there the rule only sets the least
// size, which every backend's suite checks.
TEST_F(Win32MainWindowTest, DraggingABorderFollowsTheHandlersSizingRule)
{
    RECT dragged{0, 0, 300, 200};
    SendMessageW(HandleOf(window), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&dragged));
    EXPECT_EQ(std::pair(dragged.right, dragged.bottom), std::pair(629L, 455L));
}

// With no GUI session no loop would deliver the ticks: the timer stays off.
TEST(RepeatingTimer, NeverStartsWithoutAGuiSession)
{
    RepeatingTimer timer(std::chrono::milliseconds(10), [] {});
    timer.Start();
    EXPECT_FALSE(timer.IsActive());
    const GuiSession session;
    timer.Start();
    EXPECT_TRUE(timer.IsActive());
}

} // namespace

std::unique_ptr<MainWindowDriver> MakeMainWindowDriver(const MainWindow::Creation& creation,
                                                       RecordingWindowHandler& handler)
{
    auto driver = std::make_unique<Win32MainWindowDriver>(creation, handler);
    return HandleOf(&driver->TheWindow()) ? std::move(driver) : nullptr;
}

} // namespace tw::test
