#pragma once
// Helpers for the audio tests: the generated media folder, WAV captures of the null output, and
// tone measurement.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audio/OrvoAudio.h"

namespace OrvoAudioTest {

// ORVO_TEST_MEDIA (set by CTest), else the build tree's generated media; empty when neither.
std::string mediaDir();
std::string media(const std::string& name);

struct Wav {
    int rate = 0;
    std::vector<float> samples;  // interleaved stereo
    std::size_t frames() const { return samples.size() / 2; }
};
// Reads a 16-bit PCM or 32-bit float stereo WAV; nullopt when malformed.
std::optional<Wav> readWav(const std::string& path);

// Amplitude of the sine at `hz` in channel `channel` over frames [first, first + count), Hann
// windowed (so neighbouring tones hardly leak in).
double toneAmplitude(const Wav& wav, int channel, double hz, std::size_t first, std::size_t count);
// Root mean square of one channel over a range.
double rms(const Wav& wav, int channel, std::size_t first, std::size_t count);
double toDb(double ratio);

struct PlayResult {
    OrvoAudio::Handle handle = 0;
    std::int64_t lengthBytes = -1;
    std::int64_t endPositionBytes = -1;
    bool ended = false;  // reported Stopped at the end within the time limit
    std::optional<Wav> capture;
};

// Initialises the null output (fast clock) capturing to a temporary file, opens `file`, lets
// `setup` prepare the stream (effects, volume, seek), plays it to the end and frees the engine.
// The capture is 32-bit float unless pcm16 is set.
PlayResult playToEnd(const std::string& file,
                     const std::function<void(OrvoAudio::Handle)>& setup = {},
                     double timeLimitSeconds = 30.0, bool pcm16 = false);

// Temporary folder for one test process.
std::string tempDir();

// Number of threads of this process.
int threadCount();

}  // namespace OrvoAudioTest
