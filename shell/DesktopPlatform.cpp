#include "shell/DesktopPlatform.h"

#include <ctime>

#include "platform/DesktopMessageBox.h"
#include "platform/Documents.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/MidiSequencer.h"
#include "platform/Sleep.h"
#include "settings/SettingsDialogs.h"
#include "shell/SmallDialogs.h"

namespace tw {

DesktopPlatform::DesktopPlatform() : sequencer(CreateMidiSequencer(audio)) {}

DesktopPlatform::~DesktopPlatform() = default;

std::unique_ptr<Window> DesktopPlatform::CreateMainWindow(const MainWindow::Creation& creation,
                                                          WindowHandler& handler)
{
    return MainWindow::Create(creation, handler);
}

ScreenMetrics DesktopPlatform::Screen() const { return GetScreenMetrics(); }

// The tones go to the audio output, which opened with the platform, so there
// is nothing left to prepare.
void DesktopPlatform::InitSoundEffects() {}

void DesktopPlatform::Sleep(int milliseconds) { tw::Sleep(milliseconds); }

std::int64_t DesktopPlatform::SecondsSinceEpoch() const { return static_cast<std::int64_t>(std::time(nullptr)); }

DialogResult DesktopPlatform::ShowWelcomeDialog(Window* owner) { return tw::ShowWelcomeDialog(owner); }

DialogResult DesktopPlatform::ShowAboutDialog(Window* owner) { return tw::ShowAboutDialog(owner); }

DialogResult DesktopPlatform::ShowOptionsDialog(Window* owner) { return tw::ShowOptionsDialog(owner); }

DialogResult DesktopPlatform::ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore)
{
    return tw::ShowHighScoreDialog(owner, newEntryMode, newEntryScore);
}

DialogResult DesktopPlatform::ShowLevelAdvanceDialog(Window* owner) { return tw::ShowLevelAdvanceDialog(owner, soundEffects); }

bool DesktopPlatform::OpenDocument(std::string_view target, std::string& error)
{
    return tw::OpenDocument(target, error);
}

void DesktopPlatform::ShowError(std::string_view text)
{
    ShowDesktopMessage(text, "Tumblewick", MessageBoxIconInformation);
}

void DesktopPlatform::PostQuitMessage(int exitCode) { tw::PostQuitMessage(exitCode); }

} // namespace tw
