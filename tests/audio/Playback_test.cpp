// What the engine actually plays, checked in the null output's capture: every format, duration,
// tones, channels, volume, equaliser and seeking.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "AudioTestSupport.h"

using namespace OrvoAudioTest;
using namespace OrvoAudio;

namespace {

constexpr std::array<float, 10> kBands = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// A file and its slack in seconds (encoder padding, frame granularity) beyond 1 %.
using FormatCase = std::pair<const char*, double>;
class FormatTest : public MediaTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatTest, PlaysItsWholeLengthWithTheTone) {
    const PlayResult r = playToEnd(media(GetParam().first));
    ASSERT_NE(r.handle, 0u);
    ASSERT_TRUE(r.ended) << "did not end in time";
    ASSERT_TRUE(r.capture.has_value());
    const Wav& wav = *r.capture;
    EXPECT_EQ(wav.rate, kRate);
    const double tolerance = 3.0 * 0.01 + GetParam().second;
    EXPECT_NEAR(r.lengthBytes / 8.0 / kRate, 3.0, tolerance);
    EXPECT_NEAR(wav.seconds(), 3.0, tolerance);
    EXPECT_EQ(r.endPositionBytes / 8, static_cast<std::int64_t>(wav.frames()));  // all was heard
    for (int ch = 0; ch < 2; ++ch) {
        const double amp = toneAmplitude(wav, ch, 1000.0);
        EXPECT_NEAR(toDb(amp / 0.5), 0.0, 1.0) << "channel " << ch;
        // The tone is nearly all there is.
        EXPECT_GT(amp / std::sqrt(2.0) / rms(wav, ch, kRate / 2, kRate), 0.95) << "channel " << ch;
    }
}

const FormatCase kFormats[] = {{"tone1k.mp1", 0.0},  {"tone1k.mp2", 0.03}, {"tone1k.mp3", 0.05},
                               {"tone1k.wma", 0.05}, {"tone1k.flac", 0.0}, {"tone1k.aac", 0.05},
                               {"tone1k.ogg", 0.0},  {"tone1k.ape", 0.0}};
INSTANTIATE_TEST_SUITE_P(AllFormats, FormatTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.first).substr(7); });

TEST_F(MediaTest, EachChannelKeepsItsOwnTone) {
    const PlayResult r = playToEnd(media("stereo.flac"));
    ASSERT_TRUE(r.capture.has_value());
    const Wav& wav = *r.capture;
    ASSERT_NEAR(wav.seconds(), 4.0, 0.01);
    EXPECT_NEAR(toneAmplitude(wav, 0, 1000.0, kRate, kRate), 0.5, 0.01);
    EXPECT_NEAR(toneAmplitude(wav, 1, 3000.0, kRate, kRate), 0.5, 0.01);
    EXPECT_LT(toneAmplitude(wav, 0, 3000.0, kRate, kRate), 0.001);
    EXPECT_LT(toneAmplitude(wav, 1, 1000.0, kRate, kRate), 0.001);
}

TEST_F(MediaTest, VolumeAndSixteenBitCapture) {
    const PlayResult full = playToEnd(media("tone1k.flac"), {}, true);
    const PlayResult half = playToEnd(
        media("tone1k.flac"), [](Handle h) { channelSetVolume(h, 0.5f); }, true);
    // +15 dB at 1 kHz drives the 0.5 tone past full scale: the 16-bit file clamps, not wraps.
    const PlayResult loud = playToEnd(
        media("tone1k.flac"),
        [](Handle h) {
            fxSetParameters(channelSetFxParamEq(h), {1000.0f, 12.0f, 15.0f});
        },
        true);
    ASSERT_TRUE(full.capture && half.capture && loud.capture);
    const double a = toneAmplitude(*full.capture, 0, 1000.0);
    EXPECT_NEAR(a, 0.5, 0.001);
    EXPECT_NEAR(toneAmplitude(*half.capture, 0, 1000.0) / a, 0.5, 0.005);
    EXPECT_EQ(loud.capture->frames(), 3u * kRate);
    const auto [lo, hi] =
        std::minmax_element(loud.capture->samples.begin(), loud.capture->samples.end());
    EXPECT_NEAR(*hi, 1.0f, 1e-4);
    EXPECT_NEAR(*lo, -1.0f, 1e-4);
}

