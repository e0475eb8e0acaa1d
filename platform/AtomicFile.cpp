#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<qint64> s_failAfterBytes{-1};

// Makes the rename itself durable; without it a power cut may bring back the old name.
void syncDirectory(const QString& dir) {
    const QByteArray native = QFile::encodeName(dir);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool AtomicFile::save(const QString& path, const QByteArray& bytes) {
    // QSaveFile writes into a temporary beside the target, fsyncs it and renames it over the
    // target on commit; it copies an existing file's permissions and never writes in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return false;

    const qint64 failAfter = s_failAfterBytes.load();
    if (failAfter >= 0 && failAfter < bytes.size()) {
        file.write(bytes.constData(), failAfter);
        file.cancelWriting();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) return false;
    syncDirectory(QFileInfo(path).absolutePath());
    return true;
}

void AtomicFile::setFailAfterBytes(qint64 n) { s_failAfterBytes.store(n); }
