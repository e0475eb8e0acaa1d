#include "audio/ContentSniffer.h"

#include <cstdio>
#include <cstring>

namespace OrvoAudio {

namespace {
// Enough for every signature below; small enough to lie in the reader's first block.
constexpr std::size_t kProbeBytes = 512;
constexpr std::size_t kId3HeaderBytes = 10;

}  // namespace

std::int64_t ContentSniffer::id3v2Size(const std::uint8_t* p, std::size_t size) {
    if (size < kId3HeaderBytes || std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF ||
        ((p[6] | p[7] | p[8] | p[9]) & 0x80) != 0) {
        return 0;
    }
    const std::int64_t body = (std::int64_t{p[6]} << 21) | (std::int64_t{p[7]} << 14) |
                              (std::int64_t{p[8]} << 7) | std::int64_t{p[9]};
    const std::int64_t footer = (p[5] & 0x10) != 0 ? 10 : 0;
    return static_cast<std::int64_t>(kId3HeaderBytes) + body + footer;
}

bool ContentSniffer::isMpegHeader(const std::uint8_t* p) {
    // Frame sync, a version other than the reserved one, layer I-III (00 is ADTS AAC), and a
    // valid bitrate and sample-rate index.
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && ((p[1] >> 3) & 3) != 1 &&
           ((p[1] >> 1) & 3) != 0 && (p[2] >> 4) != 15 && ((p[2] >> 2) & 3) != 3;
}

ContentSniffer::Kind ContentSniffer::detect(const std::uint8_t* data, std::size_t size) {
    if (size >= 4 && std::memcmp(data, "fLaC", 4) == 0) {
        return Kind::Flac;
    }
    // The first Ogg page carries the codec's identification packet alone.
    if (size >= 27 && std::memcmp(data, "OggS", 4) == 0) {
        const std::size_t packet = 27 + std::size_t{data[26]};
        if (size >= packet + 7 && std::memcmp(data + packet, "\x01vorbis", 7) == 0) {
            return Kind::Vorbis;
        }
        return Kind::Other;
    }
    if (size >= 4 && isMpegHeader(data)) {
        return Kind::Mpeg;
    }
    return Kind::Other;
}

long ContentSniffer::readHead(FileReader& reader, std::uint8_t* buf, std::size_t size,
                              std::int64_t* start) {
    const std::int64_t back = reader.tell();
    *start = 0;
    long got = reader.seek(0, SEEK_SET) == 0 ? reader.read(buf, size) : -1;
    const std::int64_t tag = got > 0 ? id3v2Size(buf, static_cast<std::size_t>(got)) : 0;
    if (tag > 0) {
        *start = tag;
        got = reader.seek(tag, SEEK_SET) == tag ? reader.read(buf, size) : -1;
    }
    reader.seek(back, SEEK_SET);
    return got;
}

ContentSniffer::Kind ContentSniffer::detect(FileReader& reader) {
    std::uint8_t head[kProbeBytes];
    std::int64_t start = 0;
    const long got = readHead(reader, head, sizeof head, &start);
    reader.seek(0, SEEK_SET);
    return got > 0 ? detect(head, static_cast<std::size_t>(got)) : Kind::Other;
}

}  // namespace OrvoAudio
