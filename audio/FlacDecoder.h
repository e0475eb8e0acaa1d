#pragma once
// FLAC through libFLAC: sample-exact seeking by the stream's own seek tables and frame search.

#include <FLAC/stream_decoder.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/NativeDecoder.h"

namespace OrvoAudio {

class FlacDecoder final : public NativeDecoder {
public:
    // nullptr when the reader's window is not a FLAC stream of one or two channels.
    static std::unique_ptr<FlacDecoder> open(std::unique_ptr<FileReader> reader, int outRate);
    ~FlacDecoder() override;

protected:
    long readSource(std::vector<float>& buf) override;
    bool seekSource(std::int64_t frame) override;

private:
    using NativeDecoder::NativeDecoder;

    static FLAC__StreamDecoderReadStatus onRead(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                size_t* bytes, void* self);
    static FLAC__StreamDecoderSeekStatus onSeek(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                                void* self);
    static FLAC__StreamDecoderTellStatus onTell(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                                void* self);
    static FLAC__StreamDecoderLengthStatus onLength(const FLAC__StreamDecoder*,
                                                    FLAC__uint64* length, void* self);
    static FLAC__bool onEof(const FLAC__StreamDecoder*, void* self);
    static FLAC__StreamDecoderWriteStatus onWrite(const FLAC__StreamDecoder*,
                                                  const FLAC__Frame* frame,
                                                  const FLAC__int32* const samples[], void* self);
    static void onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* meta,
                           void* self);
    static void onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

    FLAC__StreamDecoder* m_flac = nullptr;
    int m_rate = 0;
    int m_channels = 0;
    std::int64_t m_total = 0;
    std::vector<float> m_pending;  // written by onWrite, taken by readSource
};

}  // namespace OrvoAudio
