#include "audio/FfmpegUtil.h"

#include <cstdio>
#include <mutex>

namespace OrvoAudio {

void AvFormatCloser::operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }

void AvCodecCloser::operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }

void AvPacketCloser::operator()(AVPacket* pkt) const { av_packet_free(&pkt); }

void AvFrameCloser::operator()(AVFrame* frame) const { av_frame_free(&frame); }

void SwrCloser::operator()(SwrContext* swr) const { swr_free(&swr); }

void AvIoCloser::operator()(AVIOContext* io) const {
    if (io == nullptr) {
        return;
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
}

std::string ffmpegErrorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(err, buf, sizeof buf) < 0) {
        return "error " + std::to_string(err);
    }
    return buf;
}

void logFfmpegError(const char* what, int err) {
    std::fprintf(stderr, "orvo-audio: %s: %s\n", what, ffmpegErrorText(err).c_str());
}

void setupFfmpegLogging() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

}  // namespace OrvoAudio
