#include "platform/AudioOutput.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/AudioOutputAccess.h"
#include "platform/PulseAudioStream.h"
#include "platform/Sleep.h"
#include "platform/SquareWave.h"
#include "platform/ToneQueue.h"

namespace tw {
namespace {

// About 23 ms, in FluidSynth's own blocks of 64 frames: the device's thread
// wakes some 43 times a second while anything sounds, and a tone starts at
// most this late.
int BlockFrames(int sampleRate) { return std::max(64, sampleRate * 23 / 1000 / 64 * 64); }
// Below this (-80 dBFS) the synthesizer's output, reverb tail included, is
// inaudible; after half a second of it with no song playing, it is not run.
constexpr float kInaudible = 1e-4f;
constexpr int kQuietMilliseconds = 500;
// How long the output must have rested before its stream is closed, checked
// this often. Reopening costs a few milliseconds, so a game's pauses between
// landings are worth it, a gap between two tones of one collapse is not.
constexpr int kRestCheckMilliseconds = 250;
constexpr int kRestChecksBeforeClosing = 4;
// A longer gap between two blocks than any block lasts: the stream rested.
constexpr std::int64_t kRestedNanoseconds = 100'000'000;
// Voices beyond these are the quietest, releasing ones; stealing them was not
// measurable in the songs' loudness and halves the cost of their densest bars.
constexpr int kPolyphony = 32;

std::int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

float Peak(int nout, float* out[], int frames)
{
    float peak = 0;
    for (int channel = 0; channel < nout; ++channel) {
        for (int frame = 0; frame < frames; ++frame) {
            peak = std::max(peak, std::fabs(out[channel][frame]));
        }
    }
    return peak;
}

void DiscardFluidLog(int, const char*, void*) {}

extern "C" void DiscardAlsaError(const char*, int, const char*, int, const char*, ...) {}

// A machine without sound is normal for this game, so neither FluidSynth nor
// the ALSA library under it may print about a missing device.
void SilenceAudioLibraries()
{
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
        fluid_set_log_function(level, DiscardFluidLog, nullptr);
    }
    // ALSA prints through a handler of its own. It is reached by name, so we
    // need no ALSA headers; FluidSynth has loaded the library already.
    if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD)) {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) {
            set(DiscardAlsaError);
        }
        dlclose(alsa);
    }
}

// Runs where the synth renders, between blocks. Pedals first: a note held by
// one would outlast "all notes off". The next song then starts from the
// controllers a fresh synth has, as it would on a sequencer device reset at
// close; its instruments are chosen before it starts (FluidSequencer), since
// choosing one here would read its samples from disk on this thread. These
// are the synth calls a player makes from this thread anyway, so they add no
// waiting of a new kind.
void SilenceSynth(fluid_synth_t* synth)
{
    constexpr int kSustain = 64, kSostenuto = 66, kResetControllers = 121;
    const int channels = fluid_synth_count_midi_channels(synth);
    for (int channel = 0; channel < channels; ++channel) {
        fluid_synth_cc(synth, channel, kSustain, 0);
        fluid_synth_cc(synth, channel, kSostenuto, 0);
    }
    fluid_synth_all_notes_off(synth, -1);
    for (int channel = 0; channel < channels; ++channel) {
        fluid_synth_cc(synth, channel, kResetControllers, 0);
    }
}

} // namespace

struct AudioOutput::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    // One of the two plays the output: our own stream on a sound server,
    // which pauses; or a FluidSynth driver, which is closed to rest.
    std::unique_ptr<PulseAudioStream> stream;
    bool streamPaused = false;
    fluid_audio_driver_t* driver = nullptr;
    // The sound system that took the output, to reopen it after a rest; empty
    // when there is none, and the output is silent for good.
    std::string driverName;
    int sampleRate = 44100;

    ToneQueue tones;
    std::atomic<int> holds{0};
    std::atomic<bool> resting{false};
    std::atomic<std::uint32_t> silenceRequested{0};
    // Written only by whoever renders.
    std::atomic<std::uint32_t> silenceDone{0};
    // GUI thread only, until the destructor.
    std::vector<std::pair<fluid_player_t*, std::shared_ptr<void>>> retiredPlayers;
    std::unique_ptr<QTimer> restTimer;
    int restChecks = 0;

    // Touched only by whoever renders: the device's thread, or a test; reset
    // by the GUI thread only while no device thread runs.
    SquareWave tone;
    std::int64_t previousBlockStart = 0; // 0: no block yet
    int quietFrames = 0;
    bool synthAsleep = false;

    bool OpenDriver(const std::string& name);
    bool Awake() const { return (stream && !streamPaused) || driver; }
    void Wake();
    void CheckRest();
    void MixTones(int frames, int nout, float* out[], std::int64_t blockStart);

    static int Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
    // FluidSynth's drivers may hand over what the last block left.
    static int ClearingCallback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
};

