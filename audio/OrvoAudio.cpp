// The exported handle interface: thin wrappers that keep exceptions (allocation failures) from
// crossing the library boundary.
#include "audio/OrvoAudio.h"

#include "audio/Engine.h"

namespace OrvoAudio {

namespace {
template <typename Fn, typename Fallback>
auto guarded(Fn&& fn, Fallback fallback) noexcept -> decltype(fn()) {
    try {
        return fn();
    } catch (...) {
        return fallback;
    }
}

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(const std::u16string& s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Engine& engine() { return Engine::instance(); }
}  // namespace

bool init(int device, int rate) {
    return guarded([&] { return engine().init(device, rate); }, false);
}

void free() {
    try {
        engine().free();
    } catch (...) {
    }
}

OutputKind outputKind() {
    return guarded([] { return engine().outputKind(); }, OutputKind::None);
}

int outputRate() {
    return guarded([] { return engine().outputRate(); }, 0);
}

Handle streamCreateFile(const std::string& utf8Path, std::uint64_t offset, std::uint64_t length) {
    return guarded([&] { return engine().createStream(utf8Path, offset, length); }, Handle{0});
}

Handle streamCreateFile(const std::u16string& path, std::uint64_t offset, std::uint64_t length) {
    return guarded([&] { return engine().createStream(toUtf8(path), offset, length); }, Handle{0});
}

bool streamFree(Handle stream) {
    return guarded([&] { return engine().freeStream(stream); }, false);
}

bool channelPlay(Handle stream, bool restart) {
    return guarded([&] { return engine().play(stream, restart); }, false);
}

bool channelStop(Handle stream) {
    return guarded([&] { return engine().stop(stream); }, false);
}

Activity channelIsActive(Handle stream) {
    return guarded([&] { return engine().activity(stream); }, Activity::Stopped);
}

std::int64_t channelGetLength(Handle stream) {
    return guarded([&] { return engine().lengthBytes(stream); }, std::int64_t{-1});
}

std::int64_t channelGetPosition(Handle stream) {
    return guarded([&] { return engine().positionBytes(stream); }, std::int64_t{-1});
}

bool channelSetPosition(Handle stream, std::int64_t bytes) {
    return guarded([&] { return engine().setPositionBytes(stream, bytes); }, false);
}

double channelBytes2Seconds(Handle stream, std::int64_t bytes) {
    return guarded([&] { return engine().bytesToSeconds(stream, bytes); }, -1.0);
}

std::int64_t channelSeconds2Bytes(Handle stream, double seconds) {
    return guarded([&] { return engine().secondsToBytes(stream, seconds); }, std::int64_t{-1});
}

bool channelSetVolume(Handle stream, float volume) {
    return guarded([&] { return engine().setVolume(stream, volume); }, false);
}

float channelGetVolume(Handle stream) {
    return guarded([&] { return engine().volume(stream); }, -1.0f);
}

Handle channelSetFxParamEq(Handle stream) {
    return guarded([&] { return engine().addFx(stream); }, Handle{0});
}

bool channelRemoveFx(Handle stream, Handle fx) {
    return guarded([&] { return engine().removeFx(stream, fx); }, false);
}

bool fxSetParameters(Handle fx, const ParamEq& params) {
    return guarded([&] { return engine().setFxParameters(fx, params); }, false);
}

bool fxGetParameters(Handle fx, ParamEq* params) {
    return guarded([&] { return engine().fxParameters(fx, params); }, false);
}

std::string streamSourcePath(Handle stream) {
    return guarded([&] { return engine().sourcePath(stream); }, std::string());
}

std::unique_ptr<FileReader> streamSourceReader(Handle stream) {
    return guarded([&] { return engine().sourceReader(stream); }, std::unique_ptr<FileReader>());
}

}  // namespace OrvoAudio
