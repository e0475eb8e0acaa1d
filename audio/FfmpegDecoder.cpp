#include "audio/FfmpegDecoder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/FileReader.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace OrvoAudio {

namespace {
constexpr int kIoBufferSize = 32 * 1024;
// Consecutive failed reads (not end of file) before the data is treated as ended.
constexpr int kMaxReadErrors = 8;
// Consecutive packets the codec rejects before the data is treated as ended.
constexpr int kMaxBadPackets = 200;

// AVIOContext callbacks (opaque = FileReader*).
int readPacket(void* opaque, std::uint8_t* buf, int size) {
    auto* reader = static_cast<FileReader*>(opaque);
    if (size <= 0) {
        return AVERROR_EOF;
    }
    const long got = reader->read(buf, static_cast<std::size_t>(size));
    if (got > 0) {
        return static_cast<int>(got);
    }
    return got == 0 ? AVERROR_EOF : AVERROR(EIO);
}

std::int64_t seekPacket(void* opaque, std::int64_t offset, int whence) {
    auto* reader = static_cast<FileReader*>(opaque);
    if (whence & AVSEEK_SIZE) {
        return reader->size();
    }
    if (reader->interrupted()) {
        return AVERROR_EXIT;
    }
    const std::int64_t pos = reader->seek(offset, whence & ~AVSEEK_FORCE);
    return pos < 0 ? AVERROR(EINVAL) : pos;
}
}  // namespace

FfmpegDecoder::~FfmpegDecoder() { av_channel_layout_uninit(&m_swrLayout); }

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::open(std::unique_ptr<FileReader> reader,
                                                   const std::string& path, int outRate) {
    setupFfmpegLogging();
    std::unique_ptr<FfmpegDecoder> d(new FfmpegDecoder(std::move(reader), outRate));
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr) {
        return nullptr;
    }
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, 0, &d->reader(), &readPacket,
                                         nullptr, &seekPacket);
    if (io == nullptr) {
        av_free(buffer);
        return nullptr;
    }
    d->m_io.reset(io);

    AVFormatContext* fmt = avformat_alloc_context();
    if (fmt == nullptr) {
        return nullptr;
    }
    fmt->pb = io;
    fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
    // avformat_open_input frees fmt itself on failure.
    int err = avformat_open_input(&fmt, nullptr, nullptr, nullptr);
    if (err < 0) {
        logFfmpegError(("open " + path).c_str(), err);
        return nullptr;
    }
    d->m_format.reset(fmt);
    err = avformat_find_stream_info(fmt, nullptr);
    if (err < 0) {
        logFfmpegError(("stream info " + path).c_str(), err);
        return nullptr;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr) {
        logMessage("no audio stream in " + path);
        return nullptr;
    }
    d->m_streamIndex = index;
    AVStream* stream = fmt->streams[index];
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (static_cast<int>(i) != index) {
            fmt->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    d->m_codec.reset(avcodec_alloc_context3(codec));
    if (!d->m_codec) {
        return nullptr;
    }
    err = avcodec_parameters_to_context(d->m_codec.get(), stream->codecpar);
    if (err >= 0) {
        d->m_codec->pkt_timebase = stream->time_base;
        d->m_codec->thread_count = 1;
        err = avcodec_open2(d->m_codec.get(), codec, nullptr);
    }
    if (err < 0) {
        logFfmpegError(("codec " + path).c_str(), err);
        return nullptr;
    }
    if (d->m_codec->sample_rate <= 0 || d->m_codec->ch_layout.nb_channels <= 0) {
        logMessage("no sample rate or channels in " + path);
        return nullptr;
    }
    d->m_packet.reset(av_packet_alloc());
    d->m_frame.reset(av_frame_alloc());
    if (!d->m_packet || !d->m_frame) {
        return nullptr;
    }
    d->m_startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;

    d->m_source =
        SourceFormat{codec->name, d->m_codec->sample_rate, d->m_codec->ch_layout.nb_channels};

    double seconds = 0.0;
    if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0) {
        seconds = static_cast<double>(fmt->duration) / AV_TIME_BASE;
    } else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        seconds = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    }
    d->setLengthSeconds(seconds);
    return d;
}

std::int64_t FfmpegDecoder::ptsToFrame(std::int64_t pts) const {
    const AVRational tb = m_format->streams[m_streamIndex]->time_base;
    return av_rescale_q_rnd(pts - m_startPts, tb, AVRational{1, outRate()},
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool FfmpegDecoder::ensureResampler(const AVFrame* frame) {
    if (m_swr && frame->sample_rate == m_swrRate && frame->format == m_swrFormat &&
        av_channel_layout_compare(&frame->ch_layout, &m_swrLayout) == 0) {
        return true;
    }
    m_swr.reset();
    av_channel_layout_uninit(&m_swrLayout);
    if (frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0) {
        return false;
    }
    // Mono is copied to both channels at full level (a rematrix would lower it by 3 dB).
    m_swrOutChannels = frame->ch_layout.nb_channels == 1 ? 1 : 2;
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, m_swrOutChannels);
    AVChannelLayout inLayout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
    } else {
        av_channel_layout_copy(&inLayout, &frame->ch_layout);
    }
    SwrContext* swr = nullptr;
    int err = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, outRate(), &inLayout,
                                  static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                  nullptr);
    av_channel_layout_uninit(&outLayout);
    av_channel_layout_uninit(&inLayout);
    if (err >= 0) {
        err = swr_init(swr);
    }
    if (err < 0) {
        swr_free(&swr);
        logFfmpegError("resampler", err);
        return false;
    }
    m_swr.reset(swr);
    m_swrRate = frame->sample_rate;
    m_swrFormat = frame->format;
    av_channel_layout_copy(&m_swrLayout, &frame->ch_layout);
    return true;
}

