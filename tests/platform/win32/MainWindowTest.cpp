#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/GuiSession.h"
#include "platform/MessageLoop.h"
#include "platform/RepeatingTimer.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ClientSurface.h"
#include "resources/DialogTemplates.h"
#include "resources/MenuTemplates.h"
#include "support/RecordingWindowHandler.h"

namespace tw {
namespace {

using Log = std::vector<std::string>;
constexpr Rect kNormal{100, 80, 738, 538};
constexpr ColorRef kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255);

// Paints a red square where the game would paint its board.
class PaintingHandler : public test::RecordingWindowHandler {
public:
    void OnPaint(DeviceContext& dc) override
    {
        RecordingWindowHandler::OnPaint(dc);
        dc.FillRect({10, 10, 50, 30}, kRed);
    }
};

class Win32MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { session = std::make_unique<GuiSession>(); }
    static void TearDownTestSuite() { session.reset(); }
    void SetUp() override
    {
        window = MainWindow::Create(
            {"Tumblewick", kNormal, FindMenuTemplate(MainMenuId), ProgramIconId, SmallProgramIconId}, handler);
        ASSERT_TRUE(window);
        handle = HandleOf(window.get());
    }
    // Runs the program's loop over what is queued now, and for `ms` more
    // when timers are to tick.
    static void Settle(int ms = 0)
    {
        RepeatingTimer quit(std::chrono::milliseconds(std::max(ms, 1)), [] { PostQuitMessage(0); });
        ms ? quit.Start() : PostQuitMessage(0);
        RunMessageLoop();
    }
    void ShowActive()
    {
        window->Show(false);
        SetForegroundWindow(handle);
        SetFocus(handle);
        Settle();
        handler.Take();
    }
    static void SetModifiers(std::initializer_list<int> keys)
    {
        BYTE state[256] = {};
        std::ranges::for_each(keys, [&state](int key) { state[key] = 0x80; });
        SetKeyboardState(state);
    }
    // The window's pixels on the screen, as the handler's colours.
    void ExpectShown(std::initializer_list<std::pair<Point, ColorRef>> pixels) const
    {
        const HDC dc = GetDC(handle);
        for (const auto& [at, colour] : pixels) {
            const COLORREF pixel = GetPixel(dc, at.x, at.y);
            EXPECT_EQ(Rgb(GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)), colour) << at.x << "," << at.y;
        }
        ReleaseDC(handle, dc);
    }

    static inline std::unique_ptr<GuiSession> session;
    PaintingHandler handler;
    std::unique_ptr<MainWindow> window;
    HWND handle = nullptr;
};

// Keys reach the handler as virtual key codes, held ones repeated; the
// accelerator table's keys become commands in the message loop, the About
// characters with Alt whatever Shift they take; keys with Alt are the menu's.
TEST_F(Win32MainWindowTest, KeysGiveKeyCodesAndAcceleratorsAndMenuItemsGiveCommands)
{
    struct Case { UINT message; int key; std::initializer_list<int> held; const char* heard; bool repeat = false; };
    const Case cases[] = {
        {WM_KEYDOWN, VK_LEFT, {}, "key 37", true}, {WM_KEYDOWN, VK_SPACE, {}, "key 32"},
        {WM_KEYDOWN, VK_NUMPAD4, {}, "key 100", true}, {WM_KEYDOWN, 'N', {VK_SHIFT}, "key 78"},
        {WM_KEYDOWN, VK_F2, {}, "command 32773"}, {WM_KEYDOWN, VK_F3, {}, "command 32772", true},
        {WM_KEYDOWN, 'N', {VK_CONTROL}, "command 32773"}, {WM_KEYDOWN, 'X', {VK_CONTROL}, "command 105"},
        {WM_KEYDOWN, VK_F2, {VK_SHIFT}, "key 113"}, {WM_KEYDOWN, 'X', {VK_CONTROL, VK_SHIFT}, "key 88"},
        {WM_SYSCHAR, '/', {VK_MENU}, "command 104"}, {WM_SYSCHAR, '?', {VK_MENU, VK_SHIFT}, "command 104"},
        {WM_SYSKEYDOWN, VK_LEFT, {VK_MENU}, ""},
    };
    ShowActive();
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.key) + (each.repeat ? " repeated" : ""));
        SetModifiers(each.held);
        const LPARAM alt = each.message == WM_KEYDOWN ? 0 : 1 << 29;
        PostMessageW(handle, each.message, each.key, 1 | alt | (each.repeat ? 1 << 30 : 0));
        Settle();
        EXPECT_EQ(handler.Take(), *each.heard ? Log{each.heard} : Log{});
    }
    SetModifiers({});

    // The menu bar as the template has it, each item with its command.
    Log seen;
    const HMENU bar = GetMenu(handle);
    wchar_t text[64];
    for (int popup = 0; popup < GetMenuItemCount(bar); ++popup) {
        GetMenuStringW(bar, popup, text, 64, MF_BYPOSITION);
        seen.push_back(Narrow(text));
        const HMENU items = GetSubMenu(bar, popup);
        for (int item = 0; item < GetMenuItemCount(items); ++item) {
            GetMenuStringW(items, item, text, 64, MF_BYPOSITION);
            seen.push_back(*text ? Narrow(text) + " " + std::to_string(GetMenuItemID(items, item)) : "-");
        }
    }
    EXPECT_EQ(seen, (Log{"&Game", "&New\tCtrl+N 32773", "-", "High Score List... 32776", "&Options... 32774", "-",
                         "E&xit\tCtrl+X 105", "&Help", "&Help on Tumblewick... 32778", "-",
                         "&Introduction... 32777", "&About ... 104", "-", "&Tumblewick on the Web... 32781"}));
}

