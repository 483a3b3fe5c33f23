#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tw {

class AudioOutput;

// Error codes of the song player; 0 is success.
enum SequencerError : int {
    SequencerOk = 0,
    SequencerFileNotFound = 275,  // no such song file, or not a standard MIDI file that can be played
    SequencerNoOutput = 277,      // nothing to play songs on
    SequencerBadDevice = 257,     // no song open under that device id
};

// How a song that was playing came to an end.
enum class SongEnd {
    Played, // to its last note
    Failed, // the sequencer could not go on playing it
};

// Plays standard MIDI files one at a time, as a system's MIDI sequencer
// device does: a song is opened, asked for its output, played to its end
// with a notification, and closed.
class MidiSequencer {
public:
    virtual ~MidiSequencer() = default;

    // Opens the song and gives it a device id (never 0).
    virtual int Open(const std::string& file, int& deviceId) = 0;
    // Whether the song has an output to play on.
    virtual int StatusPort(int deviceId) = 0;
    // Starts the song from the beginning; `ended` runs on the GUI thread once,
    // when the song has played to its end or its playback has failed, and
    // never for a song that was closed first.
    virtual int Play(int deviceId, std::function<void(SongEnd)> ended) = 0;
    // Stops and forgets the song; an unknown id (0 included) is ignored.
    virtual void Close(int deviceId) = 0;
};

// The sequencer that plays through the program's audio output with the
// system's General MIDI SoundFont. Without a SoundFont or without a sound
// device nothing can be played: songs open but have no output.
std::unique_ptr<MidiSequencer> CreateMidiSequencer(AudioOutput& output);

} // namespace tw
