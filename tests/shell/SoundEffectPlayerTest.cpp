#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "shell/SoundEffectPlayer.h"

namespace tw {
namespace {

using ::testing::ElementsAre;

std::string Hex(int value) { return {"0123456789abcdef"[(value >> 4) & 15], "0123456789abcdef"[value & 15]}; }

// Writes down everything asked of the machine. The speaker control port
// keeps what is written to it and starts with unrelated bits set, so that
// the tests see those bits survive.
class RecordingDevice : public ToneDevice {
public:
    void Beep(int frequency, int duration) override
    {
        events.push_back("beep " + std::to_string(frequency) + " " + std::to_string(duration));
    }
    void Sleep(int milliseconds) override { events.push_back("sleep " + std::to_string(milliseconds)); }
    std::uint8_t PortIn(std::uint16_t port) override
    {
        events.push_back("in " + Hex(port));
        return port == 0x61 ? speakerControl : 0;
    }
    void PortOut(std::uint16_t port, std::uint8_t value) override
    {
        events.push_back("out " + Hex(port) + " " + Hex(value));
        speakerControl = port == 0x61 ? value : speakerControl;
    }

    std::vector<std::string> events;
    std::uint8_t speakerControl = 0x4C;
};

TEST(SoundEffect, WithTheFlagOffOnlyWaitsATenthWhateverThePlatform)
{
    for (int nt : {0, 1}) {
        RecordingDevice device;
        SoundEffectPlayer player(device);
        player.ntPlatform = nt;
        for (int duration : {170, 5}) {
            player.SoundEffect(440, duration, 0);
        }
        EXPECT_THAT(device.events, ElementsAre("sleep 17", "sleep 0")) << "nt " << nt;
    }
}

// Elsewhere the speaker is driven through the timer ports: the clock over
// the frequency in integer division, low byte first, the 16-bit counter
// taking the low two bytes (1190000 / 7 = 0x29810); the unrelated bits of
// the control port survive switching the speaker on and off.
TEST(SoundEffect, OnTheNtFlavourIsOneBeepAndElsewhereDrivesTheSpeaker)
{
    for (auto [frequency, low, high] : {std::tuple{440, "out 42 90", "out 42 0a"}, {120, "out 42 bc", "out 42 26"},
                                        {1840, "out 42 86", "out 42 02"}, {7, "out 42 10", "out 42 98"}}) {
        RecordingDevice device;
        SoundEffectPlayer player(device);
        ASSERT_EQ(player.ntPlatform, 0) << "the flag is 0 until start-up sets it";
        player.SoundEffect(frequency, 200, 1);
        EXPECT_THAT(device.events, ElementsAre("out 43 b6", low, high, "in 61", "out 61 4f", "sleep 200", "in 61",
                                               "out 61 4c")) << frequency;
    }
    RecordingDevice device;
    SoundEffectPlayer player(device);
    player.ntPlatform = 1;
    player.SoundEffect(1840, 5, 1);
    EXPECT_THAT(device.events, ElementsAre("beep 1840 5"));
}

} // namespace
} // namespace tw
