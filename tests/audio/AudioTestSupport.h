#pragma once
// Helpers for the audio tests: the generated media, WAV captures of the null output, tone
// measurement and the textbook equaliser response.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/OrvoAudio.h"

namespace OrvoAudioTest {

using namespace std::chrono_literals;
constexpr int kRate = 44100;

// ORVO_TEST_MEDIA (set by CTest); empty when unset.
std::string mediaDir();
std::string media(const std::string& name);
// Temporary folder of this process, removed at exit.
std::string tempDir();
int threadCount();

struct Wav {
    int rate = 0;
    std::vector<float> samples;  // interleaved stereo
    std::size_t frames() const { return samples.size() / 2; }
    double seconds() const { return static_cast<double>(frames()) / rate; }
};
// 16-bit PCM or 32-bit float stereo; nullopt when malformed (sizes included).
std::optional<Wav> readWav(const std::string& path);
// Hann-windowed amplitude of the sine at `hz` over frames [first, first + count).
double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first = kRate / 2,
                     std::size_t count = kRate);
double rms(const Wav& wav, int channel, std::size_t first, std::size_t count);
inline double toDb(double ratio) { return 20.0 * std::log10(ratio); }

// Waits for `pred` up to `limit`; false on timeout.
template <typename Pred>
bool waitFor(Pred pred, std::chrono::milliseconds limit = 20000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}
inline bool waitStopped(OrvoAudio::Handle h, std::chrono::milliseconds limit = 20000ms) {
    return waitFor([h] { return OrvoAudio::channelIsActive(h) == OrvoAudio::Activity::Stopped; },
                   limit);
}

// |H| in dB of one cookbook peaking filter at `f`, from the published formulas, so that the
// engine's coefficient code is not its own reference.
inline double peakingMagnitudeDb(double f0, double octaves, double gainDb, double f,
                                 double rate = kRate) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * std::numbers::pi * f0 / rate;
    const double alpha =
        std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / std::sin(w0));
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
    const std::complex<double> num =
        (1.0 + alpha * a) - 2.0 * std::cos(w0) * z1 + (1.0 - alpha * a) * z1 * z1;
    const std::complex<double> den =
        (1.0 + alpha / a) - 2.0 * std::cos(w0) * z1 + (1.0 - alpha / a) * z1 * z1;
    return toDb(std::abs(num / den));
}

// Tests on the null output (fast clock); the engine is freed after each. Without the generated
// media they are skipped.
class MediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (mediaDir().empty()) GTEST_SKIP() << "ORVO_TEST_MEDIA is not set";
        setenv("ORVO_AUDIO_OUTPUT", "null", 1);
        setenv("ORVO_AUDIO_SPEED", "20", 1);
        unsetenv("ORVO_AUDIO_CAPTURE");
    }
    void TearDown() override { OrvoAudio::free(); }
};

using StreamFn = std::function<void(OrvoAudio::Handle)>;
struct PlayResult {
    OrvoAudio::Handle handle = 0;
    std::int64_t lengthBytes = -1;
    std::int64_t endPositionBytes = -1;
    bool ended = false;  // reported Stopped at the end within the time limit
    std::optional<Wav> capture;
};
// Null output capturing to a temporary file: opens `file`, runs `setup`, plays, runs `during`
// while it plays, waits for the end and frees the engine. 32-bit float capture unless pcm16.
PlayResult playToEnd(const std::string& file, const StreamFn& setup = {}, bool pcm16 = false,
                     const StreamFn& during = {});

}  // namespace OrvoAudioTest
