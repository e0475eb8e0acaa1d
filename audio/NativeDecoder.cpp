#include "audio/NativeDecoder.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "audio/AudioLog.h"

namespace OrvoAudio {

namespace {
// Consecutive failed reads before the data is treated as ended.
constexpr int kMaxReadErrors = 64;
}  // namespace

NativeDecoder::~NativeDecoder() {
    if (m_soxr != nullptr) {
        soxr_delete(m_soxr);
    }
}

bool NativeDecoder::setSource(const char* codec, int rate, int channels,
                              std::int64_t lengthFrames) {
    if (rate <= 0 || channels < 1 || channels > 2) {
        return false;
    }
    m_source = SourceFormat{codec, rate, channels};
    m_sourceLength = lengthFrames > 0 ? lengthFrames : 0;
    if (m_sourceLength > 0) {
        setLengthSeconds(static_cast<double>(m_sourceLength) / rate);
    }
    if (rate == outRate()) {
        return true;
    }
    soxr_error_t err = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    m_soxr =
        soxr_create(rate, outRate(), static_cast<unsigned>(channels), &err, &io, &quality, nullptr);
    if (err != nullptr || m_soxr == nullptr) {
        logMessage(std::string("resampler: ") + (err != nullptr ? err : "failed"));
        return false;
    }
    return true;
}

bool NativeDecoder::convert(const float* in, std::size_t frames, std::vector<float>& out) {
    const int channels = m_source.channels;
    if (m_soxr == nullptr) {
        deliver(in, static_cast<std::int64_t>(frames), channels, out);
        return true;
    }
    const double ratio = static_cast<double>(outRate()) / m_source.rate;
    while (frames > 0) {
        const std::size_t room = static_cast<std::size_t>(std::ceil(frames * ratio)) + 64;
        m_resampled.resize(room * static_cast<std::size_t>(channels));
        std::size_t used = 0;
        std::size_t made = 0;
        if (soxr_process(m_soxr, in, frames, &used, m_resampled.data(), room, &made) != nullptr) {
            return false;
        }
        deliver(m_resampled.data(), static_cast<std::int64_t>(made), channels, out);
        if (used == 0 && made == 0) {
            break;
        }
        in += used * static_cast<std::size_t>(channels);
        frames -= used;
    }
    return true;
}

void NativeDecoder::flushResampler(std::vector<float>& out) {
    if (m_soxr == nullptr) {
        return;
    }
    const std::size_t room = 4096;
    m_resampled.resize(room * static_cast<std::size_t>(m_source.channels));
    for (;;) {
        std::size_t made = 0;
        if (soxr_process(m_soxr, nullptr, 0, nullptr, m_resampled.data(), room, &made) != nullptr ||
            made == 0) {
            return;
        }
        deliver(m_resampled.data(), static_cast<std::int64_t>(made), m_source.channels, out);
    }
}

bool NativeDecoder::decode(std::vector<float>& out) {
    if (m_fallback) {
        return decodeFallback(out);
    }
    if (m_eof) {
        return false;
    }
    const std::size_t before = out.size();
    int errors = 0;
    for (;;) {
        if (interrupted()) {
            return out.size() > before;
        }
        m_in.clear();
        const long got = readSource(m_in);
        errors = got < 0 ? errors + 1 : 0;
        if (got > 0) {
            m_decodedAny = m_decodedSinceSeek = true;
        }
        // Magic bytes that promised more than this decoder can read: an error before the first
        // frame, errors it cannot get past, a stream it cannot follow, nothing at all.
        const bool stuck = got == kCannotFollow ||
                           (got < 0 && (!m_decodedSinceSeek || errors > kMaxReadErrors)) ||
                           (got == 0 && !m_decodedAny);
        if (stuck && switchToFallback(std::max<std::int64_t>(decodedFrames(), 0))) {
            return decodeFallback(out) || out.size() > before;
        }
        if (got < 0 && got != kCannotFollow && errors <= kMaxReadErrors) {
            continue;
        }
        if (got <= 0 || !convert(m_in.data(), static_cast<std::size_t>(got), out)) {
            if (got < 0) {
                logMessage(std::string("decode ") + m_source.codec + ": cannot go on");
            }
            flushResampler(out);
            m_eof = true;
            return out.size() > before;
        }
        if (out.size() > before) {
            return true;
        }
    }
}

bool NativeDecoder::seek(std::int64_t frame) {
    if (frame < 0) {
        frame = 0;
    }
    const std::int64_t source =
        std::llround(static_cast<double>(frame) * m_source.rate / outRate());
    const bool pastEnd = m_sourceLength > 0 && source >= m_sourceLength;
    // A file this decoder cannot seek in (it may not have decoded a frame of it yet) goes to the
    // fallback, as one it cannot decode does, which then stands on the target.
    if (!m_fallback && !pastEnd && !seekSource(source)) {
        return switchToFallback(frame);
    }
    if (m_fallback) {
        m_carry.clear();
        const bool ok = m_fallback->seek(frame);
        followFallback();
        return ok;
    }
    m_eof = pastEnd;  // at or past the end: nothing follows
    if (m_soxr != nullptr) {
        soxr_clear(m_soxr);
    }
    m_decodedSinceSeek = false;
    resetPosition(frame, frame);
    return true;
}

bool NativeDecoder::switchToFallback(std::int64_t at) {
    const FallbackOpener open = std::move(m_openFallback);
    m_openFallback = nullptr;
    std::unique_ptr<Decoder> next = open ? open() : nullptr;
    if (!next) {
        return false;
    }
    next->setInterrupt(interruptFlag());
    // Decoded from the start rather than reached by a seek: in a file the light decoder could
    // not follow, a seek lands by estimate and would leave a gap between what was heard and
    // what follows. (When decoding goes on, at is where the output stands: what the resampler
    // still held is decoded again by the fallback.)
    std::vector<float> skipped;
    while (next->decodedFrames() >= 0 && next->decodedFrames() < at) {
        skipped.clear();
        if (!next->decode(skipped)) {
            logMessage(std::string("decode ") + m_source.codec + ": the fallback ends sooner");
            return false;
        }
    }
    const std::int64_t past = next->decodedFrames() - at;
    if (past > 0 && !skipped.empty()) {
        const std::size_t keep = std::min(skipped.size(), static_cast<std::size_t>(past) * 2);
        m_carry.assign(skipped.end() - static_cast<std::ptrdiff_t>(keep), skipped.end());
    } else if (next->decodedFrames() < 0 && at > 0 && !next->seek(at)) {
        logMessage(std::string("decode ") + m_source.codec + ": the fallback cannot seek");
        return false;
    }
    logMessage(std::string("decode ") + m_source.codec + ": handed to " +
               next->sourceFormat().codec + " at frame " + std::to_string(at));
    m_source = next->sourceFormat();
    if (lengthFrames() == 0) {
        setLengthSeconds(static_cast<double>(next->lengthFrames()) / outRate());
    }
    m_fallback = std::move(next);
    followFallback();
    return true;
}

bool NativeDecoder::decodeFallback(std::vector<float>& out) {
    if (!m_carry.empty()) {
        out.insert(out.end(), m_carry.begin(), m_carry.end());
        m_carry.clear();
        followFallback();
        return true;
    }
    const bool more = m_fallback->decode(out);
    followFallback();
    return more;
}

void NativeDecoder::followFallback() {
    const std::int64_t at = m_fallback->decodedFrames();
    if (at >= 0) {
        setPosition(at);
    } else {
        resetPosition(-1, 0);
    }
}

}  // namespace OrvoAudio
