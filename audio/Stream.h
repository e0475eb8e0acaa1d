#pragma once
// One opened file: its decoder, the decoder thread, the ring buffer to the output callback, its
// equaliser effects, volume and the position actually heard.
// Threads:
//   - control threads (the API, serialised by the engine's lock for everything but reads of
//     atomics): play/stop/seek/volume/effects, start and end of the decoder thread;
//   - the decoder thread (decodeLoop): the only producer of the ring buffer, the only user of
//     the Decoder after start;
//   - the output callback (mix): the only consumer of the ring buffer and owner of the filter
//     and ramp state. It never locks, allocates, logs or blocks.
// A seek is a request numbered by a serial: the decoder repositions and publishes where in the
// ring the new data starts; the callback drops everything before that point and takes over the
// new position. Audio between the request and the switch is not played.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/Decoder.h"
#include "audio/OrvoAudio.h"
#include "audio/PeakingEq.h"
#include "audio/Reaper.h"
#include "audio/RingBuffer.h"

namespace OrvoAudio {

class Stream {
public:
    static constexpr std::size_t kMaxFx = 64;

    // Replaced effect chains and removed effects go to `reaper`.
    Stream(std::unique_ptr<Decoder> decoder, std::string path, Reaper& reaper);
    // The stream must no longer be visible to the callback. Joins the decoder thread: the engine
    // leaves that to its reaper (see requestQuit()).
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    const std::string& path() const { return m_path; }
    // Control side, under the engine's lock (which also covers the decoder thread's start).
    std::unique_ptr<FileReader> sourceReader() const;
    int rate() const { return m_rate; }
    // The container's length until the data proves it wrong: it grows while decoding passes it
    // (estimated lengths) and becomes what was decoded at the end (headers that promise more).
    std::int64_t lengthFrames() const { return m_lengthFrames.load(std::memory_order_acquire); }

    // Control side. pollMicros: how long the decoder sleeps when the ring is full.
    bool startDecoder(int pollMicros);
    // Tells the decoder thread to end (it stops reading soon, even within a long seek) and
    // says whether it has, waiting at most until `deadline`.
    void requestQuit();
    bool waitDecoderEnded(std::chrono::steady_clock::time_point deadline);
    void setPlaying(bool playing);
    Activity activity() const;
    std::int64_t positionFrames() const;
    // What the listener has heard when the output still holds latencyFrames of rendered audio:
    // never before the position this stream last started from (0 or a seek target).
    std::int64_t heardFrames(std::int64_t latencyFrames) const;
    bool seek(std::int64_t frame);
    void setVolume(float volume);
    float volume() const { return m_volume.load(std::memory_order_relaxed); }

    // Effects, in order of creation. Caller holds the engine's lock.
    bool addFx(std::uint32_t handle);
    bool removeFx(std::uint32_t handle);
    PeakingEq* fx(std::uint32_t handle);

    // Callback side: adds up to `frames` frames to out (interleaved stereo) and returns how many
    // frames this stream contributed (a prefix of the block).
    std::size_t mix(float* out, std::size_t frames);

private:
    struct FxChain {
        std::size_t count = 0;
        std::array<PeakingEq*, kMaxFx> items{};
    };
    struct SwitchInfo {
        std::uint64_t serial;
        std::uint64_t writeIndex;
        std::int64_t position;
    };

    void decodeLoop();
    // Decoder thread: corrects the length by what was decoded; `ended` when the data ended.
    void correctLength(bool ended, std::int64_t startFrame);
    void wakeDecoder();
    // Sleeps until woken (seek, play, the end) after the decoder read `wakeGen`, or until
    // `timeout` passes.
    void sleepDecoder(std::uint64_t wakeGen, std::chrono::microseconds timeout);
    // Publishes the current effects to the callback; returns the chain it replaced, which the
    // callback may still be reading (for the reaper).
    [[nodiscard]] FxChain* publishChain();
    void publishSwitch(const SwitchInfo& info);
    bool readSwitch(SwitchInfo& info) const;

    std::unique_ptr<Decoder> m_decoder;
    const std::string m_path;
    Reaper& m_reaper;
    const int m_rate;
    std::atomic<std::int64_t> m_lengthFrames;  // written by the decoder thread
    // Made by startDecoder(): a stream opened only to read its tags or length stays small.
    std::unique_ptr<RingBuffer> m_ring;

    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    int m_pollMicros = 10000;  // shortest sleep; 10 ms at real time, less when sped up
    std::mutex m_wakeMutex;    // only for m_wake; never taken by the callback
    std::condition_variable m_wake;
    std::atomic<std::uint64_t> m_wakeGen{0};  // counts wake-ups
    bool m_decoderEnded = false;              // under m_wakeMutex, announced through m_wake

    std::atomic<bool> m_playing{false};
    std::atomic<float> m_volume{1.0f};

    std::mutex m_seekMutex;  // orders concurrent seeks; never taken by the callback
    std::atomic<std::uint64_t> m_seekSerial{0};
    std::atomic<std::int64_t> m_seekTarget{0};

    // Published by the decoder thread under a sequence lock.
    std::atomic<std::uint32_t> m_switchSeq{0};
    std::atomic<std::uint64_t> m_switchSerial{0};
    std::atomic<std::uint64_t> m_switchWriteIndex{0};
    std::atomic<std::int64_t> m_switchPosition{0};
    static constexpr std::uint64_t kNoSerial = ~std::uint64_t{0};
    std::atomic<std::uint64_t> m_eofSerial{kNoSerial};

    // Written by the callback, read by control threads.
    std::atomic<std::uint64_t> m_consumerSerial{0};
    std::atomic<std::uint64_t> m_endedSerial{kNoSerial};
    std::atomic<std::int64_t> m_position{0};
    std::atomic<bool> m_underrun{false};

    // Callback-only.
    std::vector<float> m_scratch;
    float m_currentVolume = 1.0f;
    bool m_volumeStarted = false;
    float m_rampStep = 0.0f;

    // Effects: owned here, published to the callback as an immutable chain.
    std::vector<std::pair<std::uint32_t, std::unique_ptr<PeakingEq>>> m_fx;
    std::atomic<FxChain*> m_chain{nullptr};
};

}  // namespace OrvoAudio
