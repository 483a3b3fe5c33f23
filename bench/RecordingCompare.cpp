// Compares two recordings of the same music, as bench/record-songs.sh makes
// them before and after a change to how the game plays it: their level (RMS)
// and their spectrum in octave bands up to 8 kHz, and whether the two stay
// within 1 dB overall and 2 dB in every band, closer than a listener can tell
// apart. Exits with 1 when they do not.
//
//   recording_compare before.wav after.wav
//   recording_compare --trim SECONDS in.wav out.wav
//
// The second form keeps SECONDS from the first sound (the first sample above
// -60 dBFS) on, so that two recordings started at different moments before
// the music cover the same part of it.
//
// Reads WAV files of 16-bit integer or 32-bit float samples, any rate and
// channel count; writes 16-bit ones. Needs nothing beyond the C++ library:
//   c++ -std=c++20 -O2 bench/RecordingCompare.cpp -o recording_compare
#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Recording {
    int rate = 0;
    int channels = 0;
    std::vector<float> frames;  // interleaved, full scale at ±1

    std::size_t FrameCount() const { return frames.size() / static_cast<std::size_t>(channels); }
};

std::uint32_t Little(const std::string& bytes, std::size_t at, int size)
{
    if (at + static_cast<std::size_t>(size) > bytes.size()) {
        throw std::runtime_error("cut short");
    }
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

Recording ReadWav(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    if (!file || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        throw std::runtime_error(path + ": not a WAV file");
    }
    Recording recording;
    unsigned format = 0, bits = 0;
    for (std::size_t chunk = 12; chunk + 8 <= bytes.size();) {
        const std::string id = bytes.substr(chunk, 4);
        std::size_t size = Little(bytes, chunk + 4, 4);
        const std::size_t body = chunk + 8;
        if (id == "fmt ") {
            format = Little(bytes, body, 2);
            recording.channels = static_cast<int>(Little(bytes, body + 2, 2));
            recording.rate = static_cast<int>(Little(bytes, body + 4, 4));
            bits = Little(bytes, body + 14, 2);
            if (format == 0xFFFE) {  // extensible: the real format opens the sub-format
                format = Little(bytes, body + 24, 2);
            }
        } else if (id == "data") {
            // A recorder stopped before it could write the sizes leaves them
            // at 0 or at the largest value; the samples then run to the end.
            size = std::min(size == 0 ? bytes.size() : size, bytes.size() - body);
            const bool pcm16 = format == 1 && bits == 16, float32 = format == 3 && bits == 32;
            if (!(pcm16 || float32) || recording.channels < 1) {
                throw std::runtime_error(path + ": neither 16-bit nor float samples");
            }
            for (std::size_t at = body; at + bits / 8 <= body + size; at += bits / 8) {
                const std::uint32_t raw = Little(bytes, at, static_cast<int>(bits / 8));
                recording.frames.push_back(pcm16 ? static_cast<float>(static_cast<std::int16_t>(raw)) / 32768.0f
                                                 : std::bit_cast<float>(raw));
            }
            recording.frames.resize(recording.FrameCount() * static_cast<std::size_t>(recording.channels));
            return recording;
        }
        chunk = body + size + size % 2;
    }
    throw std::runtime_error(path + ": no samples");
}

void WriteWav(const std::string& path, const Recording& recording)
{
    std::string bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i, value >>= 8) {
            bytes.push_back(static_cast<char>(value & 0xFF));
        }
    };
    const auto data = static_cast<std::uint32_t>(recording.frames.size() * 2);
    const auto channels = static_cast<std::uint32_t>(recording.channels);
    const auto rate = static_cast<std::uint32_t>(recording.rate);
    bytes += "RIFF";
    put(36 + data, 4);
    bytes += "WAVEfmt ";
    put(16, 4), put(1, 2), put(channels, 2), put(rate, 4), put(rate * channels * 2, 4), put(channels * 2, 2), put(16, 2);
    bytes += "data";
    put(data, 4);
    for (const float sample : recording.frames) {
        const float scaled = std::clamp(std::round(sample * 32768.0f), -32768.0f, 32767.0f);
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled)), 2);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error(path + ": cannot write");
    }
}

double Decibels(double meanSquare) { return 10 * std::log10(std::max(meanSquare, 1e-20)); }

double MeanSquare(const Recording& recording)
{
    double sum = 0;
    for (const float sample : recording.frames) {
        sum += double{sample} * sample;
    }
    return sum / static_cast<double>(std::max<std::size_t>(recording.frames.size(), 1));
}

// In place, radix 2; the size is a power of two.
void Fft(std::vector<std::complex<double>>& x)
{
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const auto step = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(length));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> turn = 1;
            for (std::size_t k = 0; k < length / 2; ++k, turn *= step) {
                const auto even = x[start + k], odd = x[start + k + length / 2] * turn;
                x[start + k] = even + odd;
                x[start + k + length / 2] = even - odd;
            }
        }
    }
}

constexpr std::size_t kSegment = 8192;

