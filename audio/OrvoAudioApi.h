#pragma once
// The handle interface of OrvoAudio.h as one table of function pointers, for a program that loads
// libOrvo_Audio.so at run time instead of linking it: the library drags in FFmpeg's and
// PortAudio's whole dependency tree, and loading that at exec would delay the first window by
// tens of milliseconds. Resolve the one plain symbol "OrvoAudio_GetApi" and call through the table.
// The table is static and valid for as long as the library stays loaded; the functions keep the
// contracts written in OrvoAudio.h.

#include "audio/OrvoAudio.h"

namespace OrvoAudio {

struct Api {
    int version;  // kApiVersion of the library that filled the table
    bool (*init)(int device, int rate);
    void (*free)();
    OutputKind (*outputKind)();
    int (*outputRate)();
    Handle (*streamCreateFileUtf8)(const std::string& utf8Path, std::uint64_t offset,
                                   std::uint64_t length);
    Handle (*streamCreateFileUtf16)(const std::u16string& path, std::uint64_t offset,
                                    std::uint64_t length);
    bool (*streamFree)(Handle stream);
    bool (*channelPlay)(Handle stream, bool restart);
    bool (*channelStop)(Handle stream);
    Activity (*channelIsActive)(Handle stream);
    std::int64_t (*channelGetLength)(Handle stream);
    std::int64_t (*channelGetPosition)(Handle stream);
    bool (*channelSetPosition)(Handle stream, std::int64_t bytes);
    double (*channelBytes2Seconds)(Handle stream, std::int64_t bytes);
    std::int64_t (*channelSeconds2Bytes)(Handle stream, double seconds);
    bool (*channelSetVolume)(Handle stream, float volume);
    float (*channelGetVolume)(Handle stream);
    Handle (*channelSetFxParamEq)(Handle stream);
    bool (*channelRemoveFx)(Handle stream, Handle fx);
    bool (*fxSetParameters)(Handle fx, const ParamEq& params);
    bool (*fxGetParameters)(Handle fx, ParamEq* params);
    std::string (*streamSourcePath)(Handle stream);
};

inline constexpr int kApiVersion = 1;

}  // namespace OrvoAudio

extern "C" ORVO_AUDIO_EXPORT const OrvoAudio::Api* OrvoAudio_GetApi();
