#pragma once
// The one way data files are rewritten: the new bytes go to a temporary file in the same folder,
// are flushed to disk, and only then replace the target by a rename. A crash or a failed write
// leaves either the old file or the new one, never a mixture, and an existing file's permissions
// are kept.

#include <QByteArray>
#include <QString>

class AtomicFile {
public:
    // Replaces the file at path with bytes. Returns false, with the old file untouched and no
    // temporary left behind, when anything fails.
    static bool save(const QString& path, const QByteArray& bytes);

    // Test hook: when n >= 0, every save writes at most n bytes and then fails as a full disk
    // would. -1 (the default) turns it off.
    static void setFailAfterBytes(qint64 n);
};
