#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tw {

// A tone asked for by the GUI thread, with the moment it was asked for, so
// that the audio thread can start it at the same place in the stream however
// large its blocks are: the level-advance run asks for a 5 ms tone every 5 ms.
struct ToneRequest {
    int frequency = 0;
    int duration = 0;
    std::int64_t requestedNs = 0;
};

// The clock a request's moment is read on, and its streams' times compared with.
inline std::int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Hands tones from one thread to another without locks or allocation: a
// fixed ring written only by the GUI thread and read only by whoever renders.
class ToneQueue {
public:
    static constexpr std::size_t kCapacity = 64;

    // False when the ring is full: the tone is dropped, never the reader waited on.
    bool Push(const ToneRequest& tone)
    {
        const std::size_t tail = writeIndex.load(std::memory_order_relaxed);
        if (tail - readIndex.load(std::memory_order_acquire) == kCapacity) {
            return false;
        }
        ring[tail % kCapacity] = tone;
        writeIndex.store(tail + 1, std::memory_order_release);
        return true;
    }

    // The oldest tone, or null; it stays queued until Pop.
    const ToneRequest* Front() const
    {
        const std::size_t head = readIndex.load(std::memory_order_relaxed);
        return head == writeIndex.load(std::memory_order_acquire) ? nullptr : &ring[head % kCapacity];
    }

    void Pop() { readIndex.store(readIndex.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    bool Empty() const { return Front() == nullptr; }

private:
    std::array<ToneRequest, kCapacity> ring{};
    std::atomic<std::size_t> writeIndex{0};
    std::atomic<std::size_t> readIndex{0};
};

} // namespace tw
