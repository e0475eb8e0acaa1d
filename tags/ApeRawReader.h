#pragma once
// Reads the raw bytes of the title and artist items of an APEv2 tag at the end of a file (a
// list of values joined with " / ").
// TagLib drops APE text that is not valid UTF-8, yet some writers store GBK there; the caller
// decodes these bytes itself. Bounded reads only: sizes from the file are checked, never trusted.

#include <QByteArray>
#include <QString>

struct ApeRawItems {
    QByteArray title;
    QByteArray artist;
};

class ApeRawReader {
public:
    // The tag is looked for at the end of the file and just before an ID3v1 tag.
    static ApeRawItems read(const QString& path);
    // Parses a tag image ending with its 32-byte footer.
    static ApeRawItems parse(const QByteArray& tag);

    static constexpr qint64 kFooterSize = 32;
    static constexpr qint64 kMaxTagSize = 1 << 20;  // larger tags are cover art, not titles
};
