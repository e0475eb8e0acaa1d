// The lock-free ring between a decoder thread and the output callback.
#include "audio/RingBuffer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using OrvoAudio::RingBuffer;

namespace {

// skipTo (an absolute frame) never moves back or past the writer.
TEST(RingBuffer, SkipsOnlyForward) {
    RingBuffer ring(8);
    const std::vector<float> in(12, 1.0f);
    EXPECT_EQ(ring.write(in.data(), 6), 6u);
    ring.skipTo(4);
    EXPECT_EQ(ring.readable(), 2u);
    ring.skipTo(2);
    EXPECT_EQ(ring.readable(), 2u);
    ring.skipTo(100);
    EXPECT_EQ(ring.readable(), 0u);
    EXPECT_EQ(ring.writable(), 8u);
}

TEST(RingBuffer, ProducerAndConsumerThreadsSeeEveryFrameInOrder) {
    RingBuffer ring(60);  // rounded up to 64
    constexpr std::size_t kFrames = 50000;
    // Frame i is (i, -i); 37 frames in and 29 out at a time meet every wrap position, and a
    // full ring takes only what fits.
    std::thread producer([&] {
        std::vector<float> all(2 * kFrames);
        for (std::size_t i = 0; i < kFrames; ++i)
            all[2 * i] = -(all[2 * i + 1] = -static_cast<float>(i));
        for (std::size_t done = 0; done < kFrames;) {
            const std::size_t n =
                ring.write(all.data() + 2 * done, std::min<std::size_t>(37, kFrames - done));
            done += n;
            if (n == 0) std::this_thread::yield();  // both may share one core
        }
    });
    std::vector<float> buf(2 * 29);
    bool ordered = true;
    for (std::size_t expected = 0; expected < kFrames;) {
        const std::size_t got = ring.read(buf.data(), 29);
        if (got == 0) std::this_thread::yield();
        for (std::size_t i = 0; i < got; ++i, ++expected) {
            ordered &= buf[i * 2] == static_cast<float>(expected) &&
                       buf[i * 2 + 1] == -static_cast<float>(expected);
        }
    }
    producer.join();
    EXPECT_TRUE(ordered);
}

}  // namespace