std::vector<std::string> AudioOutput::DefaultDrivers()
{
    // Only these FluidSynth drivers call back into our code for each block,
    // which the tone needs. The sound server comes first: it shares the
    // device with other programs where raw ALSA may find it busy.
    return {"pulseaudio", "alsa", "jack", "oss"};
}

AudioOutput::AudioOutput() : AudioOutput(DefaultDrivers()) {}

AudioOutput::AudioOutput(const std::vector<std::string>& drivers) : impl(std::make_unique<Impl>())
{
    SilenceAudioLibraries();
    impl->settings = new_fluid_settings();
    if (!impl->settings) {
        return;
    }
    AudioOutputAccess::ConfigureSynth(impl->settings);
    double rate = 0;
    if (fluid_settings_getnum(impl->settings, "synth.sample-rate", &rate) == FLUID_OK && rate > 0) {
        impl->sampleRate = static_cast<int>(rate);
    }
    fluid_settings_setint(impl->settings, "audio.period-size", BlockFrames(impl->sampleRate));
    fluid_settings_setint(impl->settings, "audio.periods", 2);
    impl->synth = new_fluid_synth(impl->settings);
    if (!impl->synth) {
        return;
    }
    for (const std::string& name : drivers) {
        if (impl->OpenDriver(name)) {
            impl->driverName = name;
            break;
        }
    }
    if (impl->Awake() && QCoreApplication::instance()) {
        impl->restTimer = std::make_unique<QTimer>();
        impl->restTimer->setInterval(kRestCheckMilliseconds);
        QObject::connect(impl->restTimer.get(), &QTimer::timeout, [this] { impl->CheckRest(); });
        impl->restTimer->start();
    }
}

AudioOutput::~AudioOutput()
{
    impl->restTimer.reset();
    // The device's thread renders from the synth, so it stops first.
    impl->stream.reset();
    if (impl->driver) {
        delete_fluid_audio_driver(impl->driver);
    }
    for (auto& [player, callbackData] : impl->retiredPlayers) {
        delete_fluid_player(player);
        callbackData.reset();
    }
    if (impl->synth) {
        delete_fluid_synth(impl->synth);
    }
    if (impl->settings) {
        delete_fluid_settings(impl->settings);
    }
}

bool AudioOutput::Impl::OpenDriver(const std::string& name)
{
    if (name == "pulseaudio") {
        stream = PulseAudioStream::Open(sampleRate, BlockFrames(sampleRate), &Impl::Callback, this);
        return stream != nullptr;
    }
    if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) {
        return false;
    }
    driver = new_fluid_audio_driver2(settings, &Impl::ClearingCallback, this);
    return driver != nullptr;
}

void AudioOutput::Impl::Wake()
{
    restChecks = 0;
    if (Awake() || driverName.empty()) {
        return;
    }
    resting.store(false, std::memory_order_relaxed);
    if (stream) {
        stream->Resume();
        streamPaused = false;
    } else if (!OpenDriver(driverName)) {
        driverName.clear(); // the device has gone away since start-up
        return;
    }
    if (restTimer) {
        restTimer->start();
    }
}

void AudioOutput::Impl::CheckRest()
{
    // The flag is from the last block, so what was asked for since counts too.
    const bool nothingDue = tones.Empty() && holds.load(std::memory_order_acquire) == 0;
    restChecks = resting.load(std::memory_order_acquire) && nothingDue ? restChecks + 1 : 0;
    if (!Awake() || restChecks < kRestChecksBeforeClosing) {
        return;
    }
    if (stream) {
        stream->Pause();
        streamPaused = true;
    } else {
        delete_fluid_audio_driver(driver);
        driver = nullptr;
    }
    restTimer->stop();
}

bool AudioOutput::IsOpen() const { return !impl->driverName.empty(); }

int AudioOutput::SampleRate() const { return impl->sampleRate; }

bool AudioOutput::Resting() const { return impl->resting.load(std::memory_order_acquire); }

void AudioOutput::Beep(int frequency, int duration)
{
    const auto start = std::chrono::steady_clock::now();
    StartTone(frequency, duration);
    // Reopening a resting stream is part of the tone's time, not added to it.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    Sleep(duration - static_cast<int>(spent.count()));
}

void AudioOutput::StartTone(int frequency, int duration)
{
    if (frequency > 0 && duration > 0) {
        impl->tones.Push({frequency, duration, SteadyNanoseconds()});
        impl->Wake();
    }
}

