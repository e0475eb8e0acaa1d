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
    return dir != nullptr ? dir : "";
}

std::string media(const std::string& name) { return mediaDir() + "/" + name; }

std::string tempDir() {
    static const struct Dir {
        std::string path = (fs::temp_directory_path() / "orvo-audio-test-XXXXXX").string();
        Dir() {
            if (mkdtemp(path.data()) == nullptr) path.clear();
        }
        ~Dir() {
            std::error_code ec;
            if (!path.empty()) fs::remove_all(path, ec);
        }
    } dir;
    return dir.path;
}

int threadCount() {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/task"), {}));
}

std::optional<Wav> readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(in)), {});
    const auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + i]);
        return v;
    };
    if (d.size() < 12 || d.compare(0, 4, "RIFF") != 0 || d.compare(8, 4, "WAVE") != 0 ||
        le(4, 4) + 8 != d.size()) {
        return std::nullopt;
    }
    Wav wav;
    std::uint32_t format = 0;  // format tag * 100 + bits per sample; stereo only
    for (std::size_t at = 12; at + 8 <= d.size();) {
        const std::uint32_t size = le(at + 4, 4);
        const std::size_t body = at + 8;
        if (body + size > d.size()) return std::nullopt;
        if (d.compare(at, 4, "fmt ") == 0 && size >= 16 && le(body + 2, 2) == 2) {
            format = le(body, 2) * 100 + le(body + 14, 2);
            wav.rate = static_cast<int>(le(body + 4, 4));
        } else if (d.compare(at, 4, "data") == 0) {
            if (format == 116) {
                for (std::uint32_t i = 0; i + 1 < size; i += 2)
                    wav.samples.push_back(static_cast<std::int16_t>(le(body + i, 2)) / 32767.0f);
                return wav;
            }
            if (format != 332) return std::nullopt;
            wav.samples.resize(size / 4);
            std::memcpy(wav.samples.data(), d.data() + body, wav.samples.size() * 4);
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

PlayResult playToEnd(const std::string& file, const StreamFn& setup, bool pcm16,
                     const StreamFn& during) {
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
        if (during) during(result.handle);
        result.ended = waitStopped(result.handle, 30000ms);
        result.endPositionBytes = OrvoAudio::channelGetPosition(result.handle);
    }
    OrvoAudio::free();
    unsetenv("ORVO_AUDIO_CAPTURE");
    result.capture = readWav(capture);
    fs::remove(capture);
    return result;
}

}  // namespace OrvoAudioTest
