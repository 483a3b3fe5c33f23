#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "platform/MidiSequencer.h"
#include "shell/MusicChain.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

using Files = std::map<std::string, std::string>;

// A sequencer over a made-up folder, each file with the step that fails for it
// or "". Writes down every song asked for with what became of it, and keeps
// the end notifications so that the test says when songs end. Like a system
// sequencer it can also report a song it closed as aborted.
class FakeSequencer : public MidiSequencer {
public:
    int Open(const std::string& file, int& deviceId) override
    {
        log += (log.empty() ? "" : " ") + file + (files.contains(file) ? "" : ":missing");
        if (!files.contains(file)) {
            return SequencerFileNotFound;
        }
        deviceId = ++lastId;
        open[deviceId] = file;
        maxOpen = std::max(maxOpen, static_cast<int>(open.size()));
        return SequencerOk;
    }
    int StatusPort(int deviceId) override { return Fails(deviceId, ":noport"); }
    int Play(int deviceId, std::function<void()> ended) override
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

    Files files;
    std::string log;
    std::map<int, std::string> open;
    std::map<int, std::function<void()>> notify;
    int lastId = 0, lastClosed = 0, maxOpen = 0;
};

// One letter per event: n the next song (start-up, a new game, music turned
// on), e the open song ends, g game over, a the stopped song reports its abort.
TEST(MusicChain, PlaysTheSongsInTurnAndStartsAgainAtTheFirstThatFails)
{
    struct Case {
        const char* name;
        Files files;
        int firstNumber;
        std::string events, opened;
        int songNumber, music = 1;
    };
    const auto two = [](const char* failing = "") { return Files{{"song1.mid", ""}, {"song2.mid", failing}}; };
    const Files three{{"song1.mid", ""}, {"song2.mid", ""}, {"song3.mid", ""}};
    const Case cases[] = {
        {"two songs", two(), 0, "neeee",
         "song1.mid song2.mid song3.mid:missing song1.mid song2.mid song3.mid:missing song1.mid", 1},
        {"no songs: one try, then two", {}, 0, "nn", "song1.mid:missing song2.mid:missing song1.mid:missing", 1},
        {"no name from 1000 on", {{"song999.mid", ""}, {"song1.mid", ""}}, 998, "ne", "song999.mid song1.mid", 1},
        {"game over silences, the next game goes on", three, 0, "ngane", "song1.mid song2.mid song3.mid", 3},
        {"no notification left over from a game over", three, 0, "ngnee",
         "song1.mid song2.mid song3.mid song4.mid:missing song1.mid", 1},
        {"music turned on again while a song plays", two(), 0, "nn", "song1.mid song2.mid", 2},
        {"no output port", two(":noport"), 0, "ne", "song1.mid song2.mid:noport song1.mid", 1},
        {"cannot play", two(":noplay"), 0, "ne", "song1.mid song2.mid:noplay song1.mid", 1},
        {"music off changes nothing", two(), 4, "n", "", 4, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        test::SettingsScope scope([&](Settings& s) { s.Music = test.music; });
        FakeSequencer sequencer;
        sequencer.files = test.files;
        MusicChain chain(sequencer);
        chain.songNumber = test.firstNumber;
        for (char event : test.events) {
            switch (event) {
            case 'n': chain.MusicPlayNext(); break;
            case 'e': sequencer.notify.at(chain.musicDevice)(); break;
            case 'g': chain.StopForGameOver(); break;
            case 'a': sequencer.notify.at(sequencer.lastClosed)(); break;
            }
            ASSERT_EQ(chain.musicDevice != 0, sequencer.open.contains(chain.musicDevice)) << "after " << event;
        }
        EXPECT_EQ(sequencer.log, test.opened);
        EXPECT_EQ(chain.songNumber, test.songNumber);
        EXPECT_LE(sequencer.maxOpen, 1) << "two songs at once";
        const std::string last = sequencer.log.substr(sequencer.log.rfind(' ') + 1);
        EXPECT_EQ(sequencer.open.empty(), last.empty() || last.find(':') != last.npos) << "a failed song stays open";
    }
}

} // namespace
} // namespace tw
