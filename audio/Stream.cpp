#include "audio/Stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>

namespace OrvoAudio {

namespace {
// About 0.75 s at 44.1 kHz: enough to ride out scheduling hiccups, small enough per stream.
constexpr std::size_t kRingFrames = 32768;
// Frames processed per step in the callback (bounds the scratch buffer).
constexpr std::size_t kChunkFrames = 256;
// A volume change reaches its target within this time (a linear ramp: no clicks).
constexpr double kRampSeconds = 0.005;
}  // namespace

Stream::Stream(std::unique_ptr<Decoder> decoder, std::string path, Reaper& reaper)
    : m_decoder(std::move(decoder)),
      m_path(std::move(path)),
      m_reaper(reaper),
      m_rate(m_decoder->outRate()),
      m_lengthFrames(m_decoder->lengthFrames()),
      m_scratch(kChunkFrames * 2, 0.0f),
      m_rampStep(static_cast<float>(1.0 / (kRampSeconds * m_rate))) {
    m_chain.store(new FxChain(), std::memory_order_release);
    m_decoder->setInterrupt(&m_quit);
}

Stream::~Stream() {
    requestQuit();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    delete m_chain.load(std::memory_order_acquire);
}

std::unique_ptr<FileReader> Stream::sourceReader() const {
    const FileReader& source = m_decoder->source();
    if (!source.wholeFile()) {
        return nullptr;
    }
    // Until its thread starts nothing reads through the decoder: its blocks can be copied.
    return source.duplicate(!m_thread.joinable());
}

bool Stream::startDecoder(int pollMicros) {
    if (m_thread.joinable()) {
        return true;
    }
    m_pollMicros = std::max(pollMicros, 50);
    try {
        m_ring = std::make_unique<RingBuffer>(kRingFrames);
        m_thread = std::thread([this] { decodeLoop(); });
    } catch (const std::exception&) {
        m_ring.reset();
        return false;
    }
    return true;
}

void Stream::requestQuit() {
    m_quit.store(true, std::memory_order_release);
    wakeDecoder();
}

bool Stream::waitDecoderEnded(std::chrono::steady_clock::time_point deadline) {
    if (!m_thread.joinable()) {
        return true;
    }
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    return m_wake.wait_until(lock, deadline, [this] { return m_decoderEnded; });
}

Activity Stream::activity() const {
    if (!m_playing.load(std::memory_order_acquire)) {
        return Activity::Stopped;
    }
    if (m_endedSerial.load(std::memory_order_acquire) ==
        m_seekSerial.load(std::memory_order_acquire)) {
        return Activity::Stopped;
    }
    if (!m_underrun.load(std::memory_order_relaxed)) {
        return Activity::Playing;
    }
    // The last block ran short. If the decoder has refilled the ring since (typically right
    // after play or a seek), the stream only waits for the output's next call: not a stall.
    return m_ring && m_ring->readable() > 0 ? Activity::Playing : Activity::Stalled;
}

std::int64_t Stream::positionFrames() const {
    const std::uint64_t want = m_seekSerial.load(std::memory_order_acquire);
    if (want != m_consumerSerial.load(std::memory_order_acquire)) {
        return m_seekTarget.load(std::memory_order_relaxed);  // the seek not yet heard
    }
    return m_position.load(std::memory_order_acquire);
}

std::int64_t Stream::heardFrames(std::int64_t latencyFrames) const {
    if (m_seekSerial.load(std::memory_order_acquire) !=
        m_consumerSerial.load(std::memory_order_acquire)) {
        return positionFrames();  // a seek not yet heard reads as its target
    }
    const std::int64_t rendered = m_position.load(std::memory_order_acquire);
    SwitchInfo last{};
    const std::int64_t base = readSwitch(last) ? last.position : 0;
    return std::max(std::min(base, rendered), rendered - latencyFrames);
}

bool Stream::seek(std::int64_t frame) {
    const std::int64_t length = lengthFrames();
    if (frame < 0 || (length > 0 && frame > length)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_seekMutex);
    m_seekTarget.store(frame, std::memory_order_relaxed);
    m_seekSerial.fetch_add(1, std::memory_order_acq_rel);
    wakeDecoder();
    return true;
}

void Stream::setPlaying(bool playing) {
    const bool was = m_playing.exchange(playing, std::memory_order_acq_rel);
    if (playing && !was) {
        wakeDecoder();  // it may sleep on a ring of audio that the callback is about to drop
    }
}

void Stream::wakeDecoder() {
    // Under the mutex: the decoder cannot miss the change between its check and its wait.
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_wakeGen.fetch_add(1, std::memory_order_acq_rel);
    }
    m_wake.notify_all();
}

