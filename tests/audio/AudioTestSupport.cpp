#include "AudioTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace OrvoAudioTest {

std::string mediaDir() {
    const char* dir = std::getenv("ORVO_TEST_MEDIA");
    if (dir != nullptr && *dir != '\0') return dir;
    const std::string built = std::string(ORVO_BUILD_DIR) + "/test-media";
    return fs::exists(built + "/.complete") ? built : "";
}

std::string media(const std::string& name) { return mediaDir() + "/" + name; }

std::string tempDir() {
    struct Dir {
        std::string path;
        Dir() {
            std::string templ = (fs::temp_directory_path() / "orvo-audio-test-XXXXXX").string();
            path = mkdtemp(templ.data()) != nullptr ? templ : "";
        }
        ~Dir() {
            std::error_code ec;
            if (!path.empty()) fs::remove_all(path, ec);
        }
    };
    static Dir dir;
    return dir.path;
}

int threadCount() {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/task"), {}));
}

std::optional<Wav> readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), {});
    auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + i];
        return v;
    };
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 ||
        std::memcmp(d.data() + 8, "WAVE", 4) != 0 || le(4, 4) + 8 != d.size()) {
        return std::nullopt;
    }
    Wav wav;
    std::uint32_t format = 0;
    std::uint32_t bits = 0;
    for (std::size_t at = 12; at + 8 <= d.size();) {
        const std::uint32_t size = le(at + 4, 4);
        const std::size_t body = at + 8;
        if (body + size > d.size()) return std::nullopt;
        if (std::memcmp(d.data() + at, "fmt ", 4) == 0 && size >= 16) {
            if (le(body + 2, 2) != 2) return std::nullopt;  // stereo only
            format = le(body, 2);
            wav.rate = static_cast<int>(le(body + 4, 4));
            bits = le(body + 14, 2);
        } else if (std::memcmp(d.data() + at, "data", 4) == 0) {
            if (format == 1 && bits == 16) {
                for (std::uint32_t i = 0; i + 1 < size; i += 2)
                    wav.samples.push_back(static_cast<std::int16_t>(le(body + i, 2)) / 32767.0f);
            } else if (format == 3 && bits == 32) {
                wav.samples.resize(size / 4);
                std::memcpy(wav.samples.data(), d.data() + body, wav.samples.size() * 4);
            } else {
                return std::nullopt;
            }
            return wav;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first, std::size_t count) {
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

double rms(const Wav& wav, int channel, std::size_t first, std::size_t count) {
    if (first + count > wav.frames() || count == 0) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::pow(wav.samples[(first + i) * 2 + channel], 2);
    return std::sqrt(sum / count);
}

bool waitStopped(OrvoAudio::Handle h, std::chrono::milliseconds limit) {
    return waitFor([h] { return OrvoAudio::channelIsActive(h) == OrvoAudio::Activity::Stopped; },
                   limit);
}

PlayResult playToEnd(const std::string& file, const std::function<void(OrvoAudio::Handle)>& setup,
                     bool pcm16) {
    static int counter = 0;
    const std::string capture =
        tempDir() + "/capture-" + std::to_string(++counter) + (pcm16 ? ".wav" : ".f32.wav");
    setenv("ORVO_AUDIO_OUTPUT", "null", 1);
    setenv("ORVO_AUDIO_SPEED", "40", 1);
    setenv("ORVO_AUDIO_CAPTURE", capture.c_str(), 1);
    PlayResult result;
    if (OrvoAudio::init(-1, kRate) && (result.handle = OrvoAudio::streamCreateFile(file)) != 0) {
        result.lengthBytes = OrvoAudio::channelGetLength(result.handle);
        if (setup) setup(result.handle);
        OrvoAudio::channelPlay(result.handle);
        result.ended = waitStopped(result.handle, std::chrono::milliseconds(30000));
        result.endPositionBytes = OrvoAudio::channelGetPosition(result.handle);
    }
    OrvoAudio::free();
    unsetenv("ORVO_AUDIO_CAPTURE");
    result.capture = readWav(capture);
    fs::remove(capture);
    return result;
}

}  // namespace OrvoAudioTest
