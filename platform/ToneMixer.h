#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/SquareWave.h"
#include "platform/ToneQueue.h"

namespace tw {

// The tones asked for and the one sounding, mixed into the blocks of an
// audio thread without locks, allocation or waiting. A new tone cuts short
// the one before it, at the frame where it starts; where in a block that is
// depends on how the backend's stream keeps time, so the backend says.
class ToneMixer {
public:
    // GUI thread. False when the ring is full: the tone is dropped.
    bool Push(const ToneRequest& request) { return requests.Push(request); }
    // The oldest tone not yet started, or null.
    const ToneRequest* Waiting() const { return requests.Front(); }
    bool Queued() const { return !requests.Empty(); }

    // The rest belongs to the renderer, or to anyone while none runs.
    bool Sounding() const { return !tone.Finished() || Queued(); }
    // The tone sounding and those not yet started are stale.
    void Clear()
    {
        tone = SquareWave();
        while (requests.Front()) {
            requests.Pop();
        }
    }

    // Adds frames [0, frames) to each of `channelCount` buffers.
    // `dueFrame(request)` places a waiting tone in this block: before 0 it is
    // late and starts at once, at `frames` or beyond it waits for a later block.
    template <typename DueFrame>
    void Mix(float* const* channels, int channelCount, int frames, int sampleRate, DueFrame&& dueFrame)
    {
        int position = 0;
        while (const ToneRequest* next = requests.Front()) {
            const std::int64_t due = dueFrame(*next);
            if (due >= frames) {
                break;
            }
            const int start = std::max(position, static_cast<int>(std::max<std::int64_t>(due, 0)));
            tone.MixInto(channels, channelCount, position, start);
            tone = SquareWave(next->frequency, next->duration, sampleRate);
            requests.Pop();
            position = start;
        }
        tone.MixInto(channels, channelCount, position, frames);
    }

private:
    ToneQueue requests;
    SquareWave tone;
};

} // namespace tw
