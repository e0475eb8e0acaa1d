#pragma once
// The decoder of every format the light decoders do not take: FFmpeg through the file reader,
// resampled and mixed to stereo by libswresample.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/Decoder.h"
#include "audio/FfmpegUtil.h"

namespace OrvoAudio {

class FfmpegDecoder final : public Decoder {
public:
    // nullptr when the reader's window holds no audio stream FFmpeg can decode; `path` only
    // names the file in messages.
    static std::unique_ptr<FfmpegDecoder> open(std::unique_ptr<FileReader> reader,
                                               const std::string& path, int outRate);
    ~FfmpegDecoder() override;

    bool decode(std::vector<float>& out) override;
    bool seek(std::int64_t frame) override;

private:
    using Decoder::Decoder;
    bool convert(AVFrame* frame, std::vector<float>& out);
    bool ensureResampler(const AVFrame* frame);
    bool appendResampled(const std::uint8_t** in, int inCount, std::vector<float>& out);
    std::int64_t ptsToFrame(std::int64_t pts) const;

    IoPtr m_io;  // must outlive m_format
    FormatPtr m_format;
    CodecPtr m_codec;
    PacketPtr m_packet;
    FramePtr m_frame;
    SwrPtr m_swr;
    int m_streamIndex = -1;
    std::int64_t m_startPts = 0;

    // Input format the resampler was built for.
    int m_swrRate = 0;
    int m_swrFormat = -1;
    AVChannelLayout m_swrLayout{};
    int m_swrOutChannels = 2;

    bool m_draining = false;  // flush packet sent to the codec
    bool m_eof = false;
    std::vector<float> m_scratch;
};

}  // namespace OrvoAudio
