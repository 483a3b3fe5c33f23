#pragma once

namespace tw {

// The tones that pace the game's small animations. Callers pass the Beep
// setting as `on`: with it off a tone becomes a silent wait of a tenth of its
// length, so the animation keeps a tenth of its pace.
class SoundEffects {
public:
    virtual ~SoundEffects() = default;
    virtual void SoundEffect(int frequency, int duration, int on) = 0;
};

} // namespace tw
