#include <gtest/gtest.h>

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "support/TestOutput.h"
#include "support/WavFile.h"

namespace tw {
namespace {

// The synthesizer as the game sets it up, with its gain on the music. The
// songs are heard through it, and the sound effects' tones are mixed on top.
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr double kGameGain = 0.5;
// Low enough to render quickly, high enough for the instruments' range.
constexpr int kSampleRate = 22050;
constexpr int kBlock = 512;
// Quieter than this, a stretch of 50 ms counts as silence.
constexpr int kWindow = kSampleRate / 20;
constexpr double kSilenceDb = -60;

double Db(double level) { return 20 * std::log10(std::max(level, 1e-9)); }

struct Rendering {
    std::vector<float> mono;
    double seconds = 0;       // up to the song's last tick, without the notes ringing out
    double rmsDb = 0;         // over those seconds
    double peak = 0;          // of either channel, ringing out included
    double longestGap = 0;    // of silence, in seconds, not counting the end
};

struct EndWatch {
    fluid_player_t* player = nullptr;
    const long* rendered = nullptr;
    long endFrame = -1;
};

int OnTick(void* data, int tick)
{
    auto* watch = static_cast<EndWatch*>(data);
    if (watch->endFrame < 0 && tick >= fluid_player_get_total_ticks(watch->player)) {
        watch->endFrame = *watch->rendered;
    }
    return FLUID_OK;
}

// Plays the file offline, driven by the rendered samples alone: no device,
// and much faster than the song's own time.
Rendering Render(fluid_synth_t* synth, const std::string& file)
{
    fluid_synth_system_reset(synth);
    fluid_player_t* player = new_fluid_player(synth);
    long rendered = 0;
    EndWatch watch{player, &rendered};
    fluid_player_set_tick_callback(player, &OnTick, &watch);
    fluid_player_add(player, file.c_str());
    fluid_player_play(player);

    Rendering result;
    double sumSquares = 0;
    std::vector<float> left(kBlock), right(kBlock);
    // A player stuck on a broken file must not hang the test.
    const long limit = 600L * kSampleRate;
    while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && rendered < limit) {
        fluid_synth_write_float(synth, kBlock, left.data(), 0, 1, right.data(), 0, 1);
        for (int i = 0; i < kBlock; ++i) {
            result.peak = std::max({result.peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
            if (watch.endFrame < 0) {
                sumSquares += double(left[i]) * left[i] + double(right[i]) * right[i];
            }
            result.mono.push_back((left[i] + right[i]) / 2);
        }
        rendered += kBlock;
    }
    delete_fluid_player(player);

    const long songFrames = watch.endFrame < 0 ? rendered : watch.endFrame;
    result.seconds = double(songFrames) / kSampleRate;
    result.rmsDb = Db(std::sqrt(sumSquares / std::max(2.0 * songFrames, 1.0)));
    // A gap is counted once sound follows it: the one that lasts to the end
    // is the song's end.
    int gap = 0, longest = 0;
    for (size_t start = 0; start + kWindow <= result.mono.size(); start += kWindow) {
        double squares = 0;
        for (size_t i = start; i < start + kWindow; ++i) {
            squares += double(result.mono[i]) * result.mono[i];
        }
        if (Db(std::sqrt(squares / kWindow)) < kSilenceDb) {
            ++gap;
        } else {
            longest = std::max(longest, gap);
            gap = 0;
        }
    }
    result.longestGap = double(longest) * kWindow / kSampleRate;
    return result;
}

std::vector<std::string> SongFiles()
{
    std::vector<std::string> files;
    for (int number = 1;; ++number) {
        const auto file = std::filesystem::path(TW_DATA_DIR) / ("song" + std::to_string(number) + ".mid");
        if (!std::filesystem::exists(file)) {
            return files;
        }
        files.push_back(file.string());
    }
}

TEST(Songs, AreBalancedAndKeepPlayingAsTheGameHearsThem)
{
    if (!std::filesystem::exists(kSoundFont)) {
        GTEST_SKIP() << "no General MIDI SoundFont at " << kSoundFont;
    }
    const std::vector<std::string> files = SongFiles();
    ASSERT_GE(files.size(), 3u) << "in " << TW_DATA_DIR;

    const std::unique_ptr<fluid_settings_t, void (*)(fluid_settings_t*)> settings(new_fluid_settings(),
                                                                                 &delete_fluid_settings);
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kSampleRate);
    const std::unique_ptr<fluid_synth_t, void (*)(fluid_synth_t*)> synth(new_fluid_synth(settings.get()),
                                                                         &delete_fluid_synth);
    ASSERT_NE(fluid_synth_sfload(synth.get(), kSoundFont, 1), FLUID_FAILED);
    fluid_synth_set_gain(synth.get(), float(kGameGain));

    double quietest = 0, loudest = -200;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const Rendering song = Render(synth.get(), files[i]);
        std::cout << "song" << i + 1 << ": " << song.seconds << " s, RMS " << song.rmsDb << " dBFS, peak "
                  << song.peak << " (" << Db(song.peak) << " dBFS), longest silence " << song.longestGap
                  << " s\n";
        if (i == 0) {
            test::WavFile::Write(test::TestOutputPath("song1.wav"), kSampleRate, song.mono);
        }
        EXPECT_GE(song.seconds, 60);
        EXPECT_LE(song.seconds, 240);
        EXPECT_GE(song.rmsDb, -30);
        EXPECT_LE(song.rmsDb, -14);
        // The tones add up to 0.2 on top of the music.
        EXPECT_LT(song.peak, 0.8);
        EXPECT_LE(song.longestGap, 2.0);
        quietest = std::min(quietest, song.rmsDb);
        loudest = std::max(loudest, song.rmsDb);
    }
    // One song after another: none should make the player reach for the volume.
    EXPECT_LE(loudest - quietest, 6.0);
}

} // namespace
} // namespace tw