void Stream::sleepDecoder(std::uint64_t wakeGen, std::chrono::microseconds timeout) {
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    m_wake.wait_for(lock, timeout,
                    [&] { return m_wakeGen.load(std::memory_order_acquire) != wakeGen; });
}

void Stream::setVolume(float volume) {
    if (!std::isfinite(volume)) {
        return;
    }
    m_volume.store(std::clamp(volume, 0.0f, 1.0f), std::memory_order_relaxed);
}

bool Stream::addFx(std::uint32_t handle) {
    if (m_fx.size() >= kMaxFx) {
        return false;
    }
    m_fx.emplace_back(handle, std::make_unique<PeakingEq>(m_rate));
    FxChain* old = publishChain();
    m_reaper.retire([old] { delete old; });
    return true;
}

bool Stream::removeFx(std::uint32_t handle) {
    auto it = std::find_if(m_fx.begin(), m_fx.end(),
                           [handle](const auto& entry) { return entry.first == handle; });
    if (it == m_fx.end()) {
        return false;
    }
    PeakingEq* removed = it->second.release();
    m_fx.erase(it);
    FxChain* old = publishChain();
    m_reaper.retire([old, removed] {
        delete old;
        delete removed;
    });
    return true;
}

PeakingEq* Stream::fx(std::uint32_t handle) {
    for (auto& entry : m_fx) {
        if (entry.first == handle) {
            return entry.second.get();
        }
    }
    return nullptr;
}

Stream::FxChain* Stream::publishChain() {
    auto* chain = new FxChain();
    for (const auto& entry : m_fx) {
        chain->items[chain->count++] = entry.second.get();
    }
    return m_chain.exchange(chain, std::memory_order_seq_cst);
}

void Stream::publishSwitch(const SwitchInfo& info) {
    const std::uint32_t s = m_switchSeq.load(std::memory_order_relaxed);
    m_switchSeq.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_switchSerial.store(info.serial, std::memory_order_relaxed);
    m_switchWriteIndex.store(info.writeIndex, std::memory_order_relaxed);
    m_switchPosition.store(info.position, std::memory_order_relaxed);
    m_switchSeq.store(s + 2, std::memory_order_release);
}

bool Stream::readSwitch(SwitchInfo& info) const {
    const std::uint32_t s1 = m_switchSeq.load(std::memory_order_acquire);
    if (s1 & 1u) {
        return false;
    }
    info.serial = m_switchSerial.load(std::memory_order_relaxed);
    info.writeIndex = m_switchWriteIndex.load(std::memory_order_relaxed);
    info.position = m_switchPosition.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return m_switchSeq.load(std::memory_order_relaxed) == s1;
}

