#pragma once
// MPEG audio layers I-III through libmpg123: gapless (encoder delay and padding from the LAME
// header taken off), seeking by its frame index, an exact length where no header gives one.

#include <mpg123.h>

#include <memory>
#include <vector>

#include "audio/NativeDecoder.h"

namespace OrvoAudio {

class Mpg123Decoder final : public NativeDecoder {
public:
    // nullptr when libmpg123 finds no MPEG audio frame of one or two channels in the window.
    static std::unique_ptr<Mpg123Decoder> open(std::unique_ptr<FileReader> reader, int outRate);
    ~Mpg123Decoder() override;

protected:
    long readSource(std::vector<float>& buf) override;
    bool seekSource(std::int64_t frame) override;

private:
    using NativeDecoder::NativeDecoder;
    // True when no Xing, Info or VBRI header counts the frames, or when it counts more bytes
    // than the window holds (a cut-off file).
    bool lengthNeedsScan();

    mpg123_handle* m_handle = nullptr;
    std::vector<float> m_block;
};

}  // namespace OrvoAudio
