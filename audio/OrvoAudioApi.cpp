#include "audio/OrvoAudioApi.h"

namespace {
using namespace OrvoAudio;

Handle createUtf8(const std::string& path, std::uint64_t offset, std::uint64_t length) {
    return streamCreateFile(path, offset, length);
}

Handle createUtf16(const std::u16string& path, std::uint64_t offset, std::uint64_t length) {
    return streamCreateFile(path, offset, length);
}

const Api kApi = {
    kApiVersion,
    &init,
    &free,
    &outputKind,
    &outputRate,
    &createUtf8,
    &createUtf16,
    &streamFree,
    &channelPlay,
    &channelStop,
    &channelIsActive,
    &channelGetLength,
    &channelGetPosition,
    &channelSetPosition,
    &channelBytes2Seconds,
    &channelSeconds2Bytes,
    &channelSetVolume,
    &channelGetVolume,
    &channelSetFxParamEq,
    &channelRemoveFx,
    &fxSetParameters,
    &fxGetParameters,
    &streamSourcePath,
};
}  // namespace

const OrvoAudio::Api* OrvoAudio_GetApi() { return &kApi; }
