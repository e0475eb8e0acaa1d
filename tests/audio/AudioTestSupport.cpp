#include "AudioTestSupport.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <thread>

namespace OrvoAudioTest {

std::string mediaDir() {
    const char* dir = std::getenv("ORVO_TEST_MEDIA");
    if (dir != nullptr && *dir != '\0') {
        return dir;
    }
    // CTest's fixture makes it here; used when the environment did not come through.
    const std::string built = std::string(ORVO_BUILD_DIR) + "/test-media";
    return access((built + "/.complete").c_str(), R_OK) == 0 ? built : "";
}

std::string media(const std::string& name) { return mediaDir() + "/" + name; }

namespace {
std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
}  // namespace

std::optional<Wav> readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 ||
        std::memcmp(data.data() + 8, "WAVE", 4) != 0 || le32(data.data() + 4) + 8 != data.size()) {
        return std::nullopt;
    }
    Wav wav;
    int format = 0;
    int bits = 0;
    std::size_t at = 12;
    while (at + 8 <= data.size()) {
        const std::uint32_t size = le32(data.data() + at + 4);
        const unsigned char* body = data.data() + at + 8;
        if (at + 8 + size > data.size()) {
            return std::nullopt;
        }
        if (std::memcmp(data.data() + at, "fmt ", 4) == 0 && size >= 16) {
            format = le16(body);
            if (le16(body + 2) != 2) {
                return std::nullopt;
            }
            wav.rate = static_cast<int>(le32(body + 4));
            bits = le16(body + 14);
        } else if (std::memcmp(data.data() + at, "data", 4) == 0) {
            if (format == 1 && bits == 16) {
                for (std::uint32_t i = 0; i + 1 < size; i += 2) {
                    wav.samples.push_back(static_cast<std::int16_t>(le16(body + i)) / 32767.0f);
                }
            } else if (format == 3 && bits == 32) {
                wav.samples.resize(size / 4);
                std::memcpy(wav.samples.data(), body, wav.samples.size() * 4);
            } else {
                return std::nullopt;
            }
            return wav;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first, std::size_t count) {
    if (first + count > wav.frames() || count < 2) {
        return 0.0;
    }
    const double w = 2.0 * std::numbers::pi * hz / wav.rate;
    double re = 0.0;
    double im = 0.0;
    double weight = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (count - 1));
        const double x = wav.samples[(first + i) * 2 + channel] * hann;
        re += x * std::cos(w * i);
        im += x * std::sin(w * i);
        weight += hann;
    }
    return 2.0 * std::hypot(re, im) / weight;
}

double rms(const Wav& wav, int channel, std::size_t first, std::size_t count) {
    if (first + count > wav.frames() || count == 0) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = wav.samples[(first + i) * 2 + channel];
        sum += x * x;
    }
    return std::sqrt(sum / count);
}

double toDb(double ratio) { return 20.0 * std::log10(ratio); }

std::string tempDir() {
    static std::string dir = [] {
        std::string base = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
        std::string templ = base + "/orvo-audio-test-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        const char* made = mkdtemp(buf.data());
        if (made == nullptr) {
            return base;
        }
        // Tests remove their own files; the folder goes when the process ends. The handler keeps
        // its own copy of the name: it runs after this static string has been destroyed.
        static char madeCopy[4096];
        std::snprintf(madeCopy, sizeof madeCopy, "%s", made);
        std::atexit([] { rmdir(madeCopy); });
        return std::string(made);
    }();
    return dir;
}

int threadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') {
                ++n;
            }
        }
        closedir(d);
    }
    return n;
}

PlayResult playToEnd(const std::string& file, const std::function<void(OrvoAudio::Handle)>& setup,
                     double timeLimitSeconds, bool pcm16) {
    static int counter = 0;
    const std::string capture = tempDir() + "/capture-" + std::to_string(getpid()) + "-" +
                                std::to_string(++counter) + (pcm16 ? ".wav" : ".f32.wav");
    setenv("ORVO_AUDIO_OUTPUT", "null", 1);
    setenv("ORVO_AUDIO_SPEED", "40", 1);
    setenv("ORVO_AUDIO_CAPTURE", capture.c_str(), 1);
    PlayResult result;
    if (!OrvoAudio::init(-1, 44100)) {
        return result;
    }
    result.handle = OrvoAudio::streamCreateFile(file);
    if (result.handle != 0) {
        result.lengthBytes = OrvoAudio::channelGetLength(result.handle);
        if (setup) {
            setup(result.handle);
        }
        OrvoAudio::channelPlay(result.handle);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(timeLimitSeconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (OrvoAudio::channelIsActive(result.handle) == OrvoAudio::Activity::Stopped) {
                result.ended = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        result.endPositionBytes = OrvoAudio::channelGetPosition(result.handle);
    }
    OrvoAudio::free();
    unsetenv("ORVO_AUDIO_CAPTURE");
    result.capture = readWav(capture);
    std::remove(capture.c_str());
    return result;
}

}  // namespace OrvoAudioTest
