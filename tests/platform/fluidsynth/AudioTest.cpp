#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <latch>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/MidiSequencerDriver.h"
#include "platform/ToneOutputDriver.h"
#include "platform/fluidsynth/AudioOutputAccess.h"
#include "platform/fluidsynth/FluidSequencer.h"
#include "platform/MidiFile.h"
#include "platform/SquareWave.h"
#include "support/MidiSongs.h"

namespace tw {

namespace {

using ::testing::AllOf, ::testing::FloatNear, ::testing::Ge, ::testing::Le, ::testing::Pointwise;
using test::Song, test::WriteSong;

template <class T> using Owned = std::unique_ptr<T, void (*)(T*)>;

// Renders an output that no device plays as a device's thread would, into a
// stereo pair that starts out holding `base`, and lets the GUI thread's
// timers run after each block; `Seconds` paces it to the clock, so that the
// sequencer's polling sees the songs' time pass as with a device.
struct Renderer {
    std::vector<float> Frames(int frames, float base = 0, int block = 64, bool paced = false)
    {
        std::vector<float> left(static_cast<std::size_t>(frames), base);
        right = left;
        for (int at = 0; at < frames; at += block) {
            float* out[2] = {left.data() + at, right.data() + at};
            AudioOutputAccess::Render(output, std::min(block, frames - at), 0, nullptr, 2, out);
            std::this_thread::sleep_for(std::chrono::microseconds(paced ? 1'000'000L * block / Rate() : 0));
            QCoreApplication::processEvents();
        }
        return left;
    }
    void Seconds(double seconds) { Frames(static_cast<int>(seconds * Rate()), 0, 256, true); }
    bool RestsAfter(int frames) { return Frames(frames), output.Resting(); }
    int Rate() const { return output.SampleRate(); }

