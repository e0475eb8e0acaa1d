#include "audio/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace OrvoAudio {

namespace {
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
// RIFF sizes are 32-bit; stop appending before they would overflow.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFF00ull - 64;

void put16(std::vector<unsigned char>& b, std::uint16_t v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
    }
}
void putTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }
}  // namespace

bool WavWriter::open(const std::string& path, int rate, bool floatSamples) {
    close();
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) {
        return false;
    }
    m_rate = rate;
    m_float = floatSamples;
    m_dataBytes = 0;
    if (!writeHeader()) {
        std::fclose(m_file);
        m_file = nullptr;
        return false;
    }
    return true;
}

bool WavWriter::writeHeader() {
    const std::uint16_t channels = 2;
    const std::uint16_t bits = m_float ? 32 : 16;
    const std::uint16_t blockAlign = channels * bits / 8;
    const auto data = static_cast<std::uint32_t>(m_dataBytes);
    std::vector<unsigned char> h;
    putTag(h, "RIFF");
    // Float files carry the extended fmt chunk (18 bytes) and a fact chunk, as the format asks.
    const std::uint32_t fmtSize = m_float ? 18 : 16;
    const std::uint32_t factSize = m_float ? 12 : 0;
    put32(h, 4 + (8 + fmtSize) + factSize + 8 + data);
    putTag(h, "WAVE");
    putTag(h, "fmt ");
    put32(h, fmtSize);
    put16(h, m_float ? kFormatFloat : kFormatPcm);
    put16(h, channels);
    put32(h, static_cast<std::uint32_t>(m_rate));
    put32(h, static_cast<std::uint32_t>(m_rate) * blockAlign);
    put16(h, blockAlign);
    put16(h, bits);
    if (m_float) {
        put16(h, 0);
        putTag(h, "fact");
        put32(h, 4);
        put32(h, data / blockAlign);
    }
    putTag(h, "data");
    put32(h, data);
    if (std::fseek(m_file, 0, SEEK_SET) != 0) {
        return false;
    }
    return std::fwrite(h.data(), 1, h.size(), m_file) == h.size();
}

bool WavWriter::write(const float* frames, std::size_t count) {
    if (m_file == nullptr || count == 0) {
        return m_file != nullptr;
    }
    const std::size_t bytesPerFrame = m_float ? 8 : 4;
    if (m_dataBytes + count * bytesPerFrame > kMaxDataBytes) {
        return false;
    }
    std::size_t written = 0;
    if (m_float) {
        written = std::fwrite(frames, bytesPerFrame, count, m_file);
    } else {
        m_pcm.resize(count * 2);
        for (std::size_t i = 0; i < count * 2; ++i) {
            const float v = std::clamp(frames[i], -1.0f, 1.0f);
            m_pcm[i] = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
        }
        written = std::fwrite(m_pcm.data(), bytesPerFrame, count, m_file);
    }
    m_dataBytes += written * bytesPerFrame;
    return written == count;
}

void WavWriter::close() {
    if (m_file == nullptr) {
        return;
    }
    writeHeader();
    std::fclose(m_file);
    m_file = nullptr;
}

}  // namespace OrvoAudio