int AudioOutput::Render(int frames, int nfx, float* fx[], int nout, float* out[])
{
    return Impl::Callback(impl.get(), frames, nfx, fx, nout, out);
}

void AudioOutput::Impl::MixTones(int frames, int nout, float* out[], std::int64_t blockStart)
{
    if (blockStart - previousBlockStart > kRestedNanoseconds) {
        previousBlockStart = 0;
    }
    int position = 0;
    while (const ToneRequest* next = tones.Front()) {
        std::int64_t at = 0;
        if (previousBlockStart != 0 && next->requestedNs > previousBlockStart) {
            at = (next->requestedNs - previousBlockStart) * sampleRate / 1'000'000'000;
        }
        if (at >= frames) {
            break; // asked for during this block: its place is in the next one
        }
        const int start = std::max(position, static_cast<int>(at));
        tone.MixInto(out, nout, position, start);
        tone = SquareWave(next->frequency, next->duration, sampleRate);
        tones.Pop();
        position = start;
    }
    tone.MixInto(out, nout, position, frames);
    previousBlockStart = blockStart;
}

int AudioOutput::Impl::Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    // Runs on the device's thread: no locks, no allocation, no waiting.
    auto* self = static_cast<Impl*>(data);
    const std::int64_t blockStart = SteadyNanoseconds();
    int result = FLUID_OK;
    const std::uint32_t silence = self->silenceRequested.load(std::memory_order_acquire);
    const bool silencing = self->synth && silence != self->silenceDone.load(std::memory_order_relaxed);
    const bool music = self->holds.load(std::memory_order_acquire) > 0;
    if (silencing) {
        SilenceSynth(self->synth);
    }
    if (music || silencing) {
        self->synthAsleep = false;
        self->quietFrames = 0;
    }
    if (self->synth && !self->synthAsleep) {
        if (nfx == 0 && nout >= 2) {
            // Most drivers give no separate effect buffers: reverb and chorus
            // then go into the dry pair, as FluidSynth recommends.
            float* effects[4] = {out[0], out[1], out[0], out[1]};
            result = fluid_synth_process(self->synth, frames, 4, effects, nout, out);
        } else {
            result = fluid_synth_process(self->synth, frames, nfx, fx, nout, out);
        }
        // Songs have rests; only a synth that no song plays may fall asleep.
        const bool quiet = !music && Peak(nout, out, frames) < kInaudible;
        self->quietFrames = quiet ? self->quietFrames + frames : 0;
        self->synthAsleep = self->quietFrames >= self->sampleRate / 1000 * kQuietMilliseconds;
    }
    self->MixTones(frames, nout, out, blockStart);
    if (silencing) {
        // Only now: a stopped player may still have run in this block (it
        // releases its own notes there), and a song started after this
        // must not be caught by that.
        self->silenceDone.store(silence, std::memory_order_release);
    }
    const bool resting = (self->synthAsleep || !self->synth) && self->tone.Finished() && self->tones.Empty();
    self->resting.store(resting, std::memory_order_release);
    return result;
}

void AudioOutputAccess::ConfigureSynth(fluid_settings_t* settings)
{
    // A song needs a handful of the SoundFont's instruments; only theirs are
    // read into memory, when they are chosen.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.polyphony", kPolyphony);
    // A player's own reset would choose the piano on every channel.
    fluid_settings_setint(settings, "player.reset-synth", 0);
}

int AudioOutput::Impl::ClearingCallback(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    for (int channel = 0; channel < nout; ++channel) {
        std::fill_n(out[channel], frames, 0.0f);
    }
    return Callback(data, frames, nfx, fx, nout, out);
}

fluid_synth_t* AudioOutputAccess::Synth(AudioOutput& output) { return output.impl->synth; }

void AudioOutputAccess::RetirePlayer(AudioOutput& output, fluid_player_t* player, std::shared_ptr<void> callbackData)
{
    output.impl->retiredPlayers.emplace_back(player, std::move(callbackData));
}

void AudioOutputAccess::RequestSilence(AudioOutput& output)
{
    output.impl->silenceRequested.fetch_add(1, std::memory_order_release);
    output.impl->Wake();
}

bool AudioOutputAccess::Silenced(AudioOutput& output)
{
    // Only this thread asks, so the count asked for cannot move meanwhile.
    return output.impl->silenceDone.load(std::memory_order_acquire) ==
           output.impl->silenceRequested.load(std::memory_order_relaxed);
}

void AudioOutputAccess::Hold(AudioOutput& output)
{
    output.impl->holds.fetch_add(1, std::memory_order_release);
    output.impl->Wake();
}

void AudioOutputAccess::Release(AudioOutput& output) { output.impl->holds.fetch_sub(1, std::memory_order_release); }

} // namespace tw
