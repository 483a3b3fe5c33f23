#include <gtest/gtest.h>

#include <string>

#include "shell/SoundEffectPlayer.h"

namespace tw {
namespace {

std::string Hex(int value) { return {"0123456789abcdef"[(value >> 4) & 15], "0123456789abcdef"[value & 15]}; }

// Writes down everything asked of the machine, one "; "-separated step each.
// The speaker control port keeps what is written to it and starts with
// unrelated bits set, so that the tests see those bits survive.
class RecordingDevice : public ToneDevice {
public:
    void Beep(int frequency, int duration) override
    {
        Log("beep " + std::to_string(frequency) + " " + std::to_string(duration));
    }
    void Sleep(int milliseconds) override { Log("sleep " + std::to_string(milliseconds)); }
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

} // namespace
} // namespace tw
