#pragma once
// The one way data files are rewritten: the new bytes go to a temporary file in the same folder,
// are flushed to disk, and only then replace the target by a rename. A crash or a failed write
// leaves either the old file or the new one, never a mixture, and an existing file's permissions
// are kept. A link is followed: the file it names is replaced, the link stays.
//
// A kill between creating the temporary and the rename leaves the temporary behind. Its name
// is ours alone, "." + target name + ".orvo-save-" + six letters or digits, so the next start
// can remove such leftovers without touching anything else.

#include <QByteArray>
#include <QDateTime>
#include <QString>

class AtomicFile {
public:
    // Replaces the file at path with bytes. Returns false, with the old file untouched and no
    // temporary left behind, when anything fails.
    static bool save(const QString& path, const QByteArray& bytes);

    // Whether fileName (without folder) has the temporaries' exact form.
    static bool isTemporaryName(const QString& fileName);
    // Removes the regular files in dir (not below it) whose names have that form and that were
    // last written before olderThan. Only safe while no save can be running: the caller holds
    // the instance lock, and olderThan is when it took it. Returns how many were removed.
    static int removeStaleTemporaries(const QString& dir, const QDateTime& olderThan);

    // Test hook: when n >= 0, every save writes at most n bytes and then fails as a full disk
    // would. -1 (the default) turns it off.
    static void setFailAfterBytes(qint64 n);
};
