#pragma once
// FFmpeg's decoder lives in a plugin of its own (libOrvo_AudioFfmpeg.so, beside this library):
// FFmpeg maps some 190 shared libraries, which only a file the light decoders do not take
// should pay for. Loaded the first time such a file opens and kept loaded after that.
// Threads: any; the first load is serialised.

#include <memory>
#include <string>

#include "audio/Decoder.h"

namespace OrvoAudio {

class FfmpegLoader {
public:
    // The FFmpeg decoder of the reader's window, or nullptr (no plugin, or FFmpeg refuses).
    static std::unique_ptr<Decoder> open(std::unique_ptr<FileReader> reader,
                                         const std::string& path, int outRate);
};

}  // namespace OrvoAudio
