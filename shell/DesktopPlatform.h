#pragma once

#include <memory>

#include "platform/AudioOutput.h"
#include "shell/GamePlatform.h"
#include "shell/SoundEffectPlayer.h"

namespace tw {

// The real system: the Qt main window and dialogs, the audio output with
// its tones and songs, the desktop's document handlers.
class DesktopPlatform final : public GamePlatform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    std::unique_ptr<Window> CreateMainWindow(const MainWindow::Creation& creation,
                                             WindowHandler& handler) override;
    ScreenMetrics Screen() const override;
    void InitSoundEffects() override;

    SoundEffects& Sound() override { return soundEffects; }
    MidiSequencer& Sequencer() override { return *sequencer; }
    void Sleep(int milliseconds) override;
    std::int64_t SecondsSinceEpoch() const override;

    DialogResult ShowWelcomeDialog(Window* owner) override;
    DialogResult ShowAboutDialog(Window* owner) override;
    DialogResult ShowOptionsDialog(Window* owner) override;
    DialogResult ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore) override;
    DialogResult ShowLevelAdvanceDialog(Window* owner) override;

    bool OpenDocument(std::string_view target, std::string& error) override;
    void ShowError(std::string_view text) override;
    void PostQuitMessage(int exitCode) override;

private:
    AudioOutput audio;
    SystemToneDevice toneDevice{audio};
    SoundEffectPlayer soundEffects{toneDevice};
    std::unique_ptr<MidiSequencer> sequencer;
};

} // namespace tw
