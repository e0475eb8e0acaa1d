#include "audio/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

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
    std::unique_ptr<FileReader> reader(new FileReader);
    reader->m_fd = fd;
    reader->m_begin = static_cast<std::int64_t>(offset);
    reader->m_size = static_cast<std::int64_t>(size);
    reader->m_whole = offset == 0 && size == fileSize;
    return reader;
}

std::unique_ptr<FileReader> FileReader::duplicate(bool blocks) const {
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    std::unique_ptr<FileReader> copy(new FileReader);
    copy->m_fd = fd;
    copy->m_begin = m_begin;
    copy->m_size = m_size;
    copy->m_whole = m_whole;
    for (int i = 0; blocks && i < 2; ++i) {
        const Block& from = m_blocks[i];
        if (from.bytes > 0) {
            Block& to = copy->m_blocks[i];
            std::memcpy(to.data.data(), from.data.data(), static_cast<std::size_t>(from.bytes));
            to.start = from.start;
            to.bytes = from.bytes;
        }
    }
    copy->m_recent = m_recent;
    return copy;
}

long FileReader::readAt(std::int64_t pos, void* buf, std::size_t size) const {
    for (int attempt = 0; attempt < kReadRetries; ++attempt) {
        const ssize_t got = ::pread(m_fd, buf, size, m_begin + pos);
        if (got >= 0) {
            return static_cast<long>(got);  // 0: the file shrank under us
        }
        if (errno != EINTR && errno != EAGAIN) {
            break;
        }
    }
    return -1;
}

int FileReader::fillBlock() {
    m_recent = 1 - m_recent;
    Block& block = m_blocks[m_recent];
    // Near the end of the window the block holds its last bytes whole: trailing tags are looked
    // for by stepping backwards from the end.
    const std::int64_t start = std::max<std::int64_t>(0, std::min(m_pos, m_size - kBlockBytes));
    const long got = readAt(start, block.data.data(),
                            static_cast<std::size_t>(std::min(kBlockBytes, m_size - start)));
    block.start = start;
    block.bytes = std::max<long>(got, 0);
    if (got < 0) {
        return -1;
    }
    return start + got > m_pos ? 1 : 0;
}

long FileReader::read(void* buf, std::size_t size) {
    const std::int64_t left = m_size - m_pos;
    if (left <= 0 || size == 0 || interrupted()) {
        return 0;
    }
    auto* out = static_cast<unsigned char*>(buf);
    const std::size_t want = std::min(size, static_cast<std::size_t>(left));
    std::size_t done = 0;
    bool failed = false;
    while (done < want) {
        const Block* held = nullptr;
        for (int i : {m_recent, 1 - m_recent}) {
            if (m_pos >= m_blocks[i].start && m_pos < m_blocks[i].start + m_blocks[i].bytes) {
                held = &m_blocks[i];
                m_recent = i;
                break;
            }
        }
        if (held != nullptr) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(
                held->start + held->bytes - m_pos, static_cast<std::int64_t>(want - done)));
            std::memcpy(out + done, held->data.data() + (m_pos - held->start), n);
            m_pos += static_cast<std::int64_t>(n);
            done += n;
            continue;
        }
        if (static_cast<std::int64_t>(want - done) >= kBlockBytes) {
            const long got = readAt(m_pos, out + done, want - done);
            failed = got < 0;
            if (got <= 0) {
                break;
            }
            m_pos += got;
            done += static_cast<std::size_t>(got);
            continue;
        }
        const int filled = fillBlock();
        if (filled <= 0) {
            failed = filled < 0;
            break;
        }
    }
    if (done > 0) {
        return static_cast<long>(done);
    }
    return failed ? -1 : 0;
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
