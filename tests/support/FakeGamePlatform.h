#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
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
        for (; !posted.empty(); posted.pop_front()) { handler.OnCommand(posted.front()); }
    }

    WindowHandler& handler;
};

using SongFiles = std::map<std::string, std::string>;

// A sequencer over a made-up folder, each file with the step that fails for it
// or "", by default the game's two songs, which play until they are closed.
// Writes down every song asked for with what became of it, and keeps the end
// notifications so that a test says when songs end or fail, even for a song
// that was closed.
class FakeSequencer : public MidiSequencer {
public:
    int Open(const std::string& file, int& deviceId) override
    {
        log += (log.empty() ? "" : " ") + file + (files.contains(file) ? "" : ":missing");
        if (!files.contains(file)) { return SequencerFileNotFound; }
        open[deviceId = ++lastId] = file;
        return SequencerOk;
    }
    int StatusPort(int deviceId) override { return Fails(deviceId, ":noport"); }
    int Play(int deviceId, std::function<void(SongEnd)> ended) override
    {
        notify[deviceId] = std::move(ended);
        return Fails(deviceId, ":noplay");
    }
    void Close(int deviceId) override { lastClosed = open.erase(deviceId) ? deviceId : lastClosed; }

    int Fails(int deviceId, const std::string& stage)
    {
        const bool fails = open.contains(deviceId) && files[open[deviceId]] == stage;
        log += fails ? stage : "";
        return !open.contains(deviceId) ? SequencerBadDevice : fails ? SequencerNoOutput : SequencerOk;
    }

    SongFiles files{{"song1.mid", ""}, {"song2.mid", ""}};
    std::string log;
    std::map<int, std::string> open;
    std::map<int, std::function<void(SongEnd)>> notify;
    int lastId = 0, lastClosed = 0;
};

// The system as the application object sees it, without a window system:
// dialogs and documents are recorded, with answers a test chooses.
class FakeGamePlatform : public GamePlatform {
public:
    std::unique_ptr<Window> CreateMainWindow(const MainWindow::Creation& creation, WindowHandler& handler) override
    {
        auto made = std::make_unique<FakeMainWindow>(handler);
        made->placement.normal = creation.normal;
        made->answer = answer, made->onMessage = onMessage; // for the boxes of the start
        window = made.get();
        return made;
    }
    ScreenMetrics Screen() const override { return {1920, 1080, 32, 32}; }
    void InitSoundEffects() override { soundEffectsReady = true; }
    SoundEffects& Sound() override { return sound; }
    MidiSequencer& Sequencer() override { return sequencer; }
    void Sleep(int) override {}
    std::int64_t SecondsSinceEpoch() const override { return 1000; }

    DialogResult ShowWelcomeDialog(Window*) override { return Record("welcome"); }
    DialogResult ShowAboutDialog(Window*) override { return Record("about"); }
    DialogResult ShowOptionsDialog(Window*) override
    {
        Record("options");
        onOptions();
        return optionsResult;
    }
    DialogResult ShowHighScoreDialog(Window*, bool newEntryMode, std::int32_t score) override
    {
        return Record((newEntryMode ? "new high score " : "high scores ") + std::to_string(score));
    }
    DialogResult ShowLevelAdvanceDialog(Window*) override { return Record("level advance"); }

    bool OpenDocument(std::string_view target, std::string& error) override
    {
        documents.emplace_back(target), error = documentError;
        return error.empty();
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void PostQuitMessage(int) override {}

    // Each dialog with what the window's title said while it was open.
    DialogResult Record(const std::string& dialog)
    {
        dialogs.push_back(dialog + " (" + (window ? window->title : "") + ")");
        return DialogResult::Ok;
    }

    FakeMainWindow* window = nullptr;
    DialogResult answer = DialogResult::Ok;
    std::function<void()> onMessage;
    bool soundEffectsReady = false;
    SoundRecorder sound;
    FakeSequencer sequencer;
    std::vector<std::string> dialogs;
    DialogResult optionsResult = DialogResult::Cancel;
    std::function<void()> onOptions = [] {};
    std::vector<std::string> documents;
    std::string documentError;
    std::vector<std::string> errors;
};

} // namespace tw::test
