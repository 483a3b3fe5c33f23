#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "platform/ClientLayout.h"
#include "platform/DeviceContext.h"
#include "platform/MessageLoop.h"
#include "platform/VirtualKeys.h"
#include "platform/MainWindowDriver.h"

// What the main window of every backend does, as the program's handler hears
// it and the player sees it; each backend's test folder drives it its own way.
namespace tw::test {
namespace {

constexpr ColorRef kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255);

Log Painted(int width, int height) { return {"erase " + std::to_string(width) + "x" + std::to_string(height), "paint"}; }

// Keys reach the handler as virtual key codes, held ones repeated, the
// keypad's digits as its own (NumLock on) and its arrows as the arrows
// (off). The accelerator table's keys give commands instead, About's by the
// character whatever key and Shift the layout types it with. Keys held with
// Alt are the menu's, and a character that is no accelerator gives nothing.
// The menu bar is the template's, each item giving its command.
TEST_F(MainWindowTest, KeysGiveKeyCodesAndAcceleratorsAndMenuItemsGiveCommands)
{
    const struct { Keystroke key; std::string heard; } cases[] = {
        {{vk::Left, 0, 0, true}, "key 37"}, {{vk::Down}, "key 40"}, {{vk::Space, 0, 0, true}, "key 32"},
        {{'7'}, "key 55"}, {{vk::Numpad2}, "key 98"}, {{vk::Numpad4, 0, 0, true}, "key 100"},
        {{vk::Numpad6}, "key 102"}, {{vk::Left, 0, kKeypad}, "key 37"}, {{vk::Down, 0, kKeypad, true}, "key 40"},
        {{'N', 0, Shift}, "key 78"}, {{vk::F2, 0, Shift}, "key 113"}, {{'X', 0, Control | Shift}, "key 88"},
        {{0, '!', Shift}, ""}, {{vk::Left, 0, Alt}, ""}, {{vk::F2}, "command 32773"},
        {{vk::F3, 0, 0, true}, "command 32772"}, {{'N', 0, Control}, "command 32773"}, {{'X', 0, Control}, "command 105"},
        {{0, '/', Alt}, "command 104"}, {{0, '?', Alt | Shift}, "command 104"}, {{0, '/', Alt | kKeypad}, "command 104"},
        {{'7', '/', Alt | Shift}, "command 104"}, // "/" on Shift+7
    };
    ShowActive();
    for (const auto& [key, heard] : cases) {
        SCOPED_TRACE(testing::Message() << key.virtualKey << " '" << key.character << "' " << key.modifiers
                                        << (key.repeat ? " repeated" : ""));
        driver->Press(key);
        EXPECT_EQ(handler.Take(), heard.empty() ? Log{} : Log{heard});
    }
    EXPECT_EQ(driver->MenuBar(), (Log{"&Game", "&New\tCtrl+N", "command 32773", "-", "High Score List...",
                                      "command 32776", "&Options...", "command 32774", "-", "E&xit\tCtrl+X",
                                      "command 105", "&Help", "&Help on Tumblewick...", "command 32778", "-",
                                      "&Introduction...", "command 32777", "&About ...", "command 104", "-",
                                      "&Tumblewick on the Web...", "command 32781"}));
}

// A menu session, whether Alt alone gave the bar the keys or a popup is open,
// lasts however many popups it shows; the keys typed meanwhile are the
// menu's, a chosen item's command comes after the menu has closed, and then
// the keys are the game's again. The focus leaving and coming back is told.
TEST_F(MainWindowTest, MenuSessionsCloseBeforeTheirCommandAndGiveTheKeysBack)
{
    const Keystroke escape{kEscape}, right{vk::Right}, f3{vk::F3}, z{'Z', 'z'}, about{'A', 'a'};
    const struct { bool gamePopup; std::vector<Keystroke> keys; Log heard; } cases[] = {
        {false, {z, f3, escape}, {"initmenu", "menuclosed", "key 40"}},
        {true, {escape, escape}, {"initmenu", "menuclosed", "key 40"}},
        {true, {right, about}, {"initmenu", "menuclosed", "command 104", "key 40"}},
    };
    for (const auto& [gamePopup, keys, heard] : cases) {
        SCOPED_TRACE(testing::Message() << (gamePopup ? "popup, " : "alt, ") << keys.size() << " keys");
        Make();
        ShowActive();
        driver->UseMenu(gamePopup, keys);
        driver->Press({vk::Down});
        EXPECT_EQ(handler.Take(), heard);
    }
    driver->Activate(false);
    driver->Activate(true);
    EXPECT_EQ(handler.Take(), (Log{"killfocus", "setfocus"}));
}

// A timer ticks until it is killed. Sent commands arrive at once, posted ones
// after the event that posts them. Closing asks the handler first, Destroy
// does not; either way the window leaves the screen and its handler hears
// nothing more, not even its timers. The desktop session's end (or its
// checkpoint) is only told: the window stays.
TEST_F(MainWindowTest, TimersAndCommandsComeInOrderAndClosingAndDestroyingEndTheWindowOnce)
{
    window->SetTimer(5, 10);
    driver->Settle(100);
    const Log ticks = handler.Take();
    EXPECT_GE(ticks.size(), 3u);
    EXPECT_EQ(ticks, Log(ticks.size(), "timer 5"));
    window->KillTimer(5);
    handler.onCommand = [&](int id) {
        if (id == 1) {
            window->PostCommand(3);
            window->SendCommand(2);
        }
    };
    window->SendCommand(1);
    EXPECT_EQ(handler.Take(), (Log{"command 1", "command 2"}));
    driver->Settle(50);
    EXPECT_EQ(handler.Take(), Log{"command 3"}) << "and no tick after the timer was killed";

    for (const bool byClose : {true, false}) {
        Make();
        ShowActive();
        driver->EndSession();
        EXPECT_TRUE(driver->OnScreen()) << "the session's end leaves the window";
        window->SetTimer(1, 1);
        byClose ? driver->Close() : window->Destroy();
        EXPECT_EQ(handler.Take(), (byClose ? Log{"endsession", "close", "destroy"} : Log{"endsession", "destroy"}));
        EXPECT_FALSE(driver->OnScreen());
        window->PostCommand(5);
        window->SendCommand(6);
        window->SetTimer(2, 1);
        window->Destroy();
        driver->Close();
        driver->Settle(20);
        EXPECT_EQ(handler.Take(), Log{});
    }
    PostQuitMessage(3);
    EXPECT_EQ(RunMessageLoop(), 3);
}

// Showing, growing and Redraw erase and then paint the client area at once,
// into an image of its new size that is still the same object, and the
// screen shows it; whatever is drawn through the client's context is on the
// screen before the call returns.
TEST_F(MainWindowTest, ShowsWhatTheHandlerErasedPaintedAndDrewAtOnce)
{
    handler.board = {10, 10, 50, 30};
    const auto expectShown = [this](std::initializer_list<std::pair<Point, ColorRef>> pixels) {
        for (const auto& [at, colour] : pixels) {
            EXPECT_EQ(driver->ShownAt(at), colour) << at.x << "," << at.y;
        }
    };
    const Bitmap* image = &window->ClientArea().Image();
    window->Show(false);
    driver->Settle(0);
    Log shown = handler.Take();
    std::erase(shown, "setfocus"); // whether showing activates is the window system's affair
    const Rect client = window->GetClientRect();
    EXPECT_EQ(shown, Painted(client.Width(), client.Height()));
    const ColorRef green = handler.background;
    expectShown({{{2, 2}, green}, {{10, 10}, kRed}, {{49, 29}, kRed}, {{50, 30}, green},
                 {{client.right - 1, client.bottom - 1}, green}});
    ClientDC(window->ClientArea()).FillRect({100, 100, 140, 120}, kBlue);
    expectShown({{{100, 100}, kBlue}, {{139, 119}, kBlue}, {{140, 120}, green}});

    const Rect frame = window->GetPlacement().normal;
    driver->Resize({frame.Width() + 40, frame.Height() + 30});
    // A window system may erase the old image once more as the resize begins
    // (Wine does), before the image takes the new size.
    Log grown = handler.Take();
    std::erase(grown, Painted(client.Width(), client.Height()).front());
    EXPECT_EQ(grown, Painted(client.Width() + 40, client.Height() + 30));
    EXPECT_EQ(&window->ClientArea().Image(), image);
    handler.background = kBlue;
    window->Redraw();
    EXPECT_EQ(handler.Take(), Painted(client.Width() + 40, client.Height() + 30));
    expectShown({{{2, 2}, kBlue}, {{10, 10}, kRed}});
}

// The playfield zoomed as far as the window holds it, real and never below
// one, with the monitor's scale on top, and centred; the client area has the
// window's width, rounded up to whole logical pixels. The image's scale is the
// device pixels per logical pixel rounded up (with slack) up to the largest
// scale, and only a whole one is shown exactly. With nothing asked for, or no
// room, the window shows the area as it is.
TEST(ClientLayout, ZoomsThePlayfieldToFitAndCentresIt)
{
    constexpr Size least{629, 428}, wide{640, 400};
    const struct { Size window, least; double monitor, ratio; ClientLayout expected; } cases[] = {
        {{638, 428}, least, 1, 2.0000001, {1, 2, {638, 428}, {}, false}},
        {{600, 400}, least, 1, 1.25, {1, 2, {600, 400}, {}, false}},
        {{1258, 1000}, least, 1, 2, {2, 4, least, {0, 72}, true}}, {{0, 0}, least, 1, 1, {1, 1, {1, 1}, {}, true}},
        {{1284, 856}, least, 1, 1.5, {2, 3, {642, 428}, {}, true}},
        {{1000, 650}, least, 1, 1, {650.0 / 428, 2, {659, 428}, {}, false}},
        {{729, 700}, least, 1, 1.25, {729.0 / 629, 2, least, {0, 102}, false}},
        {{1233, 839}, least, 1, 1.25, {1233.0 / 629, 3, least, {}, false}}, {{640, 400}, wide, 1, 1, {1, 1, wide, {}, true}},
        {{960, 600}, wide, 1.5, 1, {1.5, 2, wide, {}, false}}, {{300, 200}, {0, 0}, 2, 1.5, {2, 3, {150, 100}, {}, true}},
        {{8960, 5600}, wide, 1, 1, {14, Bitmap::kMaxScale, wide, {}, false}}, // beyond it, enlarged
    };
    for (const auto& [window, smallest, monitor, ratio, expected] : cases) {
        EXPECT_EQ(ClientLayoutFor(window, smallest, monitor, ratio), expected)
            << window.cx << "x" << window.cy << " at " << monitor << " and " << ratio;
    }
}

// Zoomed, the game still draws in logical pixels: the client rectangle is the
// playfield's height and the window's width at the zoom, every logical pixel
// is shown zoom times larger from an image of whole device pixels per logical
// one, and the bands above and below take the erased background's colour.
TEST_F(MainWindowTest, ZoomsThePlayfieldCentredOnceTheWindowHoldsItMoreThanTwice)
{
    handler.background = kBlue;
    window->Show(false);
    window->SetMinimumClientSize({300, 200});
    driver->Resize({660, 700});
    const Size pixels = driver->ClientPixels();
    const Rect client = window->GetClientRect();
    const double zoom = std::min(pixels.cx / 300.0, pixels.cy / 200.0);
    const double band = (pixels.cy - 200 * zoom) / 2;
    ASSERT_TRUE(zoom > 2 && band > 20) << "zoomed, between bands";
    EXPECT_EQ(client.Height(), 200);
    EXPECT_NEAR(client.Width() * zoom, pixels.cx, zoom);
    EXPECT_EQ(window->ClientArea().Image().Scale(), 3);
    ClientDC(window->ClientArea()).FillRect(Rect::FromSize(10, 10, 5, 5), kRed);
    // Logical pixels, from halfway into the band above to halfway into the one below.
    const double left = (pixels.cx - client.Width() * zoom) / 2, inBand = band / 2 / zoom;
    const std::tuple<double, double, ColorRef> shown[] = {
        {11, 11, kRed}, {14, 14, kRed}, {16, 16, kBlue}, {11, -inBand, kBlue}, {11, 200 + inBand, kBlue}};
    for (const auto& [x, y, colour] : shown) {
        const Point at{static_cast<int>(std::lround(left + x * zoom)), static_cast<int>(std::lround(band + y * zoom))};
        EXPECT_EQ(driver->ShownAt(at), colour) << x << "," << y;
    }
}

// The window stands on the screen by its frame rectangle and reads it back;
// it gets no smaller than the handler's sizing rule allows, and one smaller
// than the least client area the program asks for grows to it and stays so
// large. Maximised or
// minimised, the window keeps its normal rectangle (and minimised, it counts
// as coming back in it).
TEST_F(MainWindowTest, PlacementAndMinimumSizeCountTheFrame)
{
    const auto placement = [&] { return std::pair(window->GetPlacement().normal, window->GetPlacement().maximized); };
    EXPECT_EQ(placement(), std::pair(kNormal, false));
    window->Show(false);
    EXPECT_EQ(placement(), std::pair(kNormal, false));
    driver->Resize({100, 100});
    EXPECT_EQ(placement(), std::pair(Rect::FromSize(kNormal.left, kNormal.top, 629, 455), false));
    window->SetMinimumClientSize({680, 480});
    EXPECT_EQ(driver->ClientPixels(), (Size{680, 480}));
    driver->Resize({100, 100});
    EXPECT_EQ(driver->ClientPixels(), (Size{680, 480})) << "the least size counts the frame and the menu bar";

    const Rect grown = window->GetPlacement().normal;
    window->Show(true);
    EXPECT_EQ(placement(), std::pair(grown, true));
    driver->Minimize();
    EXPECT_EQ(placement(), std::pair(grown, false));
}

} // namespace
} // namespace tw::test
