#pragma once
// The shared part of the light decoders: reading blocks of source frames, resampling them to the
// output rate (libsoxr, skipped when the rates agree) and seeking by source frame. An
// implementation reads mono or stereo float frames at the source rate; files with more
// channels are left to FFmpeg, which mixes them down.

#include <soxr.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/Decoder.h"

namespace OrvoAudio {

class NativeDecoder : public Decoder {
public:
    ~NativeDecoder() override;

    bool decode(std::vector<float>& out) override;
    bool seek(std::int64_t frame) override;

protected:
    using Decoder::Decoder;

    // Called once by the implementation's open when the source is known: channels 1 or 2,
    // lengthFrames in source frames (0 when unknown). False when the resampler cannot be made.
    bool setSource(const char* codec, int rate, int channels, std::int64_t lengthFrames);
    // Appends interleaved source frames (channels as given to setSource) to buf and returns how
    // many; 0 at the end of the data, -1 on an error that later reads may get past.
    virtual long readSource(std::vector<float>& buf) = 0;
    // Makes the next readSource() start at source frame `frame`.
    virtual bool seekSource(std::int64_t frame) = 0;

private:
    bool convert(const float* in, std::size_t frames, std::vector<float>& out);
    void flushResampler(std::vector<float>& out);

    soxr_t m_soxr = nullptr;
    std::int64_t m_sourceLength = 0;
    std::vector<float> m_in;
    std::vector<float> m_resampled;
    bool m_eof = false;
};

}  // namespace OrvoAudio
