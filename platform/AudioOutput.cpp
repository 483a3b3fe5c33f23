#include "platform/AudioOutput.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/AudioOutputAccess.h"
#include "platform/Sleep.h"
#include "platform/SquareWave.h"

namespace tw {
namespace {

// The tone the GUI thread asks for travels to the audio thread as one word:
// frequency in the high half, duration in the low half, 0 for "nothing new".
// Both halves are positive when a tone is sent, so a real request is never 0.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

std::uint64_t PackTone(int frequency, int duration)
{
    return (std::uint64_t{static_cast<std::uint32_t>(frequency)} << 32) | static_cast<std::uint32_t>(duration);
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
// instruments and controllers a fresh synth has, as it would on a sequencer
// device reset at close. These are the synth calls a player makes from this
// thread anyway, so they add no waiting of a new kind.
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
    fluid_synth_program_reset(synth);
}

} // namespace

struct AudioOutput::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;
    int sampleRate = 44100;

    std::atomic<std::uint64_t> pendingTone{0};
    std::atomic<std::uint32_t> silenceRequested{0};
    // Written only by whoever renders.
    std::atomic<std::uint32_t> silenceDone{0};
    // GUI thread only, until the destructor.
    std::vector<std::pair<fluid_player_t*, std::shared_ptr<void>>> retiredPlayers;
    // Touched only by whoever renders: the device's thread, or a test.
    SquareWave tone;

    static int Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
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
    double rate = 0;
    if (fluid_settings_getnum(impl->settings, "synth.sample-rate", &rate) == FLUID_OK && rate > 0) {
        impl->sampleRate = static_cast<int>(rate);
    }
    impl->synth = new_fluid_synth(impl->settings);
    if (!impl->synth) {
        return;
    }
    for (const std::string& name : drivers) {
        if (fluid_settings_setstr(impl->settings, "audio.driver", name.c_str()) != FLUID_OK) {
            continue;
        }
        impl->driver = new_fluid_audio_driver2(impl->settings, &Impl::Callback, impl.get());
        if (impl->driver) {
            break;
        }
    }
}

AudioOutput::~AudioOutput()
{
    // The driver's thread renders from the synth, so it stops first.
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

bool AudioOutput::IsOpen() const { return impl->driver != nullptr; }

int AudioOutput::SampleRate() const { return impl->sampleRate; }

void AudioOutput::Beep(int frequency, int duration)
{
    StartTone(frequency, duration);
    Sleep(duration);
}

void AudioOutput::StartTone(int frequency, int duration)
{
    if (frequency > 0 && duration > 0) {
        impl->pendingTone.store(PackTone(frequency, duration), std::memory_order_release);
    }
}

int AudioOutput::Render(int frames, int nfx, float* fx[], int nout, float* out[])
{
    return Impl::Callback(impl.get(), frames, nfx, fx, nout, out);
}

int AudioOutput::Impl::Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    // Runs on the device's thread: no locks, no allocation, no waiting.
    auto* self = static_cast<Impl*>(data);
    int result = FLUID_OK;
    const std::uint32_t silence = self->silenceRequested.load(std::memory_order_acquire);
    const bool silencing = self->synth && silence != self->silenceDone.load(std::memory_order_relaxed);
    if (silencing) {
        SilenceSynth(self->synth);
    }
    if (self->synth) {
        if (nfx == 0 && nout >= 2) {
            // Most drivers give no separate effect buffers: reverb and chorus
            // then go into the dry pair, as FluidSynth recommends.
            float* effects[4] = {out[0], out[1], out[0], out[1]};
            result = fluid_synth_process(self->synth, frames, 4, effects, nout, out);
        } else {
            result = fluid_synth_process(self->synth, frames, nfx, fx, nout, out);
        }
    }
    if (const std::uint64_t request = self->pendingTone.exchange(0, std::memory_order_acquire)) {
        self->tone = SquareWave(static_cast<int>(request >> 32), static_cast<int>(request & 0xFFFFFFFFu),
                                self->sampleRate);
    }
    self->tone.MixInto(out, nout, frames);
    if (silencing) {
        // Only now: a stopped player may still have run in this block (it
        // releases its own notes there), and a song started after this
        // must not be caught by that.
        self->silenceDone.store(silence, std::memory_order_release);
    }
    return result;
}

fluid_synth_t* AudioOutputAccess::Synth(AudioOutput& output) { return output.impl->synth; }

void AudioOutputAccess::RetirePlayer(AudioOutput& output, fluid_player_t* player, std::shared_ptr<void> callbackData)
{
    output.impl->retiredPlayers.emplace_back(player, std::move(callbackData));
}

void AudioOutputAccess::RequestSilence(AudioOutput& output)
{
    output.impl->silenceRequested.fetch_add(1, std::memory_order_release);
}

bool AudioOutputAccess::Silenced(AudioOutput& output)
{
    // Only this thread asks, so the count asked for cannot move meanwhile.
    return output.impl->silenceDone.load(std::memory_order_acquire) ==
           output.impl->silenceRequested.load(std::memory_order_relaxed);
}

} // namespace tw