// The focus, a menu session (Alt alone, and a popup whose item is chosen,
// its command after the menu has closed) and a window timer's ticks.
TEST_F(Win32MainWindowTest, TellsFocusMenuSessionsAndTimerTicks)
{
    const HWND other = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, {}, {}, {}, {});
    window->Show(false);
    SetForegroundWindow(handle);
    Settle();
    const Rect client = window->GetClientRect();
    EXPECT_EQ(handler.Take(), (Log{"setfocus", "erase " + std::to_string(client.Width()) + "x"
                                       + std::to_string(client.Height()), "paint"}));

    // Inside the menu's own loop, the timer's tick works the menu as the
    // player would. A program coming to the foreground may take the focus
    // before the menu ends: then only the focus coming back resumes.
    const struct { WPARAM key; bool focusLeaves; Log heard; } cases[] = {
        {VK_ESCAPE, false, {"initmenu", "menuclosed"}},
        {VK_RETURN, false, {"initmenu", "menuclosed", "command 32773"}},
        {VK_ESCAPE, true, {"initmenu", "killfocus", "setfocus"}},
    };
    for (const auto& [key, focusLeaves, heard] : cases) {
        SCOPED_TRACE(heard.back());
        RepeatingTimer player(std::chrono::milliseconds(20), [&, key, focusLeaves] {
            const HWND focus = GetFocus();
            focusLeaves && focus != other ? void(SetFocus(other))
                                          : void(PostMessageW(focus ? focus : handle, WM_KEYDOWN, key, 1));
        });
        player.Start();
        SendMessageW(handle, WM_SYSCOMMAND, SC_KEYMENU, key == VK_RETURN ? 'g' : 0);
        player.Stop();
        SetFocus(handle);
        Settle();
        EXPECT_EQ(handler.Take(), heard);
    }
    DestroyWindow(other);

    window->SetTimer(5, 10);
    Settle(100);
    const Log ticks = handler.Take();
    EXPECT_GE(ticks.size(), 3u);
    EXPECT_EQ(ticks, Log(ticks.size(), "timer 5"));
    window->KillTimer(5);
    Settle(50);
    EXPECT_EQ(handler.Take(), Log{}) << "ticks after the timer was killed";
}

// Closing tells the handler first, then destroys; Destroy alone does not ask.
// The session's end comes whatever follows, and after the window is gone
// nothing more reaches the handler.
TEST_F(Win32MainWindowTest, ClosingAsksFirstAndNothingFollowsTheDestruction)
{
    for (const bool byClose : {true, false}) {
        SetUp();
        ShowActive();
        SendMessageW(handle, WM_ENDSESSION, FALSE, 0);
        byClose ? void(SendMessageW(handle, WM_CLOSE, 0, 0)) : window->Destroy();
        window->SendCommand(105);
        window->PostCommand(105);
        window->SetTimer(1, 10);
        Settle(50);
        EXPECT_EQ(handler.Take(), (byClose ? Log{"endsession", "close", "destroy"} : Log{"endsession", "destroy"}));
        EXPECT_FALSE(IsWindow(handle));
    }
}

