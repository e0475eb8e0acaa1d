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

private:
    static bool isMpegHeader(const std::uint8_t* p);
};

}  // namespace OrvoAudio
