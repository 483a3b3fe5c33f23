#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tw::test {

// A mono 16-bit PCM WAV file: written so that people can listen to a rendered
// tone, and read back as any player would see it.
struct WavFile {
    struct Header {
        char riff[4] = {'R', 'I', 'F', 'F'};
        std::uint32_t riffSize = 36;
        char waveFmt[8] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
        std::uint32_t fmtSize = 16;
        std::uint16_t format = 1, channels = 1;
        std::uint32_t sampleRate = 0, byteRate = 0;
        std::uint16_t blockAlign = 2, bitsPerSample = 16;
        char data[4] = {'d', 'a', 't', 'a'};
        std::uint32_t dataSize = 0;
    };
    static_assert(sizeof(Header) == 44); // and the test machines are little-endian

    Header header;
    std::vector<std::int16_t> samples;

    static void Write(const std::filesystem::path& path, int sampleRate, const std::vector<float>& samples)
    {
        WavFile wav;
        for (float sample : samples) {
            wav.samples.push_back(static_cast<std::int16_t>(sample * 32767.0f + (sample < 0 ? -0.5f : 0.5f)));
        }
        wav.header.sampleRate = static_cast<std::uint32_t>(sampleRate);
        wav.header.byteRate = wav.header.sampleRate * 2;
        wav.header.dataSize = static_cast<std::uint32_t>(wav.samples.size() * 2);
        wav.header.riffSize += wav.header.dataSize;
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(&wav.header), sizeof wav.header);
        file.write(reinterpret_cast<const char*>(wav.samples.data()), wav.header.dataSize);
    }

    static WavFile Read(const std::filesystem::path& path)
    {
        WavFile wav;
        std::ifstream file(path, std::ios::binary);
        file.read(reinterpret_cast<char*>(&wav.header), sizeof wav.header);
        wav.samples.resize(wav.header.dataSize / 2);
        file.read(reinterpret_cast<char*>(wav.samples.data()), wav.header.dataSize);
        return wav;
    }
};

} // namespace tw::test
