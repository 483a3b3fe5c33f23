#pragma once

// Platform-internal: the song player over FluidSynth, with the SoundFonts it
// tries made choosable for tests. The game reaches it only through
// MidiSequencer.

#include <memory>
#include <string>
#include <vector>

#include "platform/MidiSequencer.h"

namespace tw {

// FluidSynth's default of 0.2 is meant for many voices at full velocity and
// leaves an ordinary General MIDI song far quieter than other programs. At
// 0.6 a song with every channel playing chords at full velocity peaks around
// 0.4 of full scale (a test checks it), which leaves room for the sound
// effects' tone mixed on top.
constexpr float kFluidSequencerGain = 0.5f;

// The system's General MIDI SoundFont, then the one Debian installs it as.
std::vector<std::string> DefaultSoundFonts();

// `soundFonts` are tried in order, once, when a song first needs one.
std::unique_ptr<MidiSequencer> CreateFluidSequencer(AudioOutput& output,
                                                    std::vector<std::string> soundFonts = DefaultSoundFonts());

} // namespace tw
