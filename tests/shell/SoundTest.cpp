#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/MidiSequencer.h"
#include "shell/MusicChain.h"
#include "shell/SoundEffectPlayer.h"
#include "support/FakeGamePlatform.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

using std::to_string;

// Writes down everything asked of the machine, one "; "-separated step each.
class RecordingDevice : public ToneDevice {
public:
    void Beep(int frequency, int duration) override { Log("beep " + to_string(frequency) + " " + to_string(duration)); }
    void Sleep(int milliseconds) override { Log("sleep " + to_string(milliseconds)); }
    void Log(const std::string& event) { events += (events.empty() ? "" : "; ") + event; }

    std::string events;
};

// Silent, only a tenth of the time passes (in integer division); sounding,
// the tone is one Beep, which itself takes the whole duration.
TEST(SoundEffect, SilentWaitsATenthAndSoundingIsOneBeep)
{
    struct Case { int frequency, duration, on; std::string events; };
    const Case cases[] = {{440, 170, 0, "sleep 17"}, {440, 5, 0, "sleep 0"}, {1840, 5, 1, "beep 1840 5"}};
    for (const Case& c : cases) {
        RecordingDevice device;
        SoundEffectPlayer(device).SoundEffect(c.frequency, c.duration, c.on);
        EXPECT_EQ(device.events, c.events) << c.frequency << " Hz for " << c.duration << " ms, on " << c.on;
    }
}

using test::FakeSequencer, test::SongFiles;

// One letter per event: n the next song (start-up, a new game, music turned
// on), e the open song ends, f it fails, F every song fails as it starts,
// g game over, a the song closed last reports a failure.
TEST(MusicChain, PlaysTheSongsInTurnAndStartsAgainAtTheFirstThatFails)
{
    struct Case { const char* name; SongFiles files; int first; std::string events, opened; int songNumber, music = 1; };
    const auto two = [](const char* failing = "") { return SongFiles{{"song1.mid", ""}, {"song2.mid", failing}}; };
    const SongFiles three{{"song1.mid", ""}, {"song2.mid", ""}, {"song3.mid", ""}};
    const Case cases[] = {
        {"two songs", two(), 0, "neeee",
         "song1.mid song2.mid song3.mid:missing song1.mid song2.mid song3.mid:missing song1.mid", 1},
        {"no songs: one try, then two", {}, 0, "nn", "song1.mid:missing song2.mid:missing song1.mid:missing", 1},
        {"no name from 1000 on", {{"song999.mid", ""}, {"song1.mid", ""}}, 998, "ne", "song999.mid song1.mid", 1},
        {"a failure moves on", three, 0, "nf", "song1.mid:failed song2.mid", 2},
        {"every song failing: each once, then silence until the next game", three, 0, "nFn",
         "song1.mid:failed song2.mid:failed song3.mid:failed song4.mid:missing song2.mid", 2},
        {"a song played to its end gives the failed ones another chance", three, 0, "nfefF",
         "song1.mid:failed song2.mid song3.mid:failed song4.mid:missing song1.mid:failed song2.mid:failed", 3},
        {"no notification left over from a game over", three, 0, "ngnee",
         "song1.mid song2.mid song3.mid song4.mid:missing song1.mid", 1},
        {"music turned on again while a song plays, whose failure then changes nothing", two(), 0, "nna",
         "song1.mid song2.mid", 2},
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
        chain.songNumber = test.first;
        const auto fail = [&] {
            sequencer.log += ":failed";
            sequencer.notify.at(chain.musicDevice)(SongEnd::Failed);
        };
        const std::map<char, std::function<void()>> act{
            {'n', [&] { chain.MusicPlayNext(); }},
            {'e', [&] { sequencer.notify.at(chain.musicDevice)(SongEnd::Played); }},
            {'f', fail},
            {'F', [&] { for (int n = 0; n < 20 && chain.musicDevice != 0; ++n) fail(); }},
            {'g', [&] { chain.StopForGameOver(); }},
            {'a', [&] { sequencer.notify.at(sequencer.lastClosed)(SongEnd::Failed); }}};
        for (char event : test.events) {
            act.at(event)();
            ASSERT_EQ(chain.musicDevice != 0, sequencer.open.contains(chain.musicDevice)) << "after " << event;
        }
        EXPECT_EQ(std::pair(sequencer.log, chain.songNumber), std::pair(test.opened, test.songNumber));
        const std::string last = sequencer.log.substr(sequencer.log.rfind(' ') + 1);
        EXPECT_EQ(sequencer.open.empty(), last.empty() || last.find(':') != last.npos) << "a failed song stays open";
    }
}

} // namespace
} // namespace tw
