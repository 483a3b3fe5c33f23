#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/MidiSequencer.h"
#include "shell/GamePlatform.h"
#include "support/FakeWindow.h"
#include "support/SoundRecorder.h"

namespace tw::test {

// A main window whose messages reach the program's handler as the real
// window's would: sent commands at once, posted ones when delivered, and
// Redraw as an erase followed by a paint.
class FakeMainWindow : public FakeWindow {
public:
    explicit FakeMainWindow(WindowHandler& handler) : handler(handler)
    {
        onCommand = [this](int id) { this->handler.OnCommand(id); };
    }

    void Redraw() override
    {
        ClientDC dc(ClientArea());
        handler.OnEraseBackground(dc);
        handler.OnPaint(dc);
    }

    // Runs the posted commands, as the message loop would after the current
    // message.
    void DeliverPosted()
    {
        for (; !posted.empty(); posted.pop_front()) {
            handler.OnCommand(posted.front());
        }
    }

    WindowHandler& handler;
};

// Songs that "play" until they are closed; only the game's two exist.
class FakeSequencer : public MidiSequencer {
public:
    int Open(const std::string& file, int& deviceId) override
    {
        opened.push_back(file);
        if (file != "song1.mid" && file != "song2.mid") {
            return SequencerFileNotFound;
        }
        open.insert(deviceId = int(opened.size()));
        return SequencerOk;
    }
    int StatusPort(int) override { return SequencerOk; }
    int Play(int, std::function<void(SongEnd)>) override { return SequencerOk; }
    void Close(int deviceId) override { open.erase(deviceId); }

    std::vector<std::string> opened;
    std::set<int> open;
};

// The system as the application object sees it, without a window system:
// dialogs and documents are recorded, with answers a test chooses.
class FakeGamePlatform : public GamePlatform {
public:
    std::unique_ptr<Window> CreateMainWindow(const MainWindow::Creation& creation, WindowHandler& handler) override
    {
        auto made = std::make_unique<FakeMainWindow>(handler);
        made->placement.normal = creation.normal;
        window = made.get();
        return made;
    }
    ScreenMetrics Screen() const override { return {1920, 1080, 32, 32}; }
    void InitSoundEffects() override { soundEffectsReady = true; }
    SoundEffects& Sound() override { return sound; }
    MidiSequencer& Sequencer() override { return sequencer; }
    void Sleep(int) override {}
    std::int64_t SecondsSinceEpoch() const override { return 1000; }

    int ShowWelcomeDialog(Window*) override { return Record("welcome"); }
    int ShowAboutDialog(Window*) override { return Record("about"); }
    int ShowOptionsDialog(Window*) override
    {
        Record("options");
        onOptions();
        return optionsResult;
    }
    int ShowHighScoreDialog(Window*, bool newEntryMode, std::int32_t score) override
    {
        return Record((newEntryMode ? "new high score " : "high scores ") + std::to_string(score));
    }
    int ShowLevelAdvanceDialog(Window*) override { return Record("level advance"); }

    bool OpenDocument(std::string_view target, std::string& error) override
    {
        documents.emplace_back(target), error = documentError;
        return error.empty();
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void PostQuitMessage(int) override {}

    // Each dialog with what the window's title said while it was open.
    int Record(const std::string& dialog)
    {
        dialogs.push_back(dialog + " (" + (window ? window->title : "") + ")");
        return 1;
    }

    FakeMainWindow* window = nullptr;
    bool soundEffectsReady = false;
    SoundRecorder sound;
    FakeSequencer sequencer;
    std::vector<std::string> dialogs;
    int optionsResult = 2;
    std::function<void()> onOptions = [] {};
    std::vector<std::string> documents;
    std::string documentError;
    std::vector<std::string> errors;
};

} // namespace tw::test