    AudioOutput output{AudioOutput::SoundSystems{{"no-such-driver"}}};
    std::vector<float> right;
};

// FluidSynth's callback adds the tone to what its buffers hold (the
// synthesizer has nothing to play), on both channels, across blocks and past
// the tone's end; its reverb adds a trace of DC against denormals, so
// "silent" is never quite 0. Nothing sounding costs nothing: the synth is no
// longer run once its reverb has died away (its trace of DC is gone too),
// until a song holds the output again. A tone alone does not wake it.
TEST(AudioOutput, AddsTonesToTheBuffersAndRunsTheSynthOnlyWhileASongHoldsItOrItsReverbRingsOn)
{
    Renderer render;
    const int rate = render.Rate();
    SquareWave wave(440, 200, rate);
    std::vector<float> onTop;
    for (int after = 512; !wave.Finished() || after-- > 0;) {
        onTop.push_back(0.25f + wave.Next());
    }
    render.output.StartTone(440, 200);
    EXPECT_THAT(render.Frames(static_cast<int>(onTop.size()), 0.25f), Pointwise(FloatNear(1e-6f), onTop));
    EXPECT_THAT(render.right, Pointwise(FloatNear(1e-6f), onTop));

    EXPECT_TRUE(render.RestsAfter(rate * 6 / 10));
    EXPECT_THAT(render.Frames(256), Pointwise(FloatNear(0), std::vector<float>(256, 0)));
    render.output.StartTone(1840, 100);
    EXPECT_FALSE(render.RestsAfter(rate / 20)) << "the tone still sounds";
    // Too short for the synth to fall asleep again had the tone woken it.
    EXPECT_TRUE(render.RestsAfter(rate / 5));

    AudioOutputAccess::Hold(render.output);
    EXPECT_FALSE(render.RestsAfter(rate)) << "a song has rests of its own";
}

// Runs the GUI thread's timers until `done`, for at most `seconds`.
bool PumpUntil(const auto& done, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// A PulseAudio server of the test's own, whose null sink consumes sound at a
// device's pace, at a socket that the client library is pointed at while it
// lives.
struct TestServer {
    TestServer() { qputenv("PULSE_SERVER", "unix:" + socketPath.toUtf8()); }
    ~TestServer() { Kill(), qunsetenv("PULSE_SERVER"); }
    // Kills the server that runs, as a crash would, and starts one anew.
    bool Start()
    {
        Kill();
        server.setEnvironment({"HOME=" + folder.path(), "XDG_RUNTIME_DIR=" + folder.path()});
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("/usr/bin/pulseaudio", {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disable-shm",
                                             "--use-pid-file=no", "--load=module-null-sink",
                                             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socketPath});
        return server.waitForStarted() && PumpUntil([&] { return QFile::exists(socketPath); }, 10);
    }
    void Kill() { server.kill(), server.waitForFinished(), QFile::remove(socketPath); }

    const QTemporaryDir folder;
    const QString socketPath = folder.filePath("native");
    QProcess server;
};

// Opens the song and starts it, failing the test if either is refused.
int StartSong(MidiSequencer& sequencer, const std::string& file, std::function<void(SongEnd)> ended = [](SongEnd) {})
{
    int id = 0;
    EXPECT_EQ(sequencer.Open(file, id), SequencerOk);
    EXPECT_EQ(sequencer.Play(id, std::move(ended)), SequencerOk);
    return id;
}

// The song player's contract plays on an output that no device plays, paced
// to the clock so that the player's polling sees the songs' time pass, with a
// damaged SoundFont: the songs still run through, silently and without a word
// from the libraries that read it, as the sound libraries say none when a
// default output finds no device. FluidSynth's own DONE comes seconds after
// the last tick, past what the driver plays.
struct FluidDriver final : test::SequencerDriver {
    FluidDriver() { testing::internal::CaptureStderr(), AudioOutput(); }
    ~FluidDriver() override { EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); }
    MidiSequencer& Sequencer() override { return *sequencer; }
    void Wait() override { render.Seconds(0.2); }
    void PlayOut(int) override { render.Seconds(0.5); }

    Renderer render;
    const std::unique_ptr<MidiSequencer> sequencer = CreateFluidSequencer(render.output, {WriteSong("damaged.sf2", "RIFF\x40\0\0\0sfbkLIST\x30\0\0\0INFOifil\4\0\0\0\2\0\1")});
};

// A frozen server, one that takes connections and never answers, holds the
// game up for one deadline, not for the client library's own half minute per
// stream, and the sound systems that would play through it are not tried
// after it. With a server that answers, stopped songs' players are freed
// while the next song plays, between the stream's blocks; the device runs
// shallow only while tones sound; and a server that crashed and came back
// plays the next tone on streams made anew.
TEST(SoundServer, CostsOneDeadlineFrozenAndFreesStoppedPlayersWhileMusicPlaysAndComesBackAfterACrash)
{
    TestServer server;
    QLocalServer frozen;
    ASSERT_TRUE(frozen.listen(server.socketPath));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(AudioOutput(AudioOutput::SoundSystems{{"pulseaudio", "alsa"}}).IsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    // Starting the server that answers takes the frozen one's socket away.
    if (!server.Start()) {
        GTEST_SKIP() << "no pulseaudio to start";
    }
    AudioOutput output(AudioOutput::SoundSystems{{"pulseaudio"}});
    ASSERT_TRUE(output.IsOpen());
    // How deep the server runs its device, in µs, where pactl can tell.
    const auto deviceLatency = [] {
        const char* const sinks = "pactl list sinks 2>/dev/null | grep -o 'configured [0-9]*'";
        const Owned<FILE> pactl(popen(sinks, "r"), [](FILE* file) { pclose(file); });
        int latency = -1;
        return fscanf(pactl.get(), "configured %d", &latency) == 1 ? latency : -1;
    };
    // Driven at its shortest period, the server would wake 2,000 times a second.
    const int latency = deviceLatency();
    EXPECT_TRUE(latency == -1 || latency >= 5000) << latency << " µs";
    const auto sequencer = CreateFluidSequencer(output, {});
    const std::string file = WriteSong("server-song.mid", Song({0, 0x90, 60, 100, 0x8F, 0, 0x80, 60, 0}));
    int id = 0;
    for (int song = 0; song < 5; ++song) {
        sequencer->Close(id);
        id = StartSong(*sequencer, file);
        PumpUntil([] { return false; }, 0.2);
    }
    EXPECT_GE(AudioOutputAccess::RetiredPlayers(output), 1u);
    ASSERT_TRUE(PumpUntil([&] { return !output.Resting(); }, 2)) << "the last song plays";
    EXPECT_TRUE(PumpUntil([&] { return AudioOutputAccess::RetiredPlayers(output) == 0; }, 2));
    EXPECT_FALSE(output.Resting()) << "freed while the song plays, not once the output rests";
    sequencer->Close(id);

    ASSERT_TRUE(PumpUntil([&] { return output.Resting(); }, 3));
    PumpUntil([] { return false; }, 1.5); // the streams pause
    // Only a tone needs the device run shallow, and only while it sounds:
    // otherwise the server would wake a hundred times a second for nothing.
    if (latency != -1) {
        EXPECT_GE(deviceLatency(), 200'000);
        output.StartTone(440, 100);
        EXPECT_TRUE(PumpUntil([&] { return deviceLatency() <= 20'000; }, 1)) << deviceLatency() << " µs";
        ASSERT_TRUE(PumpUntil([&] { return output.Resting(); }, 3));
        EXPECT_TRUE(PumpUntil([&] { return deviceLatency() >= 200'000; }, 3)) << deviceLatency() << " µs";
    }
    // The server crashes and comes back.
    ASSERT_TRUE(server.Start()) << "after a crash";
    output.StartTone(440, 100);
    EXPECT_TRUE(PumpUntil([&] { return output.Resting(); }, 3)) << "the tone was never played";
}

// Low enough to render quickly, high enough for the instruments' range.
constexpr int kSampleRate = 22050;
// Rendered 50 ms at a time; a block quieter than -60 dBFS counts as silence.
constexpr int kBlock = kSampleRate / 20;

double Db(double level) { return 20 * std::log10(std::max(level, 1e-9)); }

// Plays the file offline, driven by the rendered samples alone: no device,
// and much faster than the song's own time. Checks its length and loudness
// to its last tick, its peak as it rings out and its silences; returns its
// loudness in RMS dBFS.
double PlayAndCheck(const std::string& soundFont, const std::string& file)
{
    // The synthesizer as the game sets it up, with its gain on the music. The
    // songs are heard through it, and the sound effects' tones are mixed on top.
    const Owned<fluid_settings_t> settings(new_fluid_settings(), &delete_fluid_settings);
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kSampleRate);
    const Owned<fluid_synth_t> synth(AudioOutputAccess::NewSynth(settings.get()), &delete_fluid_synth);
    EXPECT_NE(fluid_synth_sfload(synth.get(), soundFont.c_str(), 1), FLUID_FAILED);
    fluid_synth_set_gain(synth.get(), kFluidSequencerGain);
    const Owned<fluid_player_t> player(new_fluid_player(synth.get()), &delete_fluid_player);
    fluid_player_add(player.get(), file.c_str());
    fluid_player_play(player.get());
    long rendered = 0, endFrame = -1;
    double peak = 0, sumSquares = 0, gap = 0, longest = 0; // gaps in blocks
    std::vector<float> block(2 * kBlock); // left and right in turn
    // A player stuck on a broken file must not hang the test.
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING && rendered < 600L * kSampleRate) {
        fluid_synth_write_float(synth.get(), kBlock, block.data(), 0, 2, block.data(), 1, 2);
        const bool ended = fluid_player_get_current_tick(player.get()) >= fluid_player_get_total_ticks(player.get());
        endFrame = endFrame < 0 && ended ? rendered : endFrame;
        const auto [low, high] = std::ranges::minmax(block);
        peak = std::max({peak, -double(low), double(high)});
        const double squares = std::inner_product(block.begin(), block.end(), block.begin(), 0.0);
        sumSquares += endFrame < 0 ? squares : 0;
        // A gap is counted once sound follows it: the one lasting to the end is the song's end.
        const bool silent = Db(std::sqrt(squares / block.size())) < -60;
        longest = silent ? longest : std::max(longest, gap);
        gap = silent ? gap + 1 : 0;
        rendered += kBlock;
    }
    endFrame = endFrame < 0 ? rendered : endFrame;
    const double rmsDb = Db(std::sqrt(sumSquares / std::max(2.0 * endFrame, 1.0)));
    EXPECT_THAT(double(endFrame) / kSampleRate, AllOf(Ge(60), Le(240))) << "seconds to the last tick";
    EXPECT_THAT(rmsDb, AllOf(Ge(-30), Le(-14))) << "RMS dBFS";
    EXPECT_LT(peak, 1 - SquareWave::kAmplitude) << "room for the tones on top";
    EXPECT_LE(double(longest) * kBlock / kSampleRate, 2.0) << "seconds of silence, not counting the end";
    return rmsDb;
}

// Songs played with the General MIDI SoundFont the game plays them with,
// where this system has it. A song's instruments are read on a worker while
// the game goes on; only theirs are in memory, not General MIDI's piano on
// every channel. The game's own songs are heard through the synthesizer as the
// game sets it up, and keep playing to their end at loudnesses close together.
TEST(GeneralMidiSongs, StartWithTheirOwnInstrumentsOnlyAndOfTheGameAreBalancedAndKeepPlaying)
{
    const std::string soundFont = DefaultSoundFonts().front();
    if (!std::filesystem::exists(soundFont)) {
        GTEST_SKIP() << "no General MIDI SoundFont";
    }
    Renderer render;
    const auto sequencer = CreateFluidSequencer(render.output, {soundFont});
    bool ended = false;
    const std::string song = Song({0, 0xC1, 73, 0, 0x91, 60, 100, 0, 0x99, 36, 100, 48, 0x81, 60, 0});
    const int id = StartSong(*sequencer, WriteSong("instruments-song.mid", song),
                             [&](SongEnd end) { ended = end == SongEnd::Played; });
    EXPECT_EQ(sequencer->StatusPort(id), SequencerNoOutput) << "a SoundFont but no device";
    EXPECT_TRUE(PumpUntil([&] { return render.Seconds(0.05), ended; }, 5)) << "the song never played through";
    std::string loaded; // channel:bank/program
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        if (fluid_preset_t* preset = fluid_synth_get_channel_preset(AudioOutputAccess::Synth(render.output), channel)) {
            loaded += std::to_string(channel) + ":" + std::to_string(fluid_preset_get_banknum(preset)) + "/" +
                      std::to_string(fluid_preset_get_num(preset)) + " ";
        }
    }
    EXPECT_EQ(loaded, "1:0/73 9:128/0 ");

    std::vector<double> rmsDb;
    for (std::filesystem::path file; std::filesystem::exists(
             file = std::filesystem::path(TW_DATA_DIR) / ("song" + std::to_string(rmsDb.size() + 1) + ".mid"));) {
        SCOPED_TRACE(file.string());
        rmsDb.push_back(PlayAndCheck(soundFont, file.string()));
    }
    ASSERT_GE(rmsDb.size(), 3u) << "in " << TW_DATA_DIR;
    // One song after another: none should make the player reach for the volume.
    EXPECT_LE(std::ranges::max(rmsDb) - std::ranges::min(rmsDb), 6.0);
}

} // namespace

std::unique_ptr<test::SequencerDriver> test::SequencerWithoutADevice() { return std::make_unique<FluidDriver>(); }

// The tone output's contract hears an output that no device plays, rendered
// by a thread of the driver's in a device's large blocks, paced to the clock.
std::unique_ptr<AudioOutput> test::OutputWithoutADevice() { return std::make_unique<AudioOutput>(AudioOutput::SoundSystems{{"no-such-driver"}}); }
std::unique_ptr<AudioOutput> test::HeardOutput() { return OutputWithoutADevice(); }

std::optional<std::vector<std::int16_t>> test::Record(AudioOutput& output, int length,
                                                      const std::function<void()>& play)
{
    // 50 ms, longer than a device of its own asks for, so that a run of tones
    // falls into one block.
    const int rate = output.SampleRate(), frames = static_cast<int>(std::int64_t{length} * rate / 1000), kBlock = rate / 20;
    std::vector<float> left(static_cast<std::size_t>(frames) + kBlock), right = left;
    std::latch started(1);
    std::jthread device([&] {
        // A first block costs more: it is not heard, so as not to hold up the next.
        float* out[2] = {left.data() + frames, right.data() + frames};
        AudioOutputAccess::Render(output, kBlock, 0, nullptr, 2, out);
        started.count_down();
        const auto start = std::chrono::steady_clock::now();
        for (int at = 0; at < frames; at += kBlock) {
            out[0] = left.data() + at, out[1] = right.data() + at;
            AudioOutputAccess::Render(output, std::min(kBlock, frames - at), 0, nullptr, 2, out);
            std::this_thread::sleep_until(start + std::chrono::microseconds(1'000'000LL * (at + kBlock) / rate));
        }
    });
    started.wait();
    play();
    device.join();
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames));
    std::transform(left.begin(), left.begin() + frames, samples.begin(), [](float sample) { return std::int16_t(sample * 32767); });
    return samples;
}

} // namespace tw
