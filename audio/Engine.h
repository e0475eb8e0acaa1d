#pragma once
// The engine behind the handle interface: the handle tables, the output and the mixing callback.
// Threads: every public method may be called from any thread; they serialise on m_mutex (the only
// lock; Stream::m_seekMutex is taken inside it, never the other way round), and none waits under
// it for a decoder thread or for the callback. render() runs on the output's thread, takes no
// lock and reads the set of playing streams from an immutable snapshot published through an
// atomic pointer. Replaced snapshots, freed streams (their decoder threads) and replaced effect
// chains go to m_reaper, which frees them once the callback can no longer see them, on a thread
// of its own when that or a decoder's end takes a while. free() stops the output under m_mutex,
// so at most one output (one callback) ever runs.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio/CallbackGuard.h"
#include "audio/FileReader.h"
#include "audio/OrvoAudio.h"
#include "audio/Output.h"
#include "audio/Reaper.h"
#include "audio/Stream.h"

namespace OrvoAudio {

class Engine {
public:
    static Engine& instance();
    ~Engine();

    bool init(int device, int rate);
    void free();
    OutputKind outputKind();
    int outputRate();

    Handle createStream(const std::string& path, std::uint64_t offset, std::uint64_t length);
    bool freeStream(Handle stream);
    bool play(Handle stream, bool restart);
    bool stop(Handle stream);
    Activity activity(Handle stream);
    std::int64_t lengthBytes(Handle stream);
    std::int64_t positionBytes(Handle stream);
    bool setPositionBytes(Handle stream, std::int64_t bytes);
    double bytesToSeconds(Handle stream, std::int64_t bytes);
    std::int64_t secondsToBytes(Handle stream, double seconds);
    bool setVolume(Handle stream, float volume);
    float volume(Handle stream);
    Handle addFx(Handle stream);
    bool removeFx(Handle stream, Handle fx);
    bool setFxParameters(Handle fx, const ParamEq& params);
    bool fxParameters(Handle fx, ParamEq* params);
    std::string sourcePath(Handle stream);
    std::unique_ptr<FileReader> sourceReader(Handle stream);

private:
    struct Snapshot {
        std::vector<Stream*> streams;
    };

    Engine();
    static std::size_t renderThunk(void* context, float* out, std::size_t frames);
    std::size_t render(float* out, std::size_t frames);

    std::shared_ptr<Stream> findLocked(Handle stream) const;
    Handle nextHandleLocked();
    // Publishes the attached streams to the callback; returns the snapshot it replaced, which
    // the callback may still be reading (for the reaper).
    [[nodiscard]] Snapshot* publishLocked();

    mutable std::mutex m_mutex;
    std::unordered_map<Handle, std::shared_ptr<Stream>> m_streams;
    std::unordered_map<Handle, Handle> m_fxOwner;  // effect -> stream
    std::vector<Handle> m_attached;  // streams the callback mixes, in order of first play
    Handle m_lastHandle = 0;

    std::unique_ptr<Output> m_output;
    int m_rate = 0;
    OutputKind m_kind = OutputKind::None;
    std::int64_t m_latencyFrames = 0;  // of the output, subtracted from positions
    int m_pollMicros = 10000;

    CallbackGuard m_guard;
    Reaper m_reaper{m_guard};  // after m_guard: ends before it
    std::atomic<Snapshot*> m_snapshot{nullptr};
};

}  // namespace OrvoAudio
