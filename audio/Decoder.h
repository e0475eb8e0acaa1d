#pragma once
// One file decoded by FFmpeg into interleaved stereo float frames at a fixed output rate.
// Threads: opened (and its length read) on the control thread; afterwards used by one thread at
// a time — the stream's decoder thread once playback started. Not thread-safe itself.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/FfmpegUtil.h"

namespace OrvoAudio {

class Decoder {
public:
    // nullptr when the byte window holds no decodable audio stream.
    static std::unique_ptr<Decoder> open(const std::string& path, std::uint64_t offset,
                                         std::uint64_t length, int outRate);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Length in output frames from the container (or stream) duration; 0 when unknown.
    std::int64_t lengthFrames() const { return m_lengthFrames; }
    // The output frame decode() delivers next, i.e. how far the data has been decoded; -1 right
    // after a seek, until the first frame tells where it landed.
    std::int64_t decodedFrames() const { return m_positionKnown ? m_position : -1; }
    int outRate() const { return m_outRate; }

    // Appends the next decoded frames (2 floats each) to out. Returns false, appending nothing,
    // at the end of the data; read and decoding errors are retried a bounded number of times and
    // then end the data too.
    bool decode(std::vector<float>& out);

    // From now on reading stops (decode() reports the end, seek() fails) soon after *flag turns
    // true, even inside a seek that decodes its way to the target. The flag must outlive us.
    void setInterrupt(const std::atomic<bool>* flag);

    // Repositions so that the next frame decode() delivers is output frame `frame` (as exactly
    // as the container's timestamps allow). False when the file cannot seek at all.
    bool seek(std::int64_t frame);

private:
    Decoder() = default;
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
    int m_outRate = 44100;
    std::int64_t m_lengthFrames = 0;
    std::int64_t m_startPts = 0;

    // Input format the resampler was built for.
    int m_swrRate = 0;
    int m_swrFormat = -1;
    AVChannelLayout m_swrLayout{};
    int m_swrOutChannels = 2;

    bool m_draining = false;  // flush packet sent to the codec
    bool m_eof = false;
    // Frame index of the next output frame, once known after a seek; frames before m_dropUntil
    // are decoded but not delivered.
    bool m_positionKnown = true;
    std::int64_t m_position = 0;
    std::int64_t m_dropUntil = 0;
    std::vector<float> m_scratch;
    const std::atomic<bool>* m_interrupt = nullptr;
};

}  // namespace OrvoAudio
