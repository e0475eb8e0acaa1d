#pragma once
// Reads the raw title and artist frames of the ID3v2 tag at the start of a file, and decodes
// UTF-16 text whose byte-order mark is missing. TagLib drops such text, yet some writers leave
// the mark out; the byte order is then guessed from the text itself. Bounded reads only: sizes
// from the file are checked, never trusted. Compressed or encrypted frames are skipped.

#include <QByteArray>
#include <QString>
#include <QStringList>

// Frame contents after the frame header: the encoding byte, then the text.
struct Id3v2RawFrames {
    QByteArray title;
    QByteArray artist;
};

class Id3v2RawReader {
public:
    static Id3v2RawFrames read(const QString& path);
    // Parses a tag image starting with its 10-byte header; a cut image yields the frames it holds.
    static Id3v2RawFrames parse(const QByteArray& tag);
    // The values of a text frame marked UTF-16 (encoding byte 1 or 2, then the text). Each value
    // keeps its own byte-order mark; values without one share the order the text suggests.
    static QStringList utf16Values(const QByteArray& frame);

    static constexpr qint64 kHeaderSize = 10;
    static constexpr qint64 kMaxTagSize = 1 << 20;  // titles come long before this much art
};
