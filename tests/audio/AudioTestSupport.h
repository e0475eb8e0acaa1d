#pragma once
// Audio test helpers: generated media, null-output captures, tone measurement, the EQ curve.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

inline double toDb(double ratio) { return 20.0 * std::log10(ratio); }

// |H| in dB of a cookbook peaking filter at `f`: not the engine's code as its own reference.
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

// ORVO_TEST_MEDIA (set by CTest); empty when unset.
inline std::string mediaDir() {
    const char* dir = std::getenv("ORVO_TEST_MEDIA");
    return dir != nullptr ? dir : "";
}
inline std::string media(const std::string& name) { return mediaDir() + "/" + name; }

// A file name of this process in the temporary folder; the tests remove what they create.
inline std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "orvo-audio-" + std::to_string(getpid()) + "-" + name;
}

// Threads of this process. One thread is started and joined first, so that a thread of its own
// that a runtime starts with the first one (ThreadSanitizer's) is already in every baseline.
inline int threadCount() {
    static const bool warmed = [] { return std::thread([] {}).join(), true; }();
    (void)warmed;
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

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

struct Wav {
    int rate = 0;
    std::vector<float> samples;  // interleaved stereo
    std::size_t frames() const { return samples.size() / 2; }
    double seconds() const { return static_cast<double>(frames()) / rate; }
};

// The capture writer's stereo layout: 16-bit PCM (data at 44) or 32-bit float (an 18-byte fmt
// chunk and a fact chunk, data at 58); nullopt unless every tag and size agrees.
inline std::optional<Wav> readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(in)), {});
    const auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + i]);
        return v;
    };
    const bool pcm = d.size() >= 44 && le(16, 4) == 16;
    const std::size_t data = pcm ? 44 : 58;
    if (d.size() < data || d.compare(0, 4, "RIFF") != 0 || le(4, 4) + 8 != d.size() ||
        d.compare(8, 8, "WAVEfmt ") != 0 || le(16, 4) != (pcm ? 16u : 18u) ||
        le(20, 2) != (pcm ? 1u : 3u) || le(22, 2) != 2 || le(34, 2) != (pcm ? 16u : 32u) ||
        (!pcm && (d.compare(38, 4, "fact") != 0 || le(46, 4) * 8 + data != d.size())) ||
        d.compare(data - 8, 4, "data") != 0 || le(data - 4, 4) + data != d.size()) {
        return std::nullopt;
    }
    Wav wav{static_cast<int>(le(24, 4)), std::vector<float>((d.size() - data) / (pcm ? 2 : 4))};
    for (std::size_t i = 0; pcm && i < wav.samples.size(); ++i)
        wav.samples[i] = static_cast<std::int16_t>(le(data + 2 * i, 2)) / 32767.0f;
    if (!pcm) std::memcpy(wav.samples.data(), d.data() + data, wav.samples.size() * 4);
    return wav;
}

// Hann-windowed amplitude of the sine at `hz` over frames [first, first + count).
inline double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first = kRate / 2,
                            std::size_t count = kRate) {
    if (first + count > wav.frames() || count < 2) return 0.0;
    const double w = 2.0 * std::numbers::pi * hz / wav.rate;
    std::complex<double> sum;
    double weight = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (count - 1));
        sum += wav.samples[(first + i) * 2 + channel] * hann * std::polar(1.0, w * i);
        weight += hann;
    }
    return 2.0 * std::abs(sum) / weight;
}

inline double rms(const Wav& wav, int channel, std::size_t first, std::size_t count) {
    if (first + count > wav.frames() || count == 0) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::pow(wav.samples[(first + i) * 2 + channel], 2);
    return std::sqrt(sum / count);
}

// On the null output (fast clock), skipped without the media; the engine is freed after each.
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
    std::int64_t lengthBytes = -1;
    std::int64_t endPositionBytes = -1;
    std::optional<Wav> capture;
};

// Captures `file` played to its end (float, or 16-bit): `setup` runs before play, `during` after.
inline PlayResult playToEnd(const std::string& file, const StreamFn& setup = {}, bool pcm16 = false,
                            const StreamFn& during = {}) {
    static int counter = 0;
    const std::string capture =
        tempPath("capture-" + std::to_string(++counter) + (pcm16 ? ".wav" : ".f32.wav"));
    setenv("ORVO_AUDIO_OUTPUT", "null", 1);
    setenv("ORVO_AUDIO_SPEED", "40", 1);
    setenv("ORVO_AUDIO_CAPTURE", capture.c_str(), 1);
    PlayResult result;
    OrvoAudio::Handle h = 0;
    if (OrvoAudio::init(-1, kRate) && (h = OrvoAudio::streamCreateFile(file)) != 0) {
        result.lengthBytes = OrvoAudio::channelGetLength(h);
        if (setup) setup(h);
        OrvoAudio::channelPlay(h);
        if (during) during(h);
        waitStopped(h, 30000ms);
        result.endPositionBytes = OrvoAudio::channelGetPosition(h);
    }
    OrvoAudio::free();
    unsetenv("ORVO_AUDIO_CAPTURE");
    result.capture = readWav(capture);
    std::filesystem::remove(capture);
    return result;
}

}  // namespace OrvoAudioTest
