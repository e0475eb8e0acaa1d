#include "RegularFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FdCloser {
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int m_fd;
};

}  // namespace

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 maxBytes) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    // Looked at before opening, so a device is never opened at all (opening some has effects).
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes)
        return std::nullopt;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    const FdCloser closer(fd);
    // The name may have been swapped for something else in between: what counts is what is open.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes) return std::nullopt;

    // One byte more than the size says, to see a file that grows while it is read.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > maxBytes) return std::nullopt;
            bytes.resize(qsizetype(qMin(maxBytes + 1, qint64(bytes.size()) * 2)));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        filled += n;
    }
    if (filled > maxBytes) return std::nullopt;
    bytes.truncate(qsizetype(filled));
    return bytes;
}

bool RegularFile::entryExists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}
