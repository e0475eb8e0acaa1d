#include "audio/PeakingEq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace OrvoAudio {

namespace {
constexpr float kMinCenterHz = 20.0f;
constexpr float kMaxCenterHz = 16000.0f;
constexpr float kMinBandwidth = 1.0f;
constexpr float kMaxBandwidth = 36.0f;
constexpr float kMaxGainDb = 15.0f;
}  // namespace

BiquadCoeffs peakingCoeffs(double centerHz, double bandwidthSemitones, double gainDb, int rate) {
    BiquadCoeffs c;
    if (rate <= 0) {
        return c;
    }
    const double nyquistGuard = 0.49 * rate;
    const double f0 = std::clamp(centerHz, 20.0, nyquistGuard);
    const double octaves = bandwidthSemitones / 12.0;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * std::numbers::pi * f0 / rate;
    const double sinW0 = std::sin(w0);
    const double cosW0 = std::cos(w0);
    const double alpha = sinW0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sinW0);
    const double a0 = 1.0 + alpha / a;
    c.b0 = (1.0 + alpha * a) / a0;
    c.b1 = (-2.0 * cosW0) / a0;
    c.b2 = (1.0 - alpha * a) / a0;
    c.a1 = (-2.0 * cosW0) / a0;
    c.a2 = (1.0 - alpha / a) / a0;
    return c;
}

bool clampParamEq(ParamEq& p) {
    if (!std::isfinite(p.centerHz) || !std::isfinite(p.bandwidthSemitones) ||
        !std::isfinite(p.gainDb)) {
        return false;
    }
    p.centerHz = std::clamp(p.centerHz, kMinCenterHz, kMaxCenterHz);
    p.bandwidthSemitones = std::clamp(p.bandwidthSemitones, kMinBandwidth, kMaxBandwidth);
    p.gainDb = std::clamp(p.gainDb, -kMaxGainDb, kMaxGainDb);
    return true;
}

PeakingEq::PeakingEq(int rate) : m_rate(rate) {
    const BiquadCoeffs c;
    m_c = c;
    const double init[kCoeffs] = {c.b0, c.b1, c.b2, c.a1, c.a2};
    for (int i = 0; i < kCoeffs; ++i) {
        m_published[i].store(init[i], std::memory_order_relaxed);
    }
}

bool PeakingEq::setParameters(const ParamEq& params) {
    ParamEq p = params;
    if (!clampParamEq(p)) {
        return false;
    }
    m_params = p;
    const BiquadCoeffs c = peakingCoeffs(p.centerHz, p.bandwidthSemitones, p.gainDb, m_rate);
    const double values[kCoeffs] = {c.b0, c.b1, c.b2, c.a1, c.a2};
    const std::uint32_t s = m_seq.load(std::memory_order_relaxed);
    m_seq.store(s + 1, std::memory_order_relaxed);  // odd: write under way
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < kCoeffs; ++i) {
        m_published[i].store(values[i], std::memory_order_relaxed);
    }
    m_seq.store(s + 2, std::memory_order_release);
    return true;
}

void PeakingEq::process(float* frames, std::size_t count) {
    const std::uint32_t s1 = m_seq.load(std::memory_order_acquire);
    if (s1 != m_seenSeq && (s1 & 1u) == 0) {
        double v[kCoeffs];
        for (int i = 0; i < kCoeffs; ++i) {
            v[i] = m_published[i].load(std::memory_order_relaxed);
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (m_seq.load(std::memory_order_relaxed) == s1) {
            m_c = BiquadCoeffs{v[0], v[1], v[2], v[3], v[4]};
            m_seenSeq = s1;
        }
    }
    const BiquadCoeffs c = m_c;
    for (int ch = 0; ch < 2; ++ch) {
        double z1 = m_z[ch][0];
        double z2 = m_z[ch][1];
        for (std::size_t i = 0; i < count; ++i) {
            const double x = frames[i * 2 + ch];
            const double y = c.b0 * x + z1;
            z1 = c.b1 * x - c.a1 * y + z2;
            z2 = c.b2 * x - c.a2 * y;
            frames[i * 2 + ch] = static_cast<float>(y);
        }
        // Flush denormals left by a decaying tail.
        m_z[ch][0] = std::abs(z1) < 1e-20 ? 0.0 : z1;
        m_z[ch][1] = std::abs(z2) < 1e-20 ? 0.0 : z2;
    }
}

}  // namespace OrvoAudio
