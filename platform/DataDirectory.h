#pragma once
// Where the player's data files live (config.xml, playlist.xml, skinlist.xml, skin/).
// Normally beside the program; an installed copy (see InstallLayout), or a copy whose folder is
// read-only, keeps them in the user's data folder instead, seeded from the delivered files on
// first start. ORVO_DATA_DIR overrides both. The data store library and the player both ask here,
// so they always agree.
//
// Threads: path() and programDirectory() may be called from any thread; the setters are for
// tests and start-up and must not race with readers.

#include <QString>

class DataDirectory {
public:
    // Folder of the running executable, with a trailing '/'.
    static QString programDirectory();

    // The data folder, with a trailing '/'. Read anew on each call (ORVO_DATA_DIR may change).
    static QString path();

    // Where the delivered config.xml, skinlist.xml and skin/ are: the program directory, or the
    // installed data folder.
    static QString deliveredDirectory();

    // The delivered pictures (res/), read only: beside the program or in the installed data
    // folder, whatever the data folder is.
    static QString resourceDirectory();

    // Run once at start: creates the data folder, copies the delivered files that are absent into
    // it (when it is not the program folder), and writes the default config.xml when none exists.
    // Never overwrites a file. Returns true when the folder exists and holds a config.xml.
    static bool prepare();

    // The delivered config.xml as it was built: every key the player writes, with its default
    // (the store only replaces values that the file already holds).
    static QByteArray defaultConfig();
    // Writes defaultConfig() to the data folder's config.xml (atomically, replacing it).
    static bool seedConfig();

    // Test hooks: replace the program / delivered folder (empty restores the real one).
    static void setProgramDirectoryOverride(const QString& dir);
    static void setDeliveredDirectoryOverride(const QString& dir);
};
