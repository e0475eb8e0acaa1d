#pragma once
// Where the program's own parts are. The runnable build folder holds everything beside the
// program. An installed copy (bin/OrvoPlayer) finds its libraries in a private library folder
// and its delivered data (res/, skin/, config.xml, skinlist.xml) in share/orvoplayer/, both at
// fixed places relative to the program's folder; the delivered config.xml there is what marks
// the layout as installed (never the writability of a folder: root can write anywhere).
//
// Threads: pure functions of their argument, callable from any thread.

#include <QString>

class InstallLayout {
public:
    // programDir ends with '/'. True when the delivered data of an installed copy are found
    // relative to it.
    static bool isInstalled(const QString& programDir);

    // Where the delivered data are: the installed data folder, or programDir itself.
    static QString deliveredDirectory(const QString& programDir);

    // Where the program's libraries are: the installed private library folder, or programDir.
    static QString libraryDirectory(const QString& programDir);
};
