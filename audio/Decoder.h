#pragma once
// One file decoded into interleaved stereo float frames at a fixed output rate. The factory picks
// the implementation by the file's content: a light decoder for the common formats, FFmpeg for
// the rest and for whatever a light decoder refuses.
// Threads: opened (and its length read) on the control thread; afterwards used by one thread at
// a time — the stream's decoder thread once playback started. Not thread-safe itself.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/FileReader.h"
#include "audio/OrvoAudio.h"

namespace OrvoAudio {

// What the file holds before conversion to the output format.
struct SourceFormat {
    std::string codec;  // "mp3", "flac", "vorbis", or FFmpeg's codec name
    int rate = 0;
    int channels = 0;
};

// Exported for the FFmpeg plugin, whose decoder derives from it.
class ORVO_AUDIO_EXPORT Decoder {
public:
    // nullptr when the byte window holds no decodable audio stream.
    static std::unique_ptr<Decoder> open(const std::string& path, std::uint64_t offset,
                                         std::uint64_t length, int outRate);
    virtual ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Length in output frames from the container (or stream) header; 0 when unknown.
    std::int64_t lengthFrames() const { return m_lengthFrames; }
    // The output frame decode() delivers next, i.e. how far the data has been decoded; -1 right
    // after a seek, until the first frame tells where it landed.
    std::int64_t decodedFrames() const { return m_positionKnown ? m_position : -1; }
    int outRate() const { return m_outRate; }
    const SourceFormat& sourceFormat() const { return m_source; }
    // The reader it was opened with (a fallback decoder reads through one of its own).
    const FileReader& source() const { return *m_reader; }

    // Appends the next decoded frames (2 floats each) to out. Returns false, appending nothing,
    // at the end of the data; read and decoding errors are retried a bounded number of times and
    // then end the data too.
    virtual bool decode(std::vector<float>& out) = 0;

    // Repositions so that the next frame decode() delivers is output frame `frame` (as exactly
    // as the format allows). False when the file cannot seek at all.
    virtual bool seek(std::int64_t frame) = 0;

    // From now on reading stops (decode() reports the end, seek() fails) soon after *flag turns
    // true, even inside a seek that decodes its way to the target. The flag must outlive us.
    void setInterrupt(const std::atomic<bool>* flag);

protected:
    Decoder(std::unique_ptr<FileReader> reader, int outRate);

    bool interrupted() const {
        return m_interrupt != nullptr && m_interrupt->load(std::memory_order_relaxed);
    }
    const std::atomic<bool>* interruptFlag() const { return m_interrupt; }
    FileReader& reader() { return *m_reader; }
    // Sets the length from a duration in seconds; ignores unknown or absurd values.
    void setLengthSeconds(double seconds);
    // Appends `count` output-rate frames of `channels` (1 or 2) interleaved floats to out,
    // leaving out those before the seek target, and advances the position.
    void deliver(const float* frames, std::int64_t count, int channels, std::vector<float>& out);
    // After a seek: the position is unknown until the first frame (-1 keeps it unknown);
    // frames before `dropUntil` are decoded but not delivered.
    void resetPosition(std::int64_t position, std::int64_t dropUntil);
    bool positionKnown() const { return m_positionKnown; }
    void setPosition(std::int64_t position) {
        m_position = position;
        m_positionKnown = true;
    }
    std::int64_t dropUntil() const { return m_dropUntil; }

    SourceFormat m_source;

private:
    std::unique_ptr<FileReader> m_reader;
    int m_outRate = 44100;
    std::int64_t m_lengthFrames = 0;
    bool m_positionKnown = true;
    std::int64_t m_position = 0;
    std::int64_t m_dropUntil = 0;
    const std::atomic<bool>* m_interrupt = nullptr;
};

}  // namespace OrvoAudio
