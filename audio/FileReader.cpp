#include "audio/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
}

namespace OrvoAudio {

namespace {
// EINTR and EAGAIN retries of one read before it counts as an I/O error.
constexpr int kReadRetries = 5;
}  // namespace

FileReader::~FileReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FileReader* FileReader::open(const std::string& path, std::uint64_t offset, std::uint64_t length) {
    if (path.empty()) {
        return nullptr;
    }
    // Non-blocking: opening a FIFO must not wait for a writer. Only regular files pass below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        offset >= static_cast<std::uint64_t>(st.st_size)) {
        ::close(fd);
        return nullptr;
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t size = fileSize - offset;
    if (length != 0 && length < size) {
        size = length;
    }
    auto* reader = new FileReader();
    reader->m_fd = fd;
    reader->m_begin = static_cast<std::int64_t>(offset);
    reader->m_size = static_cast<std::int64_t>(size);
    return reader;
}

int FileReader::readPacket(void* opaque, std::uint8_t* buf, int size) {
    auto* self = static_cast<FileReader*>(opaque);
    const std::int64_t left = self->m_size - self->m_pos;
    if (left <= 0 || size <= 0 || self->interrupted()) {
        return AVERROR_EOF;
    }
    const auto want = static_cast<size_t>(left < size ? left : size);
    for (int attempt = 0; attempt < kReadRetries; ++attempt) {
        const ssize_t got = ::pread(self->m_fd, buf, want, self->m_begin + self->m_pos);
        if (got > 0) {
            self->m_pos += got;
            return static_cast<int>(got);
        }
        if (got == 0) {
            return AVERROR_EOF;  // the file shrank under us
        }
        if (errno != EINTR && errno != EAGAIN) {
            break;
        }
    }
    return AVERROR(EIO);
}

std::int64_t FileReader::seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<FileReader*>(opaque);
    if (whence & AVSEEK_SIZE) {
        return self->m_size;
    }
    if (self->interrupted()) {
        return AVERROR_EXIT;
    }
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = self->m_pos + offset;
            break;
        case SEEK_END:
            target = self->m_size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0) {
        return AVERROR(EINVAL);
    }
    self->m_pos = target;
    return target;
}

}  // namespace OrvoAudio
