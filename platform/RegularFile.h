#pragma once
// Reading a data file or picture whole, safely: only a regular file (after following links) is
// read, never more than the caller's bound, and opening never blocks (a FIFO or a device in
// place of a data file would otherwise hang the player or fill its memory before it shows a
// window).

#include <QByteArray>
#include <QString>

#include <optional>

class RegularFile {
public:
    // The file's bytes, or nothing when path is missing, is not a regular file, holds more than
    // maxBytes (also when it grows past them while being read) or cannot be read.
    static std::optional<QByteArray> read(const QString& path, qint64 maxBytes);

    // Whether anything, even a dangling link, exists at path.
    static bool entryExists(const QString& path);
};