// Erasing comes before painting, into the client area's image, and the window
// shows that image; whatever is drawn through the client's context is on the
// screen before the call returns, and Redraw paints again at once.
TEST_F(Win32MainWindowTest, ShowsWhatTheHandlerErasedPaintedAndDrew)
{
    ShowActive();
    const Rect client = window->GetClientRect();
    const ColorRef green = handler.background;
    ExpectShown({{{2, 2}, green}, {{10, 10}, kRed}, {{49, 29}, kRed}, {{50, 30}, green},
                 {{client.right - 1, client.bottom - 1}, green}});
    {
        ClientDC dc(window->ClientArea());
        dc.FillRect({100, 100, 140, 120}, kBlue);
        ExpectShown({{{100, 100}, kBlue}, {{139, 119}, kBlue}, {{140, 120}, green}});
    }
    handler.background = kBlue;
    window->Redraw();
    EXPECT_EQ(handler.Take(), (Log{"erase " + std::to_string(client.Width()) + "x" + std::to_string(client.Height()),
                                   "paint"}));
    ExpectShown({{{2, 2}, kBlue}, {{10, 10}, kRed}});
}

// The placement counts the frame, as given at creation and as kept while
// maximised; the least size the window may take counts the frame from the
// handler's sizing rule and the frame plus menu around the least client area.
TEST_F(Win32MainWindowTest, PlacementAndMinimumSizeCountTheFrame)
{
    EXPECT_EQ(window->GetPlacement().normal, kNormal);
    const auto minimum = [this] {
        MINMAXINFO info{};
        SendMessageW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return Size{info.ptMinTrackSize.x, info.ptMinTrackSize.y};
    };
    EXPECT_EQ(minimum(), (Size{629, 455}));
    RECT dragged{0, 0, 300, 200};
    SendMessageW(handle, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&dragged));
    EXPECT_EQ(dragged.right, 629);

    window->SetMinimumClientSize({700, 500});
    RECT client{}, frame{};
    GetClientRect(handle, &client);
    GetWindowRect(handle, &frame);
    EXPECT_EQ((Size{client.right, client.bottom}), (Size{700, 500}));
    const Size framed{frame.right - frame.left, frame.bottom - frame.top};
    EXPECT_EQ(minimum(), framed);

    window->Show(true);
    const WindowPlacementState maximized = window->GetPlacement();
    EXPECT_TRUE(maximized.maximized);
    EXPECT_EQ(maximized.normal, Rect::FromSize(kNormal.left, kNormal.top, framed.cx, framed.cy));
}

// The playfield zoomed as far as the client rectangle holds it, never below
// one, with the monitor's scale on top; the image's scale is the product
// rounded up, up to the largest scale, and the area is centred.
TEST(ClientLayout, ZoomsThePlayfieldToFitAndCentresIt)
{
    constexpr Size least{640, 400};
    struct Case { Size client; Size least; double monitor; ClientLayout expected; };
    const Case cases[] = {
        {{640, 400}, least, 1, {1, 1, least, {0, 0}}},        {{1280, 900}, least, 1, {2, 2, least, {0, 50}}},
        {{1000, 400}, least, 1, {1, 1, {1000, 400}, {0, 0}}}, {{500, 300}, least, 1, {1, 1, {500, 300}, {0, 0}}},
        {{960, 600}, least, 1.5, {1.5, 2, least, {0, 0}}},    {{300, 200}, {0, 0}, 2, {2, 2, {150, 100}, {0, 0}}},
        {{8960, 5600}, least, 1, {14, Bitmap::kMaxScale, least, {0, 0}}},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(ClientLayoutFor(each.client, each.least, each.monitor), each.expected)
            << each.client.cx << "x" << each.client.cy << " at " << each.monitor;
    }
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
} // namespace tw
