#pragma once
// Ogg Vorbis through libvorbisfile: sample-exact seeking by granule positions.

#include <vorbis/vorbisfile.h>

#include <memory>
#include <vector>

#include "audio/NativeDecoder.h"

namespace OrvoAudio {

class VorbisDecoder final : public NativeDecoder {
public:
    // nullptr when the reader's window is not Ogg Vorbis of one or two channels.
    static std::unique_ptr<VorbisDecoder> open(std::unique_ptr<FileReader> reader, int outRate);
    ~VorbisDecoder() override;

protected:
    long readSource(std::vector<float>& buf) override;
    bool seekSource(std::int64_t frame) override;

private:
    using NativeDecoder::NativeDecoder;

    OggVorbis_File m_file{};
    bool m_opened = false;
};

}  // namespace OrvoAudio