void Stream::decodeLoop() {
    std::vector<float> pending;
    std::size_t pendingAt = 0;  // frames of `pending` already written
    std::uint64_t serial = 0;
    std::uint64_t switchIndex = 0;  // where in the ring the data of `serial` starts
    std::int64_t startFrame = 0;    // where the data of `serial` starts in the file
    bool eof = false;
    const auto poll = std::chrono::microseconds(m_pollMicros);
    // m_pollMicros is 10 ms scaled by the output's speed; the same scale applies to audio time.
    const double microsPerFrame = 1e6 / m_rate * (m_pollMicros / 10000.0);
    while (!m_quit.load(std::memory_order_acquire)) {
        // Read first: a wake-up after this point ends the sleep below.
        const std::uint64_t wakeGen = m_wakeGen.load(std::memory_order_acquire);
        const std::uint64_t want = m_seekSerial.load(std::memory_order_acquire);
        if (want != serial) {
            const std::int64_t target = m_seekTarget.load(std::memory_order_relaxed);
            eof = !m_decoder->seek(target);
            startFrame = target;
            pending.clear();
            pendingAt = 0;
            serial = want;
            switchIndex = m_ring->writeIndex();
            publishSwitch(SwitchInfo{serial, switchIndex, target});
            if (eof) {
                m_eofSerial.store(serial, std::memory_order_release);
            }
            continue;
        }
        if (eof) {
            sleepDecoder(wakeGen, std::chrono::seconds(1));  // until a seek (or the end)
            continue;
        }
        if (pendingAt * 2 >= pending.size()) {
            pending.clear();
            pendingAt = 0;
            eof = !m_decoder->decode(pending);
            correctLength(eof, startFrame);
            if (eof) {
                m_eofSerial.store(serial, std::memory_order_release);
                continue;
            }
        }
        const std::size_t frames = pending.size() / 2 - pendingAt;
        const std::size_t written = m_ring->write(pending.data() + pendingAt * 2, frames);
        pendingAt += written;
        if (written < frames) {
            // Full: sleep until about half of it has been played (few wake-ups per second).
            // Only what follows the last switch will be played: after a seek the ring is
            // full of old audio that the callback drops at once, so while playing the
            // decoder comes back within a poll to refill it. While stopped nothing is
            // dropped or played, and play() wakes the decoder.
            const std::size_t full = m_ring->capacity() - m_ring->writable();
            const std::uint64_t live = m_ring->writeIndex() - switchIndex;
            const std::size_t queued =
                m_playing.load(std::memory_order_acquire)
                    ? static_cast<std::size_t>(std::min<std::uint64_t>(full, live))
                    : full;
            const std::size_t half = m_ring->capacity() / 2;
            const auto untilHalf = std::chrono::microseconds(
                static_cast<std::int64_t>(queued > half ? (queued - half) * microsPerFrame : 0.0));
            sleepDecoder(wakeGen, std::max(poll, untilHalf));
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_decoderEnded = true;
    }
    m_wake.notify_all();
}

void Stream::correctLength(bool ended, std::int64_t startFrame) {
    const std::int64_t length = m_lengthFrames.load(std::memory_order_relaxed);
    const std::int64_t decoded = m_decoder->decodedFrames();
    if (ended) {
        // A seek past the real end decodes nothing: the end is then where playing resumed.
        m_lengthFrames.store(std::max(decoded, startFrame), std::memory_order_release);
    } else if (length > 0 && decoded > length) {
        // Ahead of what is heard, so the position never passes the length. An unknown length
        // (0) stays unknown until the end.
        m_lengthFrames.store(decoded, std::memory_order_release);
    }
}

std::size_t Stream::mix(float* out, std::size_t frames) {
    if (!m_playing.load(std::memory_order_acquire)) {
        m_underrun.store(false, std::memory_order_relaxed);
        return 0;
    }
    std::uint64_t serial = m_consumerSerial.load(std::memory_order_relaxed);
    const std::uint64_t want = m_seekSerial.load(std::memory_order_acquire);
    if (want != serial) {
        SwitchInfo info{};
        if (!readSwitch(info) || info.serial != want) {
            return 0;  // the decoder has not repositioned yet
        }
        m_ring->skipTo(info.writeIndex);
        m_position.store(info.position, std::memory_order_release);
        serial = want;
        m_consumerSerial.store(serial, std::memory_order_release);
    }
    if (m_endedSerial.load(std::memory_order_relaxed) == serial) {
        return 0;
    }
    if (!m_volumeStarted) {
        m_currentVolume = m_volume.load(std::memory_order_relaxed);
        m_volumeStarted = true;
    }
    const float target = m_volume.load(std::memory_order_relaxed);
    const FxChain* chain = m_chain.load(std::memory_order_seq_cst);
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t chunk = std::min(kChunkFrames, frames - done);
        const std::size_t got = m_ring->read(m_scratch.data(), chunk);
        if (got == 0) {
            break;
        }
        for (std::size_t i = 0; i < chain->count; ++i) {
            chain->items[i]->process(m_scratch.data(), got);
        }
        float* dst = out + done * 2;
        if (m_currentVolume == target) {
            const float v = target;
            for (std::size_t i = 0; i < got * 2; ++i) {
                dst[i] += m_scratch[i] * v;
            }
        } else {
            for (std::size_t i = 0; i < got; ++i) {
                const float diff = target - m_currentVolume;
                m_currentVolume = std::abs(diff) <= m_rampStep
                                      ? target
                                      : m_currentVolume + (diff > 0 ? m_rampStep : -m_rampStep);
                dst[i * 2] += m_scratch[i * 2] * m_currentVolume;
                dst[i * 2 + 1] += m_scratch[i * 2 + 1] * m_currentVolume;
            }
        }
        done += got;
        if (got < chunk) {
            break;
        }
    }
    m_position.store(m_position.load(std::memory_order_relaxed) + static_cast<std::int64_t>(done),
                     std::memory_order_release);
    if (done < frames) {
        // Ended only when the decoder has finished this serial and all of it was played.
        if (m_eofSerial.load(std::memory_order_acquire) == serial && m_ring->readable() == 0) {
            m_endedSerial.store(serial, std::memory_order_release);
            m_underrun.store(false, std::memory_order_relaxed);
        } else {
            m_underrun.store(true, std::memory_order_relaxed);
        }
    } else {
        m_underrun.store(false, std::memory_order_relaxed);
    }
    return done;
}

}  // namespace OrvoAudio
