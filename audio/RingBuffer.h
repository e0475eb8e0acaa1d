#pragma once
// Single-producer / single-consumer ring of stereo float frames.
// Threads: write() only from the producer (a stream's decoder thread), read()/skipTo() only from
// the consumer (the output callback); readable() and writeIndex() are also safe elsewhere as a
// snapshot. Wait-free on both sides: no locks, no allocation after construction. Indices count
// frames since construction and never wrap in practice (64 bits).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace OrvoAudio {

class RingBuffer {
public:
    // capacityFrames is rounded up to a power of two.
    explicit RingBuffer(std::size_t capacityFrames) {
        std::size_t cap = 1;
        while (cap < capacityFrames) {
            cap <<= 1;
        }
        m_capacity = cap;
        m_data.assign(cap * 2, 0.0f);
    }

    std::size_t capacity() const { return m_capacity; }

    // Producer side.
    std::size_t writable() const {
        return m_capacity - static_cast<std::size_t>(m_write.load(std::memory_order_relaxed) -
                                                     m_read.load(std::memory_order_acquire));
    }
    std::uint64_t writeIndex() const { return m_write.load(std::memory_order_relaxed); }
    // Writes up to `frames` frames; returns how many fitted.
    std::size_t write(const float* src, std::size_t frames) {
        const std::uint64_t w = m_write.load(std::memory_order_relaxed);
        const std::size_t space = writable();
        const std::size_t n = frames < space ? frames : space;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>((w + i) & (m_capacity - 1)) * 2;
            m_data[at] = src[i * 2];
            m_data[at + 1] = src[i * 2 + 1];
        }
        if (n > 0) {
            m_write.store(w + n, std::memory_order_release);
        }
        return n;
    }

    // Consumer side.
    std::size_t readable() const {
        return static_cast<std::size_t>(m_write.load(std::memory_order_acquire) -
                                        m_read.load(std::memory_order_relaxed));
    }
    std::size_t read(float* dst, std::size_t frames) {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::size_t avail = readable();
        const std::size_t n = frames < avail ? frames : avail;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>((r + i) & (m_capacity - 1)) * 2;
            dst[i * 2] = m_data[at];
            dst[i * 2 + 1] = m_data[at + 1];
        }
        if (n > 0) {
            m_read.store(r + n, std::memory_order_release);
        }
        return n;
    }
    // Drops everything before writeIndex `index` (never moves backwards or past the writer).
    void skipTo(std::uint64_t index) {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::uint64_t w = m_write.load(std::memory_order_acquire);
        if (index > w) {
            index = w;
        }
        if (index > r) {
            m_read.store(index, std::memory_order_release);
        }
    }

private:
    std::size_t m_capacity = 0;
    std::vector<float> m_data;
    // On separate cache lines: each side writes only its own index.
    alignas(64) std::atomic<std::uint64_t> m_write{0};
    alignas(64) std::atomic<std::uint64_t> m_read{0};
};

}  // namespace OrvoAudio
