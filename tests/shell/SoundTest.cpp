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

std::string Hex(int value) { return {"0123456789abcdef"[(value >> 4) & 15], "0123456789abcdef"[value & 15]}; }

// Writes down everything asked of the machine, one "; "-separated step each.
// The speaker control port keeps what is written to it and starts with
// unrelated bits set, so that the tests see those bits survive.
class RecordingDevice : public ToneDevice {
public:
    void Beep(int frequency, int duration) override { Log("beep " + to_string(frequency) + " " + to_string(duration)); }
    void Sleep(int milliseconds) override { Log("sleep " + to_string(milliseconds)); }
    std::uint8_t PortIn(std::uint16_t port) override
    {
        Log("in " + Hex(port));
        return port == 0x61 ? speakerControl : 0;
    }
    void PortOut(std::uint16_t port, std::uint8_t value) override
    {
        Log("out " + Hex(port) + " " + Hex(value));
        speakerControl = port == 0x61 ? value : speakerControl;
    }
    void Log(const std::string& event) { events += (events.empty() ? "" : "; ") + event; }

    std::string events;
    std::uint8_t speakerControl = 0x4C;
};

// With the flag off only a tenth of the time passes, whatever the platform.
// On the NT flavour a tone is one Beep; elsewhere the speaker is driven
// through the timer ports: the clock over the frequency in integer division,
// low byte first, the 16-bit counter taking the low two bytes (1190000 / 7 =
// 0x29810); the unrelated bits of the control port survive switching the
// speaker on and off.
TEST(SoundEffect, SilentWaitsATenthOnTheNtFlavourBeepsAndElsewhereDrivesTheSpeaker)
{
    const auto speaker = [](const std::string& low, const std::string& high) {
        return "out 43 b6; out 42 " + low + "; out 42 " + high + "; in 61; out 61 4f; sleep 200; in 61; out 61 4c";
    };
    struct Case { int nt, frequency, duration, on; std::string events; };
    const Case cases[] = {
        {0, 440, 170, 0, "sleep 17"},          {1, 440, 170, 0, "sleep 17"},
        {0, 440, 5, 0, "sleep 0"},             {1, 1840, 5, 1, "beep 1840 5"},
        {0, 440, 200, 1, speaker("90", "0a")}, {0, 120, 200, 1, speaker("bc", "26")},
        {0, 1840, 200, 1, speaker("86", "02")}, {0, 7, 200, 1, speaker("10", "98")},
    };
    for (const Case& c : cases) {
        RecordingDevice device;
        SoundEffectPlayer player(device);
        ASSERT_EQ(player.ntPlatform, 0) << "the flag is 0 until start-up sets it";
        player.ntPlatform = c.nt;
        player.SoundEffect(c.frequency, c.duration, c.on);
        EXPECT_EQ(device.events, c.events) << "nt " << c.nt << ", " << c.frequency << " Hz, on " << c.on;
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
