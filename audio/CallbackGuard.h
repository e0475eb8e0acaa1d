#pragma once
// Lets control threads free what the output callback may still be reading.
// The callback brackets each run with enter()/leave() (two atomic increments: odd = inside).
// A control thread first unpublishes an object (atomic pointer swap), then synchronize() returns
// once no callback run that could have loaded the old pointer is still going; after that the
// object may be deleted. Wait-free for the callback; synchronize() sleeps in short steps.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace OrvoAudio {

class CallbackGuard {
public:
    void enter() { m_seq.fetch_add(1, std::memory_order_seq_cst); }
    void leave() { m_seq.fetch_add(1, std::memory_order_seq_cst); }

    // False when a callback run stayed inside for longer than `limit` (the caller then keeps
    // the old object alive rather than risk freeing it under the callback).
    bool synchronize(std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) const {
        const std::uint64_t s = m_seq.load(std::memory_order_seq_cst);
        if ((s & 1u) == 0) {
            return true;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_seq.load(std::memory_order_seq_cst) == s) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    }

private:
    std::atomic<std::uint64_t> m_seq{0};
};

}  // namespace OrvoAudio
