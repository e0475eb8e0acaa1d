#include "DataDirectory.h"

#include "AtomicFile.h"
#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString s_programOverride;
QString s_deliveredOverride;

const char kEnvDataDir[] = "ORVO_DATA_DIR";

QString withSlash(const QString& dir) {
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/'))) return dir;
    return dir + QLatin1Char('/');
}

bool isWritableDirectory(const QString& dir) {
    // access() asks the kernel, so read-only mounts and foreign owners are both seen.
    const QByteArray native = QFile::encodeName(dir);
    return QFileInfo(dir).isDir() && ::access(native.constData(), W_OK | X_OK) == 0;
}

// Copies src to dst only when dst does not exist yet; the copy itself is atomic.
bool copyIfAbsent(const QString& src, const QString& dst) {
    if (QFileInfo::exists(dst) || !QFileInfo(src).isFile()) return true;
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly)) return false;
    return AtomicFile::save(dst, in.readAll());
}

bool copyTreeIfAbsent(const QString& srcDir, const QString& dstDir) {
    if (!QFileInfo(srcDir).isDir()) return true;
    bool ok = QDir().mkpath(dstDir);
    QDirIterator it(srcDir, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    const QDir src(srcDir);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = withSlash(dstDir) + src.relativeFilePath(from);
        if (it.fileInfo().isDir()) {
            ok = QDir().mkpath(to) && ok;
        } else {
            ok = copyIfAbsent(from, to) && ok;
        }
    }
    return ok;
}

}  // namespace

QString DataDirectory::programDirectory() {
    if (!s_programOverride.isEmpty()) return withSlash(s_programOverride);
    if (QCoreApplication::instance()) return withSlash(QCoreApplication::applicationDirPath());
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return withSlash(QFileInfo(exe.symLinkTarget()).absolutePath());
}

QString DataDirectory::path() {
    const QString env = qEnvironmentVariable(kEnvDataDir);
    if (!env.isEmpty()) return withSlash(QDir(env).absolutePath());
    const QString program = programDirectory();
    if (!InstallLayout::isInstalled(program) && isWritableDirectory(program)) return program;
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("OrvoPlayer/");
}

QString DataDirectory::deliveredDirectory() {
    if (!s_deliveredOverride.isEmpty()) return withSlash(s_deliveredOverride);
    return InstallLayout::deliveredDirectory(programDirectory());
}

QString DataDirectory::resourceDirectory() {
    return InstallLayout::deliveredDirectory(programDirectory()) + QStringLiteral("res/");
}

QByteArray DataDirectory::defaultConfig() {
    // The delivered config.xml's bytes, built in (see platform/CMakeLists.txt).
    static const unsigned char kDelivered[] = {
#include "DeliveredConfig.inc"
    };
    return QByteArray(reinterpret_cast<const char*>(kDelivered), qsizetype(sizeof kDelivered));
}

bool DataDirectory::seedConfig() {
    return AtomicFile::save(path() + QStringLiteral("config.xml"), defaultConfig());
}

bool DataDirectory::prepare() {
    const QString data = path();
    if (!QDir().mkpath(data)) return false;

    const QString delivered = deliveredDirectory();
    const bool separate =
        QFileInfo(data).canonicalFilePath() != QFileInfo(delivered).canonicalFilePath();
    if (separate) {
        copyIfAbsent(delivered + QStringLiteral("config.xml"), data + QStringLiteral("config.xml"));
        copyIfAbsent(delivered + QStringLiteral("skinlist.xml"),
                     data + QStringLiteral("skinlist.xml"));
        copyTreeIfAbsent(delivered + QStringLiteral("skin"), data + QStringLiteral("skin"));
    }

    const QString config = data + QStringLiteral("config.xml");
    if (!QFileInfo::exists(config)) seedConfig();
    return QFileInfo(config).isFile();
}

void DataDirectory::setProgramDirectoryOverride(const QString& dir) { s_programOverride = dir; }

void DataDirectory::setDeliveredDirectoryOverride(const QString& dir) { s_deliveredOverride = dir; }
