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

constexpr int kRate = 44100;

// ORVO_TEST_MEDIA (set by CTest), else the build tree's generated media; empty when neither.
std::string mediaDir();
std::string media(const std::string& name);
// Temporary folder of this process, removed at exit.
std::string tempDir();
int threadCount();

struct Wav {
    int rate = 0;
    std::vector<float> samples;  // interleaved stereo
    std::size_t frames() const { return samples.size() / 2; }
};
// 16-bit PCM or 32-bit float stereo; nullopt when malformed (sizes included).
std::optional<Wav> readWav(const std::string& path);
// Hann-windowed amplitude of the sine at `hz` over frames [first, first + count).
double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first, std::size_t count);
double rms(const Wav& wav, int channel, std::size_t first, std::size_t count);
inline double toDb(double ratio) { return 20.0 * std::log10(ratio); }

// Waits for `pred` up to `limit`; false on timeout.
template <typename Pred>
bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
// Waits until the stream has stopped (at its end).
bool waitStopped(OrvoAudio::Handle h,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(20000));

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

// Tests that need the generated media, on the null output; the engine is freed after each.
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

struct PlayResult {
    OrvoAudio::Handle handle = 0;
    std::int64_t lengthBytes = -1;
    std::int64_t endPositionBytes = -1;
    bool ended = false;  // reported Stopped at the end within the time limit
    std::optional<Wav> capture;
};
// Null output (fast clock) capturing to a temporary file: opens `file`, lets `setup` prepare the
// stream, plays it to the end and frees the engine. 32-bit float capture unless pcm16.
PlayResult playToEnd(const std::string& file,
                     const std::function<void(OrvoAudio::Handle)>& setup = {}, bool pcm16 = false);

}  // namespace OrvoAudioTest
