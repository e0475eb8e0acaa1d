#pragma once
// One peaking-equaliser effect: a biquad from the RBJ audio-EQ cookbook, bandwidth in semitones.
// Threads: setParameters()/parameters() from control threads (serialised by the engine's lock);
// process() only from the output callback. New coefficients are published through a sequence
// lock: the callback never waits; it keeps its previous coefficients while a write is under way.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/OrvoAudio.h"

namespace OrvoAudio {

struct BiquadCoeffs {
    // Normalised so that a0 = 1.
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

// Cookbook peaking filter. The centre is kept between 20 Hz and just below Nyquist.
BiquadCoeffs peakingCoeffs(double centerHz, double bandwidthSemitones, double gainDb, int rate);

// Validates and clamps parameters to their ranges; false for non-finite values.
bool clampParamEq(ParamEq& p);

class PeakingEq {
public:
    explicit PeakingEq(int rate);

    bool setParameters(const ParamEq& params);
    ParamEq parameters() const { return m_params; }

    // In place on interleaved stereo frames.
    void process(float* frames, std::size_t count);

private:
    static constexpr int kCoeffs = 5;
    int m_rate;
    ParamEq m_params;
    std::atomic<std::uint32_t> m_seq{0};
    std::atomic<double> m_published[kCoeffs];

    // Callback-only state.
    std::uint32_t m_seenSeq = 0;
    BiquadCoeffs m_c;
    double m_z[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
};

}  // namespace OrvoAudio
