// One equaliser filter on a synthetic sine: live parameter changes, limits and refusals (its curve
// against the textbook one, in a chain of ten: OrvoAudio_test's TenBands).
#include "audio/PeakingEq.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "AudioTestSupport.h"

using OrvoAudio::PeakingEq;
using OrvoAudioTest::kRate;

namespace {

// Steady-state gain in dB of `eq` for a sine at `hz` (both channels must agree).
double measuredGainDb(PeakingEq& eq, double hz, int rate = kRate) {
    const std::size_t n = 2 * rate;  // frames
    std::vector<float> s(n * 2);
    for (std::size_t i = 0; i < n * 2; ++i)
        s[i] = 0.25f * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * (i / 2) / rate));
    for (std::size_t at = 0; at < n; at += 512)
        eq.process(s.data() + at * 2, std::min<std::size_t>(512, n - at));
    double peak[2] = {0.0, 0.0};
    for (std::size_t i = n; i < n * 2; ++i)  // the second half, settled
        peak[i % 2] = std::max(peak[i % 2], std::abs(static_cast<double>(s[i])));
    EXPECT_NEAR(peak[0], peak[1], 1e-6);
    return OrvoAudioTest::toDb(peak[0] / 0.25);
}

TEST(PeakingEq, NewFilterIsFlatChangesApplyWhileRunningAndAreClamped) {
    PeakingEq eq(kRate);
    EXPECT_NEAR(measuredGainDb(eq, 1000.0), 0.0, 1e-4);
    ASSERT_TRUE(eq.setParameters({1000.0f, 12.0f, 6.0f}));
    EXPECT_NEAR(measuredGainDb(eq, 1000.0), 6.0, 0.05);
    ASSERT_TRUE(eq.setParameters({1000.0f, 12.0f, 0.0f}));
    EXPECT_NEAR(measuredGainDb(eq, 1000.0), 0.0, 0.05);

    ASSERT_TRUE(eq.setParameters({1000.0f, 12.0f, 40.0f}));
    EXPECT_NEAR(measuredGainDb(eq, 1000.0), 15.0, 0.05);  // clamped
    ASSERT_TRUE(eq.setParameters({5.0f, 100.0f, -99.0f}));
    EXPECT_EQ((std::array{eq.parameters().centerHz, eq.parameters().bandwidthSemitones,
                          eq.parameters().gainDb}),
              (std::array{20.0f, 36.0f, -15.0f}));
    EXPECT_FALSE(eq.setParameters({1000.0f, std::numeric_limits<float>::infinity(), 0.0f}));
    EXPECT_FALSE(eq.setParameters({std::nanf(""), 12.0f, 0.0f}));
    EXPECT_EQ(eq.parameters().gainDb, -15.0f);  // unchanged

    // A centre above Nyquist at a low rate still gives a stable filter.
    PeakingEq low(22050);
    ASSERT_TRUE(low.setParameters({16000.0f, 12.0f, 15.0f}));
    EXPECT_TRUE(std::isfinite(measuredGainDb(low, 1000.0, 22050)));
}

}  // namespace
