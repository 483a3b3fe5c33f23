#pragma once

namespace tw {

class CardPainter;
class DeviceContext;
class SoundEffects;

// The window's drawing context as the game draws on it: cards are put on it
// by the card painter, and the animations that remove cards are paced by the
// sound effects.
struct GameDC {
    DeviceContext& dc;
    const CardPainter& cards;
    SoundEffects& sound;
};

} // namespace tw
