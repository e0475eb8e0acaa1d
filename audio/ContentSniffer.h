#pragma once
// Tells the format family of a file by its first bytes, whatever its name says.

#include <cstdint>

#include "audio/FileReader.h"

namespace OrvoAudio {

class ContentSniffer {
public:
    enum class Kind { Mpeg, Flac, Vorbis, Other };

    // Reads the start of the window (past an ID3v2 tag) and rewinds the reader to 0.
    static Kind detect(FileReader& reader);
    // The same on bytes already read; exposed for the tests.
    static Kind detect(const std::uint8_t* data, std::size_t size);

    // Reads up to `size` bytes from the window's start, past an ID3v2 tag (where it ends goes to
    // *start), and puts the reader back where it was. The bytes read, or <= 0.
    static long readHead(FileReader& reader, std::uint8_t* buf, std::size_t size,
                         std::int64_t* start);
    // Size of the ID3v2 tag at data (header, body and footer), 0 when there is none.
    static std::int64_t id3v2Size(const std::uint8_t* data, std::size_t size);

private:
    static bool isMpegHeader(const std::uint8_t* p);
};

}  // namespace OrvoAudio
