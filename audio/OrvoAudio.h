#pragma once
// Public interface of libOrvo_Audio.so: a small handle-based audio engine.
//
// Threads: every function may be called from any thread; the engine serialises access to its
// handle table internally. Handles are never reused within one process lifetime, so a stale
// handle (freed stream, freed effect) is always "unknown": calls on it do nothing and report
// failure (false, 0, -1 as documented per call).
//
// Units: "bytes" are bytes of the engine's output format, 32-bit float stereo at the rate given
// to init() (8 bytes per frame), whatever the source file's own format.
//
// Environment (read by init()):
//   ORVO_AUDIO_OUTPUT=null      use the null output (default: PortAudio's default device, falling
//                               back to null when there is none)
//   ORVO_AUDIO_CAPTURE=FILE.wav the null output writes what it plays to FILE.wav
//                               (FILE.f32.wav or ORVO_AUDIO_CAPTURE_FORMAT=float: 32-bit float,
//                               otherwise 16-bit PCM, clamped). Only frames that carry audio of a
//                               playing stream are written: no silence between songs, before the
//                               first play or while a decoder catches up, so a capture of one
//                               song is exactly its decoded audio (after equaliser and volume).
//   ORVO_AUDIO_SPEED=N          the null output runs N times faster than real time

#include <cstdint>
#include <string>

#if defined(ORVO_AUDIO_BUILD)
#define ORVO_AUDIO_EXPORT __attribute__((visibility("default")))
#else
#define ORVO_AUDIO_EXPORT
#endif

namespace OrvoAudio {

using Handle = std::uint32_t;  // 0 is never a valid handle

// Result of channelIsActive().
enum class Activity : int { Stopped = 0, Playing = 1, Stalled = 2 };

// Which output init() picked.
enum class OutputKind : int { None = 0, PortAudio = 1, Null = 2 };

// Parameters of one peaking-equaliser band.
struct ParamEq {
    float centerHz = 8000.0f;          // 20 .. 16000, clamped below Nyquist
    float bandwidthSemitones = 12.0f;  // 1 .. 36
    float gainDb = 0.0f;               // -15 .. +15; 0 = flat (the default of a new effect)
};

// Opens the output. device -1 = the default device, 0 = no sound (the null output), n >= 1 =
// PortAudio device n - 1; rate = output sample rate in Hz.
// Returns false when already initialised or when no output (not even null) could be opened.
ORVO_AUDIO_EXPORT bool init(int device = -1, int rate = 44100);
// Stops and frees every stream and closes the output. Safe to call when not initialised.
ORVO_AUDIO_EXPORT void free();
ORVO_AUDIO_EXPORT OutputKind outputKind();
ORVO_AUDIO_EXPORT int outputRate();  // 0 when not initialised

// Opens a file as a stream (not playing). offset/length select a byte range of the file
// (0, 0 = whole file). Returns 0 when the file cannot be opened or decoded. Opening does not start
// a decoder thread; it is cheap enough to open a stream just to read its tags.
// Works without init(); such a stream can report its length and source path but not play.
ORVO_AUDIO_EXPORT Handle streamCreateFile(const std::string& utf8Path, std::uint64_t offset = 0,
                                          std::uint64_t length = 0);
ORVO_AUDIO_EXPORT Handle streamCreateFile(const std::u16string& path, std::uint64_t offset = 0,
                                          std::uint64_t length = 0);
// Stops the stream, ends its decoder thread and releases it with its effects.
ORVO_AUDIO_EXPORT bool streamFree(Handle stream);

// Starts or resumes the stream. restart=false continues from the current position.
ORVO_AUDIO_EXPORT bool channelPlay(Handle stream, bool restart = false);
ORVO_AUDIO_EXPORT bool channelStop(Handle stream);
// Stopped also after the end of the data has been heard, and for unknown handles.
ORVO_AUDIO_EXPORT Activity channelIsActive(Handle stream);

// Length of the decoded data in bytes; 0 when unknown; -1 for an unknown handle. It starts as
// the file announces and follows what really decodes: it grows while playing passes an estimate
// (ADTS AAC) and, once the data has ended, is what was decoded (headers that promise more).
ORVO_AUDIO_EXPORT std::int64_t channelGetLength(Handle stream);
// Position of what has actually been heard, in bytes; -1 for an unknown handle.
ORVO_AUDIO_EXPORT std::int64_t channelGetPosition(Handle stream);
// Seeks; takes effect at once (buffered audio is dropped). False for an unknown handle or a
// position beyond the end.
ORVO_AUDIO_EXPORT bool channelSetPosition(Handle stream, std::int64_t bytes);
ORVO_AUDIO_EXPORT double channelBytes2Seconds(Handle stream, std::int64_t bytes);  // <0 if unknown
ORVO_AUDIO_EXPORT std::int64_t channelSeconds2Bytes(Handle stream,
                                                    double seconds);  // -1 if unknown

// Volume attribute, 0 .. 1 (values outside are clamped). Changes ramp over a few ms (no clicks).
ORVO_AUDIO_EXPORT bool channelSetVolume(Handle stream, float volume);
ORVO_AUDIO_EXPORT float channelGetVolume(Handle stream);  // -1 for an unknown handle

// Adds a peaking-equaliser effect (flat until its parameters are set) to a stream, applied in
// order of creation. Returns the effect handle, 0 on failure. Freed with the stream.
ORVO_AUDIO_EXPORT Handle channelSetFxParamEq(Handle stream);
ORVO_AUDIO_EXPORT bool channelRemoveFx(Handle stream, Handle fx);
ORVO_AUDIO_EXPORT bool fxSetParameters(Handle fx, const ParamEq& params);
ORVO_AUDIO_EXPORT bool fxGetParameters(Handle fx, ParamEq* params);

// The file a stream was opened from, as UTF-8 (empty for an unknown handle). Used by the tag
// reader, which receives only the stream handle.
ORVO_AUDIO_EXPORT std::string streamSourcePath(Handle stream);

}  // namespace OrvoAudio