TEST_F(MediaTest, VolumeChangesRampWithoutJumps) {
    // Consecutive samples of a 1 kHz tone at 0.5 differ by at most ~0.072; a hard switch between
    // volumes 1 and 0 would jump by up to 0.5.
    const PlayResult r = playToEnd(media("tone1k.flac"), {}, false, [](Handle h) {
        for (int i = 0; i < 20; ++i) {
            channelSetVolume(h, (i % 2) ? 1.0f : 0.0f);
            std::this_thread::sleep_for(3ms);
        }
    });
    ASSERT_TRUE(r.capture.has_value());
    const std::vector<float>& s = r.capture->samples;
    float worst = 0.0f;
    for (std::size_t i = 2; i < s.size(); i += 2)
        worst = std::max(worst, std::abs(s[i] - s[i - 2]));
    EXPECT_LT(worst, 0.1f);
}

// The filter's curve itself is PeakingEq's test; here ten of them in a chain on both channels
// must give the summed textbook response (a lone band, and a preset with overlapping neighbours).
TEST_F(MediaTest, TenBandsGiveTheCombinedResponse) {
    const std::array<std::array<float, 10>, 2> presets = {{
        {0, 0, 0, 0, 0, 6, 0, 0, 0, 0},
        {-6, 1, 4, -2, -2, -4, 0, 0, 6, 6},
    }};
    const PlayResult flat = playToEnd(media("bands.flac"));
    ASSERT_TRUE(flat.capture.has_value());
    for (const auto& gains : presets) {
        const PlayResult r = playToEnd(media("bands.flac"), [&](Handle h) {
            for (std::size_t b = 0; b < kBands.size(); ++b)
                ASSERT_TRUE(fxSetParameters(channelSetFxParamEq(h), {kBands[b], 12.0f, gains[b]}));
        });
        ASSERT_TRUE(r.capture.has_value());
        for (const double f : kBands) {
            double expected = 0.0;
            for (std::size_t b = 0; b < kBands.size(); ++b)
                expected += peakingMagnitudeDb(kBands[b], 1.0, gains[b], f);
            for (int ch = 0; ch < 2; ++ch) {
                SCOPED_TRACE(testing::Message() << gains[0] << " band " << f << " ch " << ch);
                // Two seconds from the middle: long enough to separate 31 Hz from 62 Hz.
                const auto tone = [&](const Wav& w) {
                    return toneAmplitude(w, ch, f, kRate / 2, 2 * kRate);
                };
                EXPECT_NEAR(toDb(tone(*r.capture) / tone(*flat.capture)), expected, 0.25);
            }
        }
    }
}

// Where the 2 kHz step of steps.flac turns into 4 kHz, in frames of the capture.
std::size_t stepEdge(const Wav& wav) {
    std::size_t lo = 0;
    std::size_t hi = wav.frames();
    const std::size_t window = 64;
    while (hi - lo > 4) {
        const std::size_t mid = (lo + hi) / 2;
        const std::size_t at = mid > window ? mid - window : 0;
        (toneAmplitude(wav, 0, 4000, at, window) > toneAmplitude(wav, 0, 2000, at, window) ? hi
                                                                                           : lo) =
            mid;
    }
    return lo;
}

