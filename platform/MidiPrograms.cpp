#include "platform/MidiPrograms.h"

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

void ScanTrack(Reader track, std::array<int, kMidiChannels>& programs, std::array<bool, kMidiChannels>& plays)
{
    std::uint8_t status = 0;
    while (!track.AtEnd() && track.Variable()) {
        auto first = track.Byte();
        if (!first) {
            return;
        }
        if (*first == 0xFF || *first == 0xF0 || *first == 0xF7) {
            if (*first == 0xFF && !track.Byte()) {
                return;
            }
            const auto length = track.Variable();
            if (!length || !track.Skip(*length)) {
                return;
            }
            continue;
        }
        std::optional<std::uint8_t> data = first;
        if (*first & 0x80u) {
            status = *first;
            data = track.Byte();
        }
        if (!(status & 0x80u) || !data) {
            return; // data with no status to run on
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
                return;
            }
        }
    }
}

} // namespace

std::array<int, kMidiChannels> FirstPrograms(std::string_view file)
{
    std::array<int, kMidiChannels> programs;
    programs.fill(kChannelUnused);
    std::array<bool, kMidiChannels> plays{};
    Reader chunks(file);
    while (!chunks.AtEnd()) {
        const std::string_view type = chunks.Take(4);
        const auto length = chunks.Fixed(4);
        if (!length) {
            break;
        }
        const std::string_view body = chunks.Take(*length);
        if (type == "MTrk") {
            ScanTrack(Reader(body), programs, plays);
        }
    }
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        programs[channel] = !plays[channel] ? kChannelUnused : programs[channel] == kChannelUnused ? 0 : programs[channel];
    }
    return programs;
}

} // namespace tw
