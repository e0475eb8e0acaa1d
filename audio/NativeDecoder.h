#pragma once
// The shared part of the light decoders: reading blocks of source frames, resampling them to the
// output rate (libsoxr, skipped when the rates agree) and seeking by source frame. An
// implementation reads mono or stereo float frames at the source rate; files with more
// channels are left to FFmpeg, which mixes them down. A file that opens but then cannot be
// decoded (nothing comes out, errors it cannot get past, a change of rate or channels) is
// handed to the fallback decoder (FFmpeg) from where the output stands.

#include <soxr.h>

#include <cstdint>
#include <functional>
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

    // Opens the decoder that takes over when this one cannot go on; tried once at most.
    using FallbackOpener = std::function<std::unique_ptr<Decoder>()>;
    void setFallback(FallbackOpener open) { m_openFallback = std::move(open); }

protected:
    // What readSource() returns when the rest of the data needs another decoder.
    static constexpr long kCannotFollow = -2;

    using Decoder::Decoder;

    // Called once by the implementation's open when the source is known: channels 1 or 2,
    // lengthFrames in source frames (0 when unknown). False when the resampler cannot be made.
    bool setSource(const char* codec, int rate, int channels, std::int64_t lengthFrames);
    // Appends interleaved source frames (channels as given to setSource) to buf and returns how
    // many; 0 at the end of the data, -1 on an error that later reads may get past,
    // kCannotFollow when the data goes on in a way this decoder cannot follow.
    virtual long readSource(std::vector<float>& buf) = 0;
    // Makes the next readSource() start at source frame `frame`.
    virtual bool seekSource(std::int64_t frame) = 0;

private:
    bool convert(const float* in, std::size_t frames, std::vector<float>& out);
    void flushResampler(std::vector<float>& out);
    // Opens the fallback and moves it to output frame `at`; false when there is none or it ends
    // before that frame.
    bool switchToFallback(std::int64_t at);
    bool decodeFallback(std::vector<float>& out);
    void followFallback();

    soxr_t m_soxr = nullptr;
    std::int64_t m_sourceLength = 0;
    std::vector<float> m_in;
    std::vector<float> m_resampled;
    bool m_eof = false;
    bool m_decodedAny = false;        // a source frame came out since the open
    bool m_decodedSinceSeek = false;  // ... since the open or the last seek
    FallbackOpener m_openFallback;
    std::unique_ptr<Decoder> m_fallback;  // once set, every call goes to it
    std::vector<float> m_carry;           // the fallback's first frames past the hand-over point
};

}  // namespace OrvoAudio
