#include "mainwindow/SkinPicture.h"
#include "../BoundedRun.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

namespace {

QImage noise(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(w * 1000 + h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xFF000000u | rng.bounded(0x1000000u));
    return img;
}

QByteArray asBmp(const QImage& img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && img.save(&buffer, "BMP"));
    return bytes;
}

bool samePixels(const QImage& a, const QImage& b) {
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// The bytes with one little-endian header field replaced.
QByteArray patched(QByteArray bytes, int offset, qint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

TEST(SkinPicture, PlainBmpMatchesQtsReaderForEveryRowPaddingAndTopDownRows) {
    for (int w : {1, 2, 3, 4, 5, 33}) {
        const QImage img = noise(w, 7);
        const QByteArray bytes = asBmp(img);
        const QImage fast = SkinPicture::DecodePlainBmp(bytes);
        ASSERT_FALSE(fast.isNull()) << w;
        EXPECT_TRUE(samePixels(fast, QImage::fromData(bytes, "BMP"))) << w;
        EXPECT_TRUE(samePixels(fast, img)) << w;
    }
    const QImage img = noise(6, 5);
    QByteArray bytes = asBmp(img);
    // Store the rows top first and say so with a negative height.
    const int offset = qFromLittleEndian<quint32>(bytes.constData() + 10);
    const int stride = (6 * 3 + 3) & ~3;
    QByteArray flipped = bytes.left(offset);
    for (int row = 4; row >= 0; --row) flipped += bytes.mid(offset + row * stride, stride);
    EXPECT_TRUE(samePixels(SkinPicture::DecodePlainBmp(patched(flipped, 22, -5)), img));
}

TEST(SkinPicture, LyingHeadersAreNotTrusted) {
    const QByteArray good = asBmp(noise(9, 9));
    const QByteArray truncated = good.left(good.size() - 10);
    // Huge size, data far beyond the end, RLE compression, cut short.
    for (const QByteArray& bad :
         {truncated, patched(good, 18, 1 << 30), patched(good, 10, 0x7FFFFFF0),
          patched(good, 30, 1), good.left(20), QByteArray()})
        EXPECT_TRUE(SkinPicture::DecodePlainBmp(bad).isNull());

    // Through a file, anything else still goes to Qt's readers.
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("bg.png"));
    ASSERT_TRUE(noise(4, 4).save(png));
    EXPECT_TRUE(samePixels(SkinPicture::Load(png), noise(4, 4)));
    QFile junk(dir.filePath(QStringLiteral("junk.bmp")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write(truncated.left(60)) == 60);
    junk.close();
    // Qt's reader may keep what it could read of a cut file; it must not make anything up.
    const QImage partial = SkinPicture::Load(junk.fileName());
    EXPECT_TRUE(partial.isNull() || partial.size() == QSize(9, 9));
    EXPECT_TRUE(SkinPicture::Load(dir.filePath(QStringLiteral("missing.bmp"))).isNull());

    // Only regular files: devices would be read without end, a FIFO's open would block.
    const QString picture = dir.filePath(QStringLiteral("hostile.bmp"));
    for (const char* device : {"/dev/urandom", "/dev/zero"}) {
        ASSERT_TRUE(QFile::link(QString::fromLatin1(device), picture));
        EXPECT_TRUE(runsBounded([&] { return SkinPicture::Load(picture).isNull(); })) << device;
        QFile::remove(picture);
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(picture).constData(), 0600), 0);
    EXPECT_TRUE(runsBounded([&] { return SkinPicture::Load(picture).isNull(); }));
}

}  // namespace
