#include "audio/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

std::unique_ptr<FileReader> FileReader::open(const std::string& path, std::uint64_t offset,
                                             std::uint64_t length) {
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
    std::unique_ptr<FileReader> reader(new FileReader());
    reader->m_fd = fd;
    reader->m_begin = static_cast<std::int64_t>(offset);
    reader->m_size = static_cast<std::int64_t>(size);
    return reader;
}

long FileReader::read(void* buf, std::size_t size) {
    const std::int64_t left = m_size - m_pos;
    if (left <= 0 || size == 0 || interrupted()) {
        return 0;
    }
    const auto want = static_cast<std::size_t>(
        left < static_cast<std::int64_t>(size) ? left : static_cast<std::int64_t>(size));
    for (int attempt = 0; attempt < kReadRetries; ++attempt) {
        const ssize_t got = ::pread(m_fd, buf, want, m_begin + m_pos);
        if (got > 0) {
            m_pos += got;
            return static_cast<long>(got);
        }
        if (got == 0) {
            return 0;  // the file shrank under us
        }
        if (errno != EINTR && errno != EAGAIN) {
            break;
        }
    }
    return -1;
}

std::int64_t FileReader::seek(std::int64_t offset, int whence) {
    if (interrupted()) {
        return -1;
    }
    std::int64_t target = 0;
    switch (whence) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = m_pos + offset;
            break;
        case SEEK_END:
            target = m_size + offset;
            break;
        default:
            return -1;
    }
    if (target < 0) {
        return -1;
    }
    m_pos = target;
    return target;
}

}  // namespace OrvoAudio
