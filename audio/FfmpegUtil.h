#pragma once
// FFmpeg object ownership and error reporting for the decoder.
// Threads: used by the control thread (opening streams) and the decoder threads; never by the
// output callback (logging writes to stderr).

#include <memory>
#include <string>

#include "audio/AudioLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace OrvoAudio {

struct AvFormatCloser {
    void operator()(AVFormatContext* ctx) const;
};
struct AvCodecCloser {
    void operator()(AVCodecContext* ctx) const;
};
struct AvPacketCloser {
    void operator()(AVPacket* pkt) const;
};
struct AvFrameCloser {
    void operator()(AVFrame* frame) const;
};
struct SwrCloser {
    void operator()(SwrContext* swr) const;
};
// Custom I/O context: frees its buffer (the reader behind it belongs to the decoder).
struct AvIoCloser {
    void operator()(AVIOContext* io) const;
};

using FormatPtr = std::unique_ptr<AVFormatContext, AvFormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, AvCodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, AvPacketCloser>;
using FramePtr = std::unique_ptr<AVFrame, AvFrameCloser>;
using SwrPtr = std::unique_ptr<SwrContext, SwrCloser>;
using IoPtr = std::unique_ptr<AVIOContext, AvIoCloser>;

// Text of an FFmpeg error code.
std::string ffmpegErrorText(int err);
// Writes "orvo-audio: <what>: <error text>" to stderr.
void logFfmpegError(const char* what, int err);
// Quietens FFmpeg's own logging once per process (errors only).
void setupFfmpegLogging();

}  // namespace OrvoAudio
