#include "settings/BitmapFile.h"

#include <gtest/gtest.h>
#include <QtEndian>

namespace {

quint32 field(const QByteArray& b, int at, int size = 4) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return size == 2 ? qFromLittleEndian<quint16>(p) : qFromLittleEndian<quint32>(p);
}

}  // namespace

// Three columns, so every depth pads its rows; every colour is one of the 16-colour palette.
TEST(BitmapFileTest, HeaderSizesPaddingAndBottomUpRowsAtEachDepth) {
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0),     qRgb(0, 255, 0), qRgb(0, 0, 255),
                            qRgb(255, 255, 255), qRgb(0, 0, 0),   qRgb(128, 128, 128)};
    for (int i = 0; i < 6; ++i) picture.setPixel(i % 3, i / 3, colours[i]);
    struct Case {
        int depth, rowSize, tableEntries;
        QByteArray firstRow;  // the picture's bottom row, as stored first
    };
    for (const Case& c :
         {Case{24, 12, 0, QByteArray::fromHex("ffffff000000808080000000")},
          Case{32, 12, 0, QByteArray::fromHex("ffffff000000000080808000")}, Case{8, 4, 256, {}},
          Case{4, 4, 16, QByteArray::fromHex("f0800000")}, Case{1, 4, 2, {}}}) {
        SCOPED_TRACE(c.depth);
        const QByteArray b = BitmapFile::Encode(picture, c.depth);
        const int offset = 54 + 4 * c.tableEntries;
        ASSERT_EQ(b.size(), offset + 2 * c.rowSize);
        EXPECT_EQ(b.left(2), "BM");
        // File size, reserved, pixel offset; info size, width, height (positive: bottom-up).
        const quint32 header[] = {quint32(b.size()), 0, quint32(offset), 40, 3, 2};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(field(b, 2 + 4 * i), header[i]) << i;
        EXPECT_EQ(field(b, 26, 2), 1u);
        EXPECT_EQ(field(b, 28, 2), quint32(c.depth));
        // No compression, the image size, then resolutions and colour counts all 0.
        const quint32 info[] = {0, quint32(2 * c.rowSize), 0, 0, 0, 0};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(field(b, 30 + 4 * i), info[i]) << i;
        if (!c.firstRow.isEmpty()) {
            EXPECT_EQ(b.mid(offset, c.rowSize).toHex(), c.firstRow.toHex());
        } else if (c.depth == 8) {
            EXPECT_EQ(b.at(offset + 3), '\0');  // padding
        }
        // An independent reader sees the same picture (two colours cannot hold it).
        if (c.depth > 1) {
            EXPECT_EQ(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32), picture);
        }
    }
}

TEST(BitmapFileTest, ScreenDepthRoundsUpToAFileDepth) {
    const std::pair<int, int> table[] = {{1, 1},   {2, 4},   {4, 4},   {5, 8},   {8, 8}, {15, 24},
                                         {16, 24}, {24, 24}, {30, 32}, {32, 32}, {0, 32}};
    for (auto [screen, file] : table) EXPECT_EQ(BitmapFile::DepthFor(screen), file) << screen;
}
