#include "audio/FfmpegLoader.h"

#include <dlfcn.h>

#include <mutex>

#include "audio/AudioLog.h"

#ifdef ORVO_AUDIO_FFMPEG_LINKED
#include "audio/FfmpegDecoder.h"
#endif

namespace OrvoAudio {

namespace {
using OpenFn = Decoder* (*)(FileReader* reader, const char* path, int outRate);

#ifndef ORVO_AUDIO_FFMPEG_LINKED
// The plugin beside the file this function was loaded from.
OpenFn loadPlugin() {
    Dl_info self{};
    if (dladdr(reinterpret_cast<const void*>(&loadPlugin), &self) == 0 ||
        self.dli_fname == nullptr) {
        return nullptr;
    }
    // The plugin takes the decoder's base classes from this library, which a program may have
    // loaded privately (RTLD_LOCAL): make its exported symbols visible to the plugin first.
    if (::dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL) == nullptr) {
        logMessage("cannot share the audio library's symbols with the FFmpeg decoder");
        return nullptr;
    }
    std::string path = self.dli_fname;
    const std::size_t slash = path.rfind('/');
    path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           "libOrvo_AudioFfmpeg.so";
    void* plugin = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
        const char* err = ::dlerror();
        logMessage("cannot load the FFmpeg decoder: " + std::string(err != nullptr ? err : path));
        return nullptr;
    }
    // Never closed: FFmpeg keeps process-wide state, and later files need it again.
    return reinterpret_cast<OpenFn>(::dlsym(plugin, "OrvoAudio_OpenFfmpegDecoder"));
}
#endif
}  // namespace

std::unique_ptr<Decoder> FfmpegLoader::open(std::unique_ptr<FileReader> reader,
                                            const std::string& path, int outRate) {
#ifdef ORVO_AUDIO_FFMPEG_LINKED
    return FfmpegDecoder::open(std::move(reader), path, outRate);
#else
    static std::once_flag once;
    static OpenFn openFn = nullptr;
    std::call_once(once, [] { openFn = loadPlugin(); });
    if (openFn == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Decoder>(openFn(reader.release(), path.c_str(), outRate));
#endif
}

}  // namespace OrvoAudio