class SeekTest : public MediaTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SeekTest, SeekBeforePlayStartsExactlyThere) {
    // 29.5 s: half a second of 2 kHz, then the 4 kHz step at 30 s.
    const PlayResult r = playToEnd(media(GetParam()), [](Handle h) {
        EXPECT_TRUE(channelSetPosition(h, channelSeconds2Bytes(h, 29.5)));
        EXPECT_EQ(channelGetPosition(h), channelSeconds2Bytes(h, 29.5));
    });
    ASSERT_TRUE(r.ended && r.capture);
    const Wav& wav = *r.capture;
    const bool lossless = std::string(GetParam()).ends_with(".flac");
    EXPECT_NEAR(wav.seconds(), 10.5, lossless ? 0.001 : 0.06);
    EXPECT_NEAR(static_cast<double>(stepEdge(wav)) / kRate, 0.5, lossless ? 0.002 : 0.03);
    EXPECT_NEAR(toneAmplitude(wav, 0, 2000, 0, kRate / 4), 0.5, 0.05);
    EXPECT_NEAR(toneAmplitude(wav, 0, 4000, kRate, kRate), 0.5, 0.05);
}

TEST_P(SeekTest, SeekWhilePlayingTakesEffectAtOnce) {
    double before = -1;  // seconds
    const PlayResult r = playToEnd(media(GetParam()), {}, false, [&](Handle h) {
        waitFor([h] { return channelGetPosition(h) >= channelSeconds2Bytes(h, 1.0); });
        before = channelBytes2Seconds(h, channelGetPosition(h));
        channelSetPosition(h, channelSeconds2Bytes(h, 30.0));
        EXPECT_EQ(channelGetPosition(h), 30LL * kRate * 8);
    });
    ASSERT_TRUE(r.ended && r.capture);
    EXPECT_GE(before, 1.0);
    // Heard: everything up to `before`, then the last ten seconds (4 kHz); a loaded machine may
    // play a little more between reading the position and seeking.
    const Wav& wav = *r.capture;
    EXPECT_GE(wav.seconds(), before + 10.0 - 0.01);
    EXPECT_LE(wav.seconds(), before + 10.0 + 1.0);
    EXPECT_NEAR(toneAmplitude(wav, 0, 4000, wav.frames() - 9 * kRate, 9 * kRate), 0.5, 0.05);
}

TEST_P(SeekTest, PlaybackGoesOnRightAfterSeekAndRestart) {
    // Real time. A seek drops the ring's audio unplayed: the decoder must refill it at once, not
    // sleep as long as a full ring would last. Each case first seeks elsewhere to fill the ring.
    OrvoAudio::free();
    setenv("ORVO_AUDIO_SPEED", "1", 1);
    ASSERT_TRUE(init(-1, kRate));
    const Handle h = streamCreateFile(media(GetParam()));
    ASSERT_TRUE(channelPlay(h));
    const auto reaches = [h](double seconds) {
        return waitFor([&] { return channelGetPosition(h) >= channelSeconds2Bytes(h, seconds); },
                       5000ms);
    };
    ASSERT_TRUE(reaches(0.3));
    enum class Step { Seek, Restart, SeekWhileStopped };
    for (const Step step : {Step::Seek, Step::Restart, Step::SeekWhileStopped}) {
        ASSERT_TRUE(channelSetPosition(h, channelSeconds2Bytes(h, 10.0)));
        std::this_thread::sleep_for(20ms);
        const double target = step == Step::Restart ? 0.0 : 20.0;
        if (step == Step::Restart) {
            ASSERT_TRUE(channelPlay(h, true));
        } else if (step == Step::Seek) {
            ASSERT_TRUE(channelSetPosition(h, channelSeconds2Bytes(h, target)));
        } else {
            ASSERT_TRUE(channelStop(h));
            ASSERT_TRUE(channelSetPosition(h, channelSeconds2Bytes(h, target)));
            std::this_thread::sleep_for(20ms);
            ASSERT_TRUE(channelPlay(h));
        }
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(reaches(target + 0.3));
        // 300 ms of audio plus an output block and a decoder poll; a sleeping decoder adds ~350 ms.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms)
            << "case " << static_cast<int>(step);
        EXPECT_EQ(channelIsActive(h), Activity::Playing);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, SeekTest, ::testing::Values("steps.flac", "steps.mp3"),
                         [](const auto& info) { return std::string(info.param).substr(6); });

}  // namespace
