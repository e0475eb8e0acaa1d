#pragma once
// Loads a skin's background picture. Skins are large uncompressed 24-bit BMPs; those are read
// straight from the file bytes (several times faster than the generic reader, which matters
// because the picture is loaded before the window's first frame). Any other file, and any BMP
// whose header does not describe exactly what the file holds, goes to Qt's readers.
// A file that cannot be read gives a null image.

#include <QByteArray>
#include <QImage>
#include <QString>

class SkinPicture {
public:
    static QImage Load(const QString& path);
    // The fast path alone: a null image when the bytes are not a plain 24-bit BMP.
    static QImage DecodePlainBmp(const QByteArray& bytes);
};
