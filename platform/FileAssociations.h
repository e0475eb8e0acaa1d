#pragma once
// Making the player the program that opens a file type, the freedesktop.org way: one desktop
// entry per program identifier ("Orvoplayer.mp3.desktop") in the user's applications folder
// ($XDG_DATA_HOME/applications) naming the type's MIME types, and the player made the default
// for those types in the user's mimeapps.list ($XDG_CONFIG_HOME). Only adds: other programs'
// entries and every other line of mimeapps.list stay as they were.
// Thread: UI thread (it reads the environment at each call).

#include <QByteArray>
#include <QString>
#include <QStringList>

class QObject;
class QProcess;

class FileAssociations {
public:
    // The MIME types that files with this extension (".mp3") carry; empty for an unknown one.
    static QStringList mimeTypes(const QString& extension);

    static QString applicationsDirectory();
    static QString mimeAppsPath();
    // The desktop entry file name of a program identifier: "Orvoplayer.mp3" gives
    // "Orvoplayer.mp3.desktop".
    static QString desktopId(const QString& progId);

    // Writes the desktop entry of progId (Exec: program, then "%F", so files opened together
    // arrive in one start; Icon: iconPath) and makes it the default for the extension's MIME
    // types. False when the extension is unknown or a file could not be written.
    static bool registerType(const QString& extension, const QString& program,
                             const QString& progId, const QString& iconPath);

    // mimeapps.list text with desktopId made the first choice for each MIME type in its
    // "[Default Applications]" group (the group is added when missing). The programs it named
    // before stay behind ours; every other line is kept byte for byte.
    static QByteArray withDefaults(const QByteArray& mimeApps, const QString& desktopId,
                                   const QStringList& mimeTypes);

    // Starts update-desktop-database on the applications folder, so the desktop sees the new
    // entries without a new session. Does not wait: the process belongs to parent and goes away
    // when it ends (killed after a few seconds if it hangs). Null when the tool is not installed.
    static QProcess* refreshDesktopDatabase(QObject* parent);
};
