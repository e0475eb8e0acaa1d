#include "Autostart.h"

#include "DesktopEntry.h"
#include "RegularFile.h"

#include <QFile>
#include <QStandardPaths>

QString Autostart::entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QLatin1String(kName) + QStringLiteral(".desktop");
}

bool Autostart::isEnabled() {
    const QString path = entryPath();
    if (!QFile::exists(path)) return false;
    return DesktopEntry::readValue(path, QStringLiteral("Hidden")) != QLatin1String("true") &&
           DesktopEntry::readValue(path, QStringLiteral("X-GNOME-Autostart-enabled")) !=
               QLatin1String("false");
}

bool Autostart::enable(const QString& program) {
    if (program.isEmpty()) return false;
    return DesktopEntry::write(entryPath(),
                               {{QStringLiteral("Type"), QStringLiteral("Application")},
                                {QStringLiteral("Name"), QLatin1String(kName)},
                                {QStringLiteral("Exec"), DesktopEntry::execValue(program)},
                                {QStringLiteral("Terminal"), QStringLiteral("false")}});
}

bool Autostart::disable() {
    const QString path = entryPath();
    // A dangling link is an entry too; QFile::exists would not see it.
    if (!RegularFile::entryExists(path)) return true;
    return QFile::remove(path);
}
