#include "audio/FlacDecoder.h"

#include <cstdio>

namespace OrvoAudio {

namespace {
// Frames libFLAC may skip (lost sync, bad CRC) in one read before it counts as an error.
constexpr int kMaxSteps = 64;
}  // namespace

std::unique_ptr<FlacDecoder> FlacDecoder::open(std::unique_ptr<FileReader> reader, int outRate) {
    std::unique_ptr<FlacDecoder> d(new FlacDecoder(std::move(reader), outRate));
    d->m_flac = FLAC__stream_decoder_new();
    if (d->m_flac == nullptr ||
        FLAC__stream_decoder_init_stream(d->m_flac, &onRead, &onSeek, &onTell, &onLength, &onEof,
                                         &onWrite, &onMetadata, &onError,
                                         d.get()) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(d->m_flac) || d->m_rate <= 0 ||
        !d->setSource("flac", d->m_rate, d->m_channels, d->m_total)) {
        return nullptr;
    }
    return d;
}

FlacDecoder::~FlacDecoder() {
    if (m_flac != nullptr) {
        FLAC__stream_decoder_delete(m_flac);
    }
}

long FlacDecoder::readSource(std::vector<float>& buf) {
    for (int step = 0; m_pending.empty() && step < kMaxSteps; ++step) {
        if (FLAC__stream_decoder_get_state(m_flac) == FLAC__STREAM_DECODER_END_OF_STREAM) {
            return 0;
        }
        if (!FLAC__stream_decoder_process_single(m_flac)) {
            return FLAC__stream_decoder_get_state(m_flac) == FLAC__STREAM_DECODER_END_OF_STREAM
                       ? 0
                       : -1;
        }
    }
    if (m_pending.empty()) {
        return -1;
    }
    buf.swap(m_pending);
    m_pending.clear();
    return static_cast<long>(buf.size() / static_cast<std::size_t>(m_channels));
}

bool FlacDecoder::seekSource(std::int64_t frame) {
    m_pending.clear();
    if (FLAC__stream_decoder_seek_absolute(m_flac, static_cast<FLAC__uint64>(frame))) {
        return true;  // onWrite holds the audio from the target on
    }
    if (FLAC__stream_decoder_get_state(m_flac) == FLAC__STREAM_DECODER_SEEK_ERROR) {
        FLAC__stream_decoder_flush(m_flac);
    }
    m_pending.clear();
    return false;
}

FLAC__StreamDecoderReadStatus FlacDecoder::onRead(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                  size_t* bytes, void* self) {
    const long got = static_cast<FlacDecoder*>(self)->reader().read(buffer, *bytes);
    if (got < 0) {
        *bytes = 0;
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    *bytes = static_cast<size_t>(got);
    return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                    : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderSeekStatus FlacDecoder::onSeek(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                                  void* self) {
    return static_cast<FlacDecoder*>(self)->reader().seek(static_cast<std::int64_t>(offset),
                                                          SEEK_SET) < 0
               ? FLAC__STREAM_DECODER_SEEK_STATUS_ERROR
               : FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}

FLAC__StreamDecoderTellStatus FlacDecoder::onTell(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                                  void* self) {
    *offset = static_cast<FLAC__uint64>(static_cast<FlacDecoder*>(self)->reader().tell());
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus FlacDecoder::onLength(const FLAC__StreamDecoder*,
                                                      FLAC__uint64* length, void* self) {
    *length = static_cast<FLAC__uint64>(static_cast<FlacDecoder*>(self)->reader().size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool FlacDecoder::onEof(const FLAC__StreamDecoder*, void* self) {
    FileReader& reader = static_cast<FlacDecoder*>(self)->reader();
    return reader.tell() >= reader.size() || reader.interrupted();
}

FLAC__StreamDecoderWriteStatus FlacDecoder::onWrite(const FLAC__StreamDecoder*,
                                                    const FLAC__Frame* frame,
                                                    const FLAC__int32* const samples[],
                                                    void* self) {
    auto* d = static_cast<FlacDecoder*>(self);
    const unsigned bits = frame->header.bits_per_sample;
    if (bits == 0 || bits > 32 || frame->header.channels == 0) {
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const float scale = 1.0f / static_cast<float>(1ull << (bits - 1));
    // A frame with other channels than the header said keeps the stream's channel count.
    const unsigned last = frame->header.channels - 1;
    const unsigned blocksize = frame->header.blocksize;
    for (unsigned i = 0; i < blocksize; ++i) {
        for (int c = 0; c < d->m_channels; ++c) {
            const unsigned from = static_cast<unsigned>(c) < last ? static_cast<unsigned>(c) : last;
            d->m_pending.push_back(static_cast<float>(samples[from][i]) * scale);
        }
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacDecoder::onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* meta,
                             void* self) {
    if (meta->type != FLAC__METADATA_TYPE_STREAMINFO) {
        return;
    }
    auto* d = static_cast<FlacDecoder*>(self);
    d->m_rate = static_cast<int>(meta->data.stream_info.sample_rate);
    d->m_channels = static_cast<int>(meta->data.stream_info.channels);
    d->m_total = static_cast<std::int64_t>(meta->data.stream_info.total_samples);
}

}  // namespace OrvoAudio
