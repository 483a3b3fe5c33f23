#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/DialogResult.h"
#include "platform/MainWindow.h"

namespace tw {

class MidiSequencer;
class SoundEffects;
class Window;

// Everything the application object asks of the system: the main window,
// the modal dialogs, sound, music, documents and the message loop. The
// desktop provides the real ones; tests provide stand-ins.
class GamePlatform {
public:
    virtual ~GamePlatform() = default;

    virtual std::unique_ptr<Window> CreateMainWindow(const MainWindow::Creation& creation,
                                                     WindowHandler& handler) = 0;
    virtual ScreenMetrics Screen() const = 0;
    // Readies the sound effects, once, after the main window is shown and
    // before the first game can sound a tone.
    virtual void InitSoundEffects() = 0;

    virtual SoundEffects& Sound() = 0;
    virtual MidiSequencer& Sequencer() = 0;
    virtual void Sleep(int milliseconds) = 0;
    virtual std::int64_t SecondsSinceEpoch() const = 0;

    // The modal dialogs, as settings/SettingsDialogs.h and shell/SmallDialogs.h
    // describe them.
    virtual DialogResult ShowWelcomeDialog(Window* owner) = 0;
    virtual DialogResult ShowAboutDialog(Window* owner) = 0;
    virtual DialogResult ShowOptionsDialog(Window* owner) = 0;
    virtual DialogResult ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore) = 0;
    virtual DialogResult ShowLevelAdvanceDialog(Window* owner) = 0;

    // Opens a file or web page with the desktop's handler for it; on failure
    // `error` says why, in the system's words.
    virtual bool OpenDocument(std::string_view target, std::string& error) = 0;
    // The common error box: no owner, the program's name as its title.
    virtual void ShowError(std::string_view text) = 0;

    virtual void PostQuitMessage(int exitCode) = 0;
};

} // namespace tw
