#include "FileAssociations.h"

#include "AtomicFile.h"
#include "DesktopEntry.h"
#include "RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr char kDefaultGroup[] = "[Default Applications]";
// mimeapps.list lists a few hundred types at most; a file far beyond that is left alone.
constexpr qint64 kMaxMimeAppsBytes = 4 * 1024 * 1024;
constexpr int kRefreshTimeoutMs = 10000;

// What shared-mime-info gives files with these names (Vorbis in Ogg is told apart by content).
struct ExtensionTypes {
    const char* extension;
    const char* mimeTypes;
};
constexpr ExtensionTypes kTypes[] = {{".mp3", "audio/mpeg"},
                                     {".wma", "audio/x-ms-wma"},
                                     {".flac", "audio/flac"},
                                     {".ape", "audio/x-ape"},
                                     {".ogg", "audio/ogg;audio/x-vorbis+ogg"}};

QByteArray keyOf(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    return eq > 0 ? line.left(eq).trimmed() : QByteArray();
}

}  // namespace

QStringList FileAssociations::mimeTypes(const QString& extension) {
    for (const ExtensionTypes& t : kTypes) {
        if (extension.compare(QLatin1String(t.extension), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(t.mimeTypes).split(QLatin1Char(';'));
    }
    return {};
}

QString FileAssociations::applicationsDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications");
}

QString FileAssociations::mimeAppsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mimeapps.list");
}

QString FileAssociations::desktopId(const QString& progId) {
    return progId + QStringLiteral(".desktop");
}

bool FileAssociations::registerType(const QString& extension, const QString& program,
                                    const QString& progId, const QString& iconPath) {
    const QStringList types = mimeTypes(extension);
    if (types.isEmpty() || program.isEmpty() || progId.isEmpty()) return false;
    const QString id = desktopId(progId);
    const bool entry = DesktopEntry::write(
        applicationsDirectory() + QLatin1Char('/') + id,
        {{QStringLiteral("Type"), QStringLiteral("Application")},
         {QStringLiteral("Name"), QStringLiteral("欧沃播放器")},
         {QStringLiteral("Exec"), DesktopEntry::execValue(program, QStringLiteral("%F"))},
         {QStringLiteral("Icon"), iconPath},
         {QStringLiteral("MimeType"), types.join(QLatin1Char(';')) + QLatin1Char(';')},
         {QStringLiteral("NoDisplay"), QStringLiteral("true")},
         {QStringLiteral("Terminal"), QStringLiteral("false")}});
    if (!entry) return false;

    // A missing file starts empty; one that cannot be read safely is not replaced.
    const QString path = mimeAppsPath();
    QByteArray current;
    if (RegularFile::entryExists(path)) {
        const std::optional<QByteArray> bytes = RegularFile::read(path, kMaxMimeAppsBytes);
        if (!bytes) return false;
        current = *bytes;
    }
    const QByteArray updated = withDefaults(current, id, types);
    if (updated == current) return true;
    return QDir().mkpath(QFileInfo(path).absolutePath()) && AtomicFile::save(path, updated);
}

QByteArray FileAssociations::withDefaults(const QByteArray& mimeApps, const QString& desktopId,
                                          const QStringList& mimeTypes) {
    QList<QByteArray> lines = mimeApps.split('\n');
    // A final newline leaves an empty last piece: it is the end, not a line.
    if (mimeApps.isEmpty() || mimeApps.endsWith('\n')) lines.removeLast();

    const QByteArray id = desktopId.toUtf8();
    qsizetype group = -1;
    for (qsizetype i = 0; i < lines.size() && group < 0; ++i) {
        if (lines[i].trimmed() == kDefaultGroup) group = i;
    }
    if (group < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QByteArray());
        lines.append(kDefaultGroup);
        group = lines.size() - 1;
    }
    for (const QString& type : mimeTypes) {
        const QByteArray key = type.toUtf8();
        qsizetype end = group + 1;  // one past the group's last line that is not blank
        qsizetype found = -1;
        for (qsizetype i = group + 1; i < lines.size(); ++i) {
            const QByteArray t = lines[i].trimmed();
            if (t.startsWith('[')) break;
            if (!t.isEmpty()) end = i + 1;
            if (found < 0 && keyOf(lines[i]) == key) found = i;
        }
        QByteArray value = id + ';';
        if (found >= 0) {
            QByteArray line = lines[found];
            const bool cr = line.endsWith('\r');
            if (cr) line.chop(1);
            for (const QByteArray& other : line.mid(line.indexOf('=') + 1).split(';')) {
                const QByteArray name = other.trimmed();
                if (!name.isEmpty() && name != id) value += name + ';';
            }
            lines[found] = key + '=' + value + (cr ? "\r" : "");
        } else {
            lines.insert(end, key + '=' + value);
        }
    }
    return lines.join('\n') + '\n';
}

QProcess* FileAssociations::refreshDesktopDatabase(QObject* parent) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (tool.isEmpty()) return nullptr;
    auto* process = new QProcess(parent);
    process->setProgram(tool);
    process->setArguments({QStringLiteral("-q"), applicationsDirectory()});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) process->deleteLater();
                     });
    QTimer::singleShot(kRefreshTimeoutMs, process, [process] { process->kill(); });
    process->start();
    return process;
}
