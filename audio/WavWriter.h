#pragma once
// Writes stereo audio to a WAV file: 16-bit PCM, or 32-bit IEEE float. The header is written with
// placeholder sizes and fixed up by close() (also on destruction). Used by the null output's
// thread only.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace OrvoAudio {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter() { close(); }
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(const std::string& path, int rate, bool floatSamples);
    // Interleaved stereo frames in [-1, 1]; 16-bit output is clamped and rounded.
    bool write(const float* frames, std::size_t count);
    void close();
    bool isOpen() const { return m_file != nullptr; }

private:
    bool writeHeader();

    std::FILE* m_file = nullptr;
    int m_rate = 0;
    bool m_float = false;
    std::uint64_t m_dataBytes = 0;
    std::vector<std::int16_t> m_pcm;
};

}  // namespace OrvoAudio