bool FfmpegDecoder::appendResampled(const std::uint8_t** in, int inCount, std::vector<float>& out) {
    const int capacity = swr_get_out_samples(m_swr.get(), inCount);
    if (capacity <= 0) {
        return true;
    }
    m_scratch.resize(static_cast<size_t>(capacity) * m_swrOutChannels);
    auto* dst = reinterpret_cast<std::uint8_t*>(m_scratch.data());
    const int got = swr_convert(m_swr.get(), &dst, capacity, in, inCount);
    if (got < 0) {
        logFfmpegError("resample", got);
        return false;
    }
    deliver(m_scratch.data(), got, m_swrOutChannels, out);
    return true;
}

bool FfmpegDecoder::convert(AVFrame* frame, std::vector<float>& out) {
    if (!ensureResampler(frame)) {
        return false;
    }
    if (!positionKnown()) {
        const std::int64_t pts = frame->best_effort_timestamp;
        // Without a timestamp the seek is taken to have landed on the target.
        setPosition(pts != AV_NOPTS_VALUE ? ptsToFrame(pts) : dropUntil());
    }
    return appendResampled(const_cast<const std::uint8_t**>(frame->extended_data),
                           frame->nb_samples, out);
}

bool FfmpegDecoder::decode(std::vector<float>& out) {
    if (m_eof) {
        return false;
    }
    const size_t before = out.size();
    int readErrors = 0;
    int badPackets = 0;
    for (;;) {
        // After a seek this loop may decode a long way before it delivers anything.
        if (interrupted()) {
            return out.size() > before;
        }
        int ret = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (ret == 0) {
            const bool ok = convert(m_frame.get(), out);
            av_frame_unref(m_frame.get());
            if (!ok) {
                m_eof = true;
                return out.size() > before;
            }
            if (out.size() > before) {
                return true;
            }
            continue;  // everything dropped (seek) or held by the resampler
        }
        if (ret == AVERROR_EOF) {
            if (m_swr) {
                appendResampled(nullptr, 0, out);  // the resampler's tail
            }
            m_eof = true;
            return out.size() > before;
        }
        if (ret != AVERROR(EAGAIN)) {
            // A frame the codec could not decode: skip it, but not forever.
            if (++badPackets > kMaxBadPackets) {
                logFfmpegError("decode", ret);
                m_eof = true;
                return out.size() > before;
            }
            continue;
        }
        if (m_draining) {
            m_eof = true;  // the codec wants input after the flush packet: nothing more
            return out.size() > before;
        }
        ret = av_read_frame(m_format.get(), m_packet.get());
        if (ret < 0) {
            if (ret != AVERROR_EOF && ++readErrors <= kMaxReadErrors) {
                continue;
            }
            if (ret != AVERROR_EOF) {
                logFfmpegError("read", ret);
            }
            m_draining = true;
            avcodec_send_packet(m_codec.get(), nullptr);
            continue;
        }
        readErrors = 0;
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet.get());
            continue;
        }
        ret = avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (ret < 0 && ret != AVERROR(EAGAIN)) {
            if (++badPackets > kMaxBadPackets) {
                logFfmpegError("decode", ret);
                m_eof = true;
                return out.size() > before;
            }
        } else {
            badPackets = 0;
        }
    }
}

bool FfmpegDecoder::seek(std::int64_t frame) {
    if (frame < 0) {
        frame = 0;
    }
    AVStream* stream = m_format->streams[m_streamIndex];
    const std::int64_t ts =
        m_startPts + av_rescale_q(frame, AVRational{1, outRate()}, stream->time_base);
    int err = av_seek_frame(m_format.get(), m_streamIndex, ts, AVSEEK_FLAG_BACKWARD);
    if (err < 0) {
        // Some raw streams only rewind: go to the start and decode up to the target.
        err = av_seek_frame(m_format.get(), m_streamIndex, m_startPts, AVSEEK_FLAG_BACKWARD);
        if (err < 0) {
            err = avio_seek(m_format->pb, 0, SEEK_SET) < 0 ? -1 : 0;
        }
        if (err < 0) {
            logFfmpegError("seek", err);
            return false;
        }
    }
    avcodec_flush_buffers(m_codec.get());
    m_swr.reset();  // rebuilt on the next frame, without the old tail
    av_channel_layout_uninit(&m_swrLayout);
    m_draining = false;
    m_eof = false;
    resetPosition(-1, frame);
    return true;
}

}  // namespace OrvoAudio
