#pragma once
// A byte window [offset, offset + length) of a file, read through FFmpeg's custom I/O callbacks.
// Reading the file ourselves keeps FFmpeg from treating a path as a protocol URL ("http:",
// "concat:", ...). Used by one decoder at a time (the thread that owns its stream's decoder).

#include <atomic>
#include <cstdint>
#include <string>

namespace OrvoAudio {

class FileReader {
public:
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // nullptr when the file cannot be opened, is not a regular file, or the window is empty.
    static FileReader* open(const std::string& path, std::uint64_t offset, std::uint64_t length);

    // AVIOContext callbacks (opaque = FileReader*).
    static int readPacket(void* opaque, std::uint8_t* buf, int size);
    static std::int64_t seek(void* opaque, std::int64_t offset, int whence);

    std::int64_t size() const { return m_size; }

    // Once *flag is true every read reports the end of the file and every seek fails, so that
    // whatever FFmpeg loop reads (a seek that scans or decodes up to its target) ends soon.
    // The flag must outlive the reader.
    void setInterrupt(const std::atomic<bool>* flag) { m_interrupt = flag; }

private:
    FileReader() = default;

    int m_fd = -1;
    std::int64_t m_begin = 0;  // window start in the file
    std::int64_t m_size = 0;   // window length
    std::int64_t m_pos = 0;    // position inside the window
    const std::atomic<bool>* m_interrupt = nullptr;

    bool interrupted() const {
        return m_interrupt != nullptr && m_interrupt->load(std::memory_order_relaxed);
    }
};

}  // namespace OrvoAudio
