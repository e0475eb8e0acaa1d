#include "audio/Reaper.h"

#include <system_error>
#include <thread>

#include "audio/Stream.h"

namespace OrvoAudio {

namespace {
// What the caller may spend before the work moves to its own thread: a callback run lasts well
// under this, and a decoder told to stop ends within one packet.
constexpr auto kInlineGuardWait = std::chrono::milliseconds(2);
constexpr auto kInlineDecoderWait = std::chrono::milliseconds(10);
// At exit: how long to let retirements still going finish cleanly.
constexpr auto kExitWait = std::chrono::milliseconds(1000);
}  // namespace

Reaper::Reaper(CallbackGuard& guard) : m_guard(guard) {}

Reaper::~Reaper() {
    Shared& shared = *m_shared;
    std::unique_lock<std::mutex> lock(shared.mutex);
    // Bounded: each such thread gives up on the guard after CallbackGuard's own limit.
    shared.changed.wait(lock, [&] { return shared.usingGuard == 0; });
    shared.changed.wait_for(lock, kExitWait, [&] { return shared.pending == 0; });
}

void Reaper::retire(std::function<void()> release, std::vector<std::shared_ptr<Stream>> streams) {
    for (const auto& stream : streams) {
        stream->setPlaying(false);
        stream->requestQuit();
    }
    if (m_guard.synchronize(kInlineGuardWait)) {
        const auto deadline = std::chrono::steady_clock::now() + kInlineDecoderWait;
        bool ended = true;
        for (const auto& stream : streams) {
            ended = ended && stream->waitDecoderEnded(deadline);
        }
        if (ended) {
            if (release) {
                release();
            }
            streams.clear();
            return;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        ++m_shared->pending;
        ++m_shared->usingGuard;
    }
    // Held apart from the thread's function: should the thread not start, nothing is lost.
    auto job = std::make_shared<Job>(Job{std::move(release), std::move(streams)});
    try {
        std::thread([&guard = m_guard, shared = m_shared, job] {
            finish(guard, *shared, *job);
        }).detach();
    } catch (const std::system_error&) {
        finish(m_guard, *m_shared, *job);  // no thread to spare: wait here, never free too early
    }
}

void Reaper::finish(CallbackGuard& guard, Shared& shared, Job& job) {
    const bool passed = guard.synchronize();
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        --shared.usingGuard;
    }
    shared.changed.notify_all();
    if (passed) {
        if (job.release) {
            job.release();
        }
        job.streams.clear();  // joins the decoder threads, however long they take
    } else {
        for (auto& stream : job.streams) {
            (void)new std::shared_ptr<Stream>(std::move(stream));
        }
    }
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        --shared.pending;
    }
    shared.changed.notify_all();
}

int Reaper::pending() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->pending;
}

bool Reaper::waitIdle(std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, limit, [&] { return m_shared->pending == 0; });
}

}  // namespace OrvoAudio
