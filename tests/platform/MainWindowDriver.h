#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/MainWindow.h"
#include "resources/DialogTemplates.h"
#include "resources/MenuTemplates.h"
#include "support/RecordingWindowHandler.h"

namespace tw::test {

// The Escape key, which the game never asks for by name, and the keypad's
// keys, whose operators and arrows (NumLock off) only Qt tells apart.
inline constexpr int kEscape = 0x1B;
inline constexpr unsigned kKeypad = 0x100;

// A key as the player types it: its virtual key, the character the layout
// makes of it where one counts (a character accelerator, a menu's mnemonic),
// the modifiers held (the menu template's, or kKeypad) and whether it repeats.
struct Keystroke {
    int virtualKey = 0;
    char character = 0;
    unsigned modifiers = 0;
    bool repeat = false;
};

// The player and the window system acting on a main window, as a test of one
// backend can make them act. Every action returns once what it caused has
// reached the window's handler.
class MainWindowDriver {
public:
    virtual ~MainWindowDriver() = default;

    virtual MainWindow& TheWindow() = 0;
    // What is queued now, and whatever comes in the time given.
    virtual void Settle(int milliseconds) = 0;
    // The window comes to the front with the focus, or another window takes both.
    virtual void Activate(bool ours) = 0;
    virtual void Press(const Keystroke& key) = 0;
    // Opens the Game popup as a click on its title does, or gives the bar the
    // keys as Alt alone does, and types the keys into the menu.
    virtual void UseMenu(bool gamePopup, const std::vector<Keystroke>& keys) = 0;
    // The bar's titles and items as the player reads them, each item followed
    // by what the handler hears when it is chosen.
    virtual Log MenuBar() = 0;
    // The close box.
    virtual void Close() = 0;
    virtual void EndSession() = 0;
    virtual bool OnScreen() = 0;
    // As the player drags the frame to that size.
    virtual void Resize(Size frame) = 0;
    virtual void Minimize() = 0;
    // The client area in the screen's pixels, and what the screen shows at one of them.
    virtual Size ClientPixels() = 0;
    virtual ColorRef ShownAt(Point pixel) = 0;
};

// Each backend's test folder defines it; null when the window could not be made.
std::unique_ptr<MainWindowDriver> MakeMainWindowDriver(const MainWindow::Creation& creation,
                                                       RecordingWindowHandler& handler);

// The game's main window, new for each case, with its driver.
class MainWindowTest : public ::testing::Test {
protected:
    static constexpr Rect kNormal{100, 80, 738, 538};

    void SetUp() override { Make(); }
    void Make()
    {
        driver.reset();
        driver = MakeMainWindowDriver(
            {"Tumblewick", kNormal, FindMenuTemplate(MainMenuId), ProgramIconId, SmallProgramIconId}, handler);
        ASSERT_TRUE(driver);
        window = &driver->TheWindow();
    }
    // Shown, in front and with nothing heard yet.
    void ShowActive()
    {
        window->Show(false);
        driver->Activate(true);
        handler.Take();
    }

    RecordingWindowHandler handler;
    std::unique_ptr<MainWindowDriver> driver;
    MainWindow* window = nullptr;
};

} // namespace tw::test
