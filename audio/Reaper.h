#pragma once
// Frees what the output callback may still be reading and streams whose decoder threads may still
// run, without making the caller wait for either: a callback run that hangs, or a decoder stuck
// in a read (a network file system) or deep in a long seek, must not hold up the interface.
// Threads: retire() from any control thread, also under the engine's lock (it never blocks for
// long). Work that cannot be done at once runs on a detached thread of its own; the destructor
// waits until no such thread still uses the guard, so none touches it after the engine is gone.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/CallbackGuard.h"

namespace OrvoAudio {

class Stream;

class Reaper {
public:
    explicit Reaper(CallbackGuard& guard);
    ~Reaper();
    Reaper(const Reaper&) = delete;
    Reaper& operator=(const Reaper&) = delete;

    // `release` frees objects already unpublished from the callback; `streams` (no longer
    // visible to it either) are told to stop and are destroyed, their decoder threads joined.
    // Both happen once no callback run that could still see them is going, and right here when
    // that and the decoders' ends take no real waiting. A callback that never leaves keeps
    // everything alive for good: leaked rather than freed under it.
    void retire(std::function<void()> release, std::vector<std::shared_ptr<Stream>> streams = {});

    // Retirements still going on threads of their own.
    int pending() const;
    // True once none is pending; waits at most `limit`.
    bool waitIdle(std::chrono::milliseconds limit) const;

private:
    struct Shared {
        mutable std::mutex mutex;
        mutable std::condition_variable changed;
        int pending = 0;
        int usingGuard = 0;
    };
    struct Job {
        std::function<void()> release;
        std::vector<std::shared_ptr<Stream>> streams;
    };
    static void finish(CallbackGuard& guard, Shared& shared, Job& job);

    CallbackGuard& m_guard;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

}  // namespace OrvoAudio
