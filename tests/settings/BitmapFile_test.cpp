#include "settings/BitmapFile.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

quint32 u32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
quint16 u16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// Three columns, so every depth pads its rows; each colour is in the 16-colour palette.
QImage picture() {
    QImage img(3, 2, QImage::Format_RGB32);
    const QRgb top[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    const QRgb bottom[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(128, 128, 128)};
    for (int x = 0; x < 3; ++x) {
        img.setPixel(x, 0, top[x]);
        img.setPixel(x, 1, bottom[x]);
    }
    return img;
}

// The colour the file stores for column x of the first row it holds (the picture's bottom row).
QRgb firstStoredPixel(const QByteArray& b, int depth, int x) {
    const int pixels = int(u32(b, 10));
    if (depth >= 24) {
        const int at = pixels + x * depth / 8;
        return qRgb(uchar(b[at + 2]), uchar(b[at + 1]), uchar(b[at]));
    }
    const int perByte = 8 / depth;
    const int index =
        (uchar(b[pixels + x / perByte]) >> (8 - depth * (x % perByte + 1))) & ((1 << depth) - 1);
    const int entry = 54 + 4 * index;
    return qRgb(uchar(b[entry + 2]), uchar(b[entry + 1]), uchar(b[entry]));
}

}  // namespace

TEST(BitmapFileTest, HeaderSizesPaddingAndBottomUpRowsAtEachDepth) {
    struct Case {
        int depth, rowSize, tableEntries;
    };
    for (const Case c :
         {Case{24, 12, 0}, Case{32, 12, 0}, Case{8, 4, 256}, Case{4, 4, 16}, Case{1, 4, 2}}) {
        SCOPED_TRACE(c.depth);
        const QByteArray b = BitmapFile::Encode(picture(), c.depth);
        const int offset = 54 + 4 * c.tableEntries;
        ASSERT_EQ(b.size(), offset + 2 * c.rowSize);
        EXPECT_EQ(b.left(2), "BM");
        EXPECT_EQ(u32(b, 2), quint32(b.size()));
        EXPECT_EQ(u32(b, 6), 0u);  // both reserved fields
        EXPECT_EQ(u32(b, 10), quint32(offset));
        EXPECT_EQ(u32(b, 14), 40u);
        EXPECT_EQ(u32(b, 18), 3u);
        EXPECT_EQ(u32(b, 22), 2u);  // positive: bottom-up
        EXPECT_EQ(u16(b, 26), 1u);
        EXPECT_EQ(u16(b, 28), quint16(c.depth));
        EXPECT_EQ(u32(b, 30), 0u);  // uncompressed
        EXPECT_EQ(u32(b, 34), quint32(2 * c.rowSize));
        for (int at : {38, 42, 46, 50}) EXPECT_EQ(u32(b, at), 0u) << at;
        // Padding after the three pixels of each row is zero.
        const int used = (3 * c.depth + 7) / 8;
        for (int row = 0; row < 2; ++row)
            for (int at = used; at < c.rowSize; ++at)
                EXPECT_EQ(b[offset + row * c.rowSize + at], '\0') << row << "," << at;
        if (c.depth == 1) continue;  // two colours cannot hold the picture
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(firstStoredPixel(b, c.depth, x), picture().pixel(x, 1)) << x;
        // And an independent reader sees the same picture.
        const QImage back = QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(back, picture());
    }
}

TEST(BitmapFileTest, ScreenDepthRoundsUpToAFileDepth) {
    const std::pair<int, int> table[] = {{1, 1},   {2, 4},   {4, 4},   {5, 8},   {8, 8}, {15, 24},
                                         {16, 24}, {24, 24}, {30, 32}, {32, 32}, {0, 32}};
    for (auto [screen, file] : table) EXPECT_EQ(BitmapFile::DepthFor(screen), file) << screen;
}

TEST(BitmapFileTest, WriteFailsWithoutLeavingAFile) {
    QTemporaryDir dir;
    const QString good = dir.filePath("t.bmp");
    ASSERT_TRUE(BitmapFile::Write(picture(), good, 24));
    EXPECT_EQ(QFile(good).size(), 54 + 24);
    EXPECT_FALSE(BitmapFile::Write(picture(), dir.filePath("no/such/t.bmp"), 24));
    EXPECT_FALSE(BitmapFile::Write(QImage(), dir.filePath("null.bmp"), 24));
    EXPECT_FALSE(QFile::exists(dir.filePath("null.bmp")));
}
