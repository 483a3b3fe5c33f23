#include "platform/MidiFile.h"

#include <cstdint>
#include <optional>

namespace tw {
namespace {

// Walks the bytes of one chunk; every read is checked against its end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes(bytes) {}

    bool AtEnd() const { return position >= bytes.size(); }
    std::optional<std::uint8_t> Byte()
    {
        if (AtEnd()) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(bytes[position++]);
    }
    std::optional<std::uint32_t> Fixed(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const auto byte = Byte();
            if (!byte) {
                return std::nullopt;
            }
            value = value << 8 | *byte;
        }
        return value;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    std::optional<std::uint32_t> Variable()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = Byte();
            if (!byte) {
                return std::nullopt;
            }
            value = value << 7 | (*byte & 0x7Fu);
            if (!(*byte & 0x80u)) {
                return value;
            }
        }
        return std::nullopt;
    }
    bool Skip(std::size_t count)
    {
        if (count > bytes.size() - position) {
            return false;
        }
        position += count;
        return true;
    }
    std::string_view Take(std::size_t count)
    {
        const std::string_view taken = bytes.substr(position, count);
        position += taken.size();
        return taken;
    }

private:
    std::string_view bytes;
    std::size_t position = 0;
};

constexpr std::uint8_t kMeta = 0xFF, kEndOfTrack = 0x2F;

// Reads the track's events up to its end-of-track event; false when it runs
// off its chunk or meets bytes that are no event.
bool ScanTrack(Reader track, std::array<int, kMidiChannels>& programs, std::array<bool, kMidiChannels>& plays)
{
    std::uint8_t status = 0;
    while (!track.AtEnd() && track.Variable()) {
        auto first = track.Byte();
        if (!first) {
            return false;
        }
        if (*first == kMeta || *first == 0xF0 || *first == 0xF7) {
            const auto type = *first == kMeta ? track.Byte() : std::optional<std::uint8_t>(0);
            const auto length = track.Variable();
            if (!type || !length || !track.Skip(*length)) {
                return false;
            }
            if (*first == kMeta && *type == kEndOfTrack) {
                return true;
            }
            continue;
        }
        std::optional<std::uint8_t> data = first;
        if (*first & 0x80u) {
            status = *first;
            data = track.Byte();
        }
        if (!(status & 0x80u) || !data) {
            return false; // data with no status to run on
        }
        const int channel = status & 0x0F;
        switch (status & 0xF0u) {
        case 0xC0:
            programs[channel] = programs[channel] == kChannelUnused ? (*data & 0x7F) : programs[channel];
            break;
        case 0xD0: break;
        case 0x90: {
            const auto velocity = track.Byte();
            plays[channel] = plays[channel] || (velocity && *velocity != 0);
            break;
        }
        default:
            if (!track.Byte()) {
                return false;
            }
        }
    }
    return false;
}

} // namespace

MidiFileSummary SummariseMidiFile(std::string_view file)
{
    MidiFileSummary summary;
    std::array<int, kMidiChannels>& programs = summary.firstPrograms;
    programs.fill(kChannelUnused);
    std::array<bool, kMidiChannels> plays{};
    Reader chunks(file);
    const bool named = chunks.Take(4) == "MThd";
    Reader header(chunks.Take(chunks.Fixed(4).value_or(0)));
    const auto format = header.Fixed(2), tracks = header.Fixed(2), division = header.Fixed(2);
    bool wellFormed = named && format && *format <= 2 && tracks && *tracks > 0 && division && *division != 0;
    int tracksRead = 0;
    while (wellFormed && !chunks.AtEnd()) {
        const std::string_view type = chunks.Take(4);
        const auto length = chunks.Fixed(4);
        const std::string_view body = length ? chunks.Take(*length) : std::string_view();
        if (!length || body.size() != *length) {
            wellFormed = false; // cut off
        } else if (type == "MTrk") {
            wellFormed = ScanTrack(Reader(body), programs, plays);
            ++tracksRead;
        }
    }
    bool anyNote = false;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        anyNote = anyNote || plays[channel];
        programs[channel] = !plays[channel] ? kChannelUnused : programs[channel] == kChannelUnused ? 0 : programs[channel];
    }
    summary.playable = wellFormed && tracksRead > 0 && anyNote;
    return summary;
}

} // namespace tw
