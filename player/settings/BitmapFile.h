#pragma once
// Writes a picture as an uncompressed Windows BMP at a chosen depth, the way the background
// list's thumbnails are stored: a 14-byte file header, a 40-byte info header, a colour table at
// 8 bits and below (2, 16 or 256 entries of 4 bytes), then the rows bottom-up, each padded to a
// multiple of 4 bytes. The header's sizes match the bytes that follow exactly.

#include <QByteArray>
#include <QImage>
#include <QString>

class BitmapFile {
public:
    // A screen's bits per pixel (planes × bits) rounded up to a depth that BMP files hold:
    // 1, 4, 8, 24 or 32. An unknown depth (0 or less) gives 32.
    static int DepthFor(int screenBits);

    // The whole file at depth (one of DepthFor's results; anything else is taken as 32). Empty
    // when the picture is null.
    static QByteArray Encode(const QImage& picture, int depth);

    // Encodes and saves atomically: false, and nothing written, when the file cannot be made.
    static bool Write(const QImage& picture, const QString& path, int depth);

    static constexpr int kFileHeaderSize = 14;
    static constexpr int kInfoHeaderSize = 40;
};
