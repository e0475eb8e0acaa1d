#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<qint64> s_failAfterBytes{-1};

const char kInfix[] = ".orvo-save-";
constexpr int kRandomChars = 6;
// Links are followed at most this deep, as the kernel does.
constexpr int kMaxLinkDepth = 40;

QString temporaryName(const QString& fileName) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QLatin1Char('.') + fileName + QLatin1String(kInfix);
    for (int i = 0; i < kRandomChars; ++i)
        name += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
    return name;
}

// Makes the rename itself durable; without it a power cut may bring back the old name.
void syncDirectory(const QString& dir) {
    const QByteArray native = QFile::encodeName(dir);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

// The file that path names after following links (path itself when it is none).
QString resolveLinks(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < kMaxLinkDepth && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

}  // namespace

bool AtomicFile::save(const QString& path, const QByteArray& bytes) {
    const QString target = resolveLinks(path);
    const QByteArray nativeTarget = QFile::encodeName(target);
    struct stat old {};
    const bool exists = ::stat(nativeTarget.constData(), &old) == 0;
    // A folder is never replaced, nor a file we may not write.
    if (exists && (S_ISDIR(old.st_mode) || ::access(nativeTarget.constData(), W_OK) != 0))
        return false;

    const QFileInfo info(target);
    const QString dir = info.absolutePath();
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = QFile::encodeName(dir + QLatin1Char('/') + temporaryName(info.fileName()));
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    const qint64 failAfter = s_failAfterBytes.load();
    const qint64 size = failAfter >= 0 && failAfter < bytes.size() ? failAfter : bytes.size();
    bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes.constData(), size) && size == bytes.size() && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.constData(), nativeTarget.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    syncDirectory(dir);
    return true;
}

bool AtomicFile::isTemporaryName(const QString& fileName) {
    static const QRegularExpression pattern(
        QStringLiteral("\\A\\..+\\.orvo-save-[A-Za-z0-9]{%1}\\z").arg(kRandomChars));
    return pattern.match(fileName).hasMatch();
}

int AtomicFile::removeStaleTemporaries(const QString& dir, const QDateTime& olderThan) {
    if (!olderThan.isValid()) return 0;
    int removed = 0;
    const QStringList names =
        QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!isTemporaryName(name)) continue;
        const QString path = QDir(dir).filePath(name);
        const QByteArray native = QFile::encodeName(path);
        struct stat st {};
        // A link of that name is not one of ours: ours are files we created.
        if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (QFileInfo(path).lastModified() >= olderThan) continue;
        if (::unlink(native.constData()) == 0) ++removed;
    }
    return removed;
}

void AtomicFile::setFailAfterBytes(qint64 n) { s_failAfterBytes.store(n); }
