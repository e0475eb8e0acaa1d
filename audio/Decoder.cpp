#include "audio/Decoder.h"

#include <algorithm>
#include <cmath>

#include "audio/ContentSniffer.h"
#include "audio/FfmpegLoader.h"
#include "audio/FlacDecoder.h"
#include "audio/Mpg123Decoder.h"
#include "audio/VorbisDecoder.h"

namespace OrvoAudio {

std::unique_ptr<Decoder> Decoder::open(const std::string& path, std::uint64_t offset,
                                       std::uint64_t length, int outRate) {
    if (outRate <= 0) {
        return nullptr;
    }
    std::unique_ptr<FileReader> reader = FileReader::open(path, offset, length);
    if (!reader) {
        return nullptr;
    }
    std::unique_ptr<NativeDecoder> light;
    switch (ContentSniffer::detect(*reader)) {
        case ContentSniffer::Kind::Mpeg:
            light = Mpg123Decoder::open(std::move(reader), outRate);
            break;
        case ContentSniffer::Kind::Flac:
            light = FlacDecoder::open(std::move(reader), outRate);
            break;
        case ContentSniffer::Kind::Vorbis:
            light = VorbisDecoder::open(std::move(reader), outRate);
            break;
        case ContentSniffer::Kind::Other:
            break;
    }
    const auto openFfmpeg = [path, offset, length, outRate]() -> std::unique_ptr<Decoder> {
        std::unique_ptr<FileReader> fresh = FileReader::open(path, offset, length);
        return fresh ? FfmpegLoader::open(std::move(fresh), path, outRate) : nullptr;
    };
    if (light) {
        // Accepted by its magic bytes; FFmpeg takes over if it turns out not to decode.
        light->setFallback(openFfmpeg);
        return light;
    }
    // Refused by the light decoder (or none fits): FFmpeg gets a fresh reader.
    return reader ? FfmpegLoader::open(std::move(reader), path, outRate) : openFfmpeg();
}

Decoder::Decoder(std::unique_ptr<FileReader> reader, int outRate)
    : m_reader(std::move(reader)), m_outRate(outRate) {}

Decoder::~Decoder() = default;

void Decoder::setInterrupt(const std::atomic<bool>* flag) {
    m_interrupt = flag;
    m_reader->setInterrupt(flag);
}

void Decoder::setLengthSeconds(double seconds) {
    if (std::isfinite(seconds) && seconds > 0.0 && seconds < 1e7) {
        m_lengthFrames = std::llround(seconds * m_outRate);
    }
}

void Decoder::resetPosition(std::int64_t position, std::int64_t dropUntil) {
    m_positionKnown = position >= 0;
    m_position = std::max<std::int64_t>(position, 0);
    m_dropUntil = dropUntil;
}

void Decoder::deliver(const float* frames, std::int64_t count, int channels,
                      std::vector<float>& out) {
    std::int64_t skip = 0;
    if (m_positionKnown && m_position < m_dropUntil) {
        skip = std::min<std::int64_t>(m_dropUntil - m_position, count);
    }
    m_position += count;
    const auto first = static_cast<std::size_t>(skip);
    const auto total = static_cast<std::size_t>(count);
    if (channels == 1) {
        for (std::size_t i = first; i < total; ++i) {
            out.push_back(frames[i]);
            out.push_back(frames[i]);
        }
    } else {
        out.insert(out.end(), frames + first * 2, frames + total * 2);
    }
}

}  // namespace OrvoAudio
