// Entry point of libOrvo_AudioFfmpeg.so, the plugin FfmpegLoader opens on demand.
#include "audio/FfmpegDecoder.h"

// Takes ownership of reader; the decoder it returns is deleted through Decoder's destructor.
extern "C" ORVO_AUDIO_EXPORT OrvoAudio::Decoder* OrvoAudio_OpenFfmpegDecoder(
    OrvoAudio::FileReader* reader, const char* path, int outRate) {
    std::unique_ptr<OrvoAudio::FileReader> owned(reader);
    return OrvoAudio::FfmpegDecoder::open(std::move(owned), path, outRate).release();
}