// Welch's estimate: Hann-windowed segments overlapping by half, averaged over
// segments and channels. Bin k holds its share of the mean square, so the
// bins sum to the recording's mean square.
std::vector<double> Spectrum(const Recording& recording)
{
    std::vector<double> window(kSegment), power(kSegment / 2 + 1);
    double windowPower = 0;
    for (std::size_t n = 0; n < kSegment; ++n) {
        window[n] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(n) / kSegment);
        windowPower += window[n] * window[n];
    }
    const auto channels = static_cast<std::size_t>(recording.channels);
    std::vector<std::complex<double>> segment(kSegment);
    std::size_t segments = 0;
    for (std::size_t channel = 0; channel < channels; ++channel) {
        for (std::size_t start = 0; start + kSegment <= recording.FrameCount(); start += kSegment / 2, ++segments) {
            for (std::size_t n = 0; n < kSegment; ++n) {
                segment[n] = recording.frames[(start + n) * channels + channel] * window[n];
            }
            Fft(segment);
            for (std::size_t k = 0; k < power.size(); ++k) {
                power[k] += std::norm(segment[k]) * (k == 0 || k == kSegment / 2 ? 1 : 2);
            }
        }
    }
    for (double& bin : power) {
        bin /= static_cast<double>(std::max<std::size_t>(segments, 1)) * kSegment * windowPower;
    }
    return power;
}

constexpr double kBandCentres[] = {31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000};

double BandMeanSquare(const std::vector<double>& spectrum, int rate, double centre)
{
    double sum = 0;
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const double frequency = static_cast<double>(k) * rate / kSegment;
        if (frequency >= centre / std::numbers::sqrt2 && frequency < centre * std::numbers::sqrt2) {
            sum += spectrum[k];
        }
    }
    return sum;
}

std::string BandName(double centre)
{
    char name[16];
    std::snprintf(name, sizeof name, centre < 1000 ? "%g Hz" : "%g kHz", centre < 1000 ? centre : centre / 1000);
    return name;
}

int Compare(const std::string& pathA, const std::string& pathB)
{
    const Recording a = ReadWav(pathA), b = ReadWav(pathB);
    constexpr double kLevelLimit = 1, kBandLimit = 2;
    // Both below this in a band is silence there, in any build: 16-bit
    // rounding alone leaves about this much.
    constexpr double kSilent = -90;
    std::printf("a: %s (%.1f s)\nb: %s (%.1f s)\n", pathA.c_str(), static_cast<double>(a.FrameCount()) / a.rate,
                pathB.c_str(), static_cast<double>(b.FrameCount()) / b.rate);
    std::printf("%-14s %9s %9s %7s\n", "dBFS", "a", "b", "b - a");
    std::string failed;
    const auto row = [&](const std::string& name, double levelA, double levelB, double limit) {
        const double change = levelB - levelA;
        const bool silent = levelA < kSilent && levelB < kSilent;
        std::printf("%-14s %9.2f %9.2f %+7.2f%s\n", name.c_str(), levelA, levelB, change, silent ? "  (silent)" : "");
        if (!silent && std::abs(change) > limit) {
            char what[64];
            std::snprintf(what, sizeof what, "%s%s %+.2f dB", failed.empty() ? "" : ", ", name.c_str(), change);
            failed += what;
        }
    };
    row("level (RMS)", Decibels(MeanSquare(a)), Decibels(MeanSquare(b)), kLevelLimit);
    const auto spectrumA = Spectrum(a), spectrumB = Spectrum(b);
    for (const double centre : kBandCentres) {
        row(BandName(centre), Decibels(BandMeanSquare(spectrumA, a.rate, centre)),
            Decibels(BandMeanSquare(spectrumB, b.rate, centre)), kBandLimit);
    }
    if (failed.empty()) {
        std::printf("same: within %g dB in level and %g dB in every band\n", kLevelLimit, kBandLimit);
        return 0;
    }
    std::printf("DIFFERENT (limits %g dB in level, %g dB per band): %s\n", kLevelLimit, kBandLimit, failed.c_str());
    return 1;
}

int Trim(double seconds, const std::string& in, const std::string& out)
{
    Recording recording = ReadWav(in);
    const float threshold = std::pow(10.0f, -60.0f / 20);
    const auto first = std::ranges::find_if(recording.frames, [threshold](float s) { return std::abs(s) > threshold; });
    const auto channels = static_cast<std::size_t>(recording.channels);
    const std::size_t start = static_cast<std::size_t>(first - recording.frames.begin()) / channels;
    const auto keep = static_cast<std::size_t>(seconds * recording.rate);
    if (start + keep > recording.FrameCount()) {
        std::fprintf(stderr, "%s: only %.1f s from the first sound on, not %g\n", in.c_str(),
                     static_cast<double>(recording.FrameCount() - std::min(start, recording.FrameCount())) /
                         recording.rate,
                     seconds);
        return 2;
    }
    recording.frames.erase(recording.frames.begin() + static_cast<std::ptrdiff_t>((start + keep) * channels),
                           recording.frames.end());
    recording.frames.erase(recording.frames.begin(), recording.frames.begin() + static_cast<std::ptrdiff_t>(start * channels));
    WriteWav(out, recording);
    std::printf("%s: first sound at %.3f s\n", in.c_str(), static_cast<double>(start) / recording.rate);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 5 && std::string(argv[1]) == "--trim") {
            return Trim(std::stod(argv[2]), argv[3], argv[4]);
        }
        if (argc == 3) {
            return Compare(argv[1], argv[2]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recording_compare: %s\n", error.what());
        return 2;
    }
    std::fprintf(stderr, "usage: recording_compare a.wav b.wav\n       recording_compare --trim SECONDS in.wav out.wav\n");
    return 2;
}
