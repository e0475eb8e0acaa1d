#pragma once
// A byte window [offset, offset + length) of a file, read by every decoder through its library's
// custom I/O hooks. Reading the file ourselves keeps FFmpeg from treating a path as a protocol
// URL ("http:", "concat:", ...) and lets a cue sheet's window look like a whole file. Used by one
// decoder at a time (the thread that owns its stream's decoder).
// Small reads are served from two blocks read ahead: decoder libraries read a frame or a header
// field at a time, and opening a stream (which the play list does for every file it adds) would
// otherwise cost a dozen system calls of a few bytes each. Two, because opening reads at the
// front, then the last bytes (for a trailing tag), then the front again.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/OrvoAudio.h"

namespace OrvoAudio {

// Exported for the FFmpeg plugin, which reads through it.
class ORVO_AUDIO_EXPORT FileReader {
public:
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // nullptr when the file cannot be opened, is not a regular file, or the window is empty.
    static std::unique_ptr<FileReader> open(const std::string& path, std::uint64_t offset,
                                            std::uint64_t length);

    // Bytes read into buf (> 0; fewer than size only at the end of the window or after an I/O
    // error), 0 at the end of the window (or once interrupted), -1 on an I/O error.
    long read(void* buf, std::size_t size);
    // Moves to offset from SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1 when the
    // target is before the start or the reader was interrupted.
    std::int64_t seek(std::int64_t offset, int whence);
    std::int64_t tell() const { return m_pos; }
    std::int64_t size() const { return m_size; }
    // True when the window is the whole file.
    bool wholeFile() const { return m_whole; }
    // A reader of its own over the same open file and window, at its start; with `blocks` it
    // starts with a copy of this one's read-ahead blocks (the caller makes sure nobody reads
    // through this one meanwhile). nullptr when no file descriptor is left.
    std::unique_ptr<FileReader> duplicate(bool blocks) const;

    // Once *flag is true every read reports the end of the file and every seek fails, so that
    // whatever library loop reads (a seek that scans or decodes up to its target) ends soon.
    // The flag must outlive the reader.
    void setInterrupt(const std::atomic<bool>* flag) { m_interrupt = flag; }
    bool interrupted() const {
        return m_interrupt != nullptr && m_interrupt->load(std::memory_order_relaxed);
    }

    // Reads below this size go through a block; larger ones go straight to the file.
    static constexpr std::int64_t kBlockBytes = 4096;

private:
    FileReader() = default;
    struct Block {
        std::int64_t start = 0;  // window position of data[0]
        std::int64_t bytes = 0;  // bytes held
        // Inside the reader, not on the heap: a separate allocation of this size made the
        // allocator sweep its small free chunks each time, once per block and file.
        std::array<unsigned char, kBlockBytes> data;
    };

    long readAt(std::int64_t pos, void* buf, std::size_t size) const;
    // Fills the block used less recently with the bytes around m_pos. 1 when it now holds m_pos,
    // 0 when the file ends before it (it shrank), -1 on an I/O error.
    int fillBlock();

    int m_fd = -1;
    std::int64_t m_begin = 0;  // window start in the file
    std::int64_t m_size = 0;   // window length
    std::int64_t m_pos = 0;    // position inside the window
    bool m_whole = false;
    const std::atomic<bool>* m_interrupt = nullptr;
    Block m_blocks[2];
    int m_recent = 0;  // the block that served the last read
};

// A reader of its own over the whole file the stream was opened from, starting with what the
// stream has read of it when its decoder has not started yet; nullptr for an unknown stream or
// one opened on part of a file. The tag reader reads the file that way, without a second open.
ORVO_AUDIO_EXPORT std::unique_ptr<FileReader> streamSourceReader(Handle stream);

}  // namespace OrvoAudio
