#include "DrawImages.h"

#include "ControlsTestSupport.h"
#include "tests/update/GifPieces.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>

namespace {

// Peak resident memory of this process so far, in KiB (0 when unknown).
qint64 peakKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

class DrawImagesTest : public ::testing::Test {
protected:
    QStringList files() const { return QDir(out.path()).entryList(QDir::Files, QDir::Name); }
    QImage load(const QString& name) const { return QImage(QDir(out.path()).filePath(name)); }
    bool make(const QString& picture, QSize size, const QString& stamp = {}) {
        return DrawImages::MakeFrameBgImage(picture, out.path(), size, stamp, &result);
    }
    PictureDir pics;
    QTemporaryDir out;
    DrawImages::FrameResult result;
};

TEST_F(DrawImagesTest, BackgroundCoversTheSizeWithRoundedCornersAndThumbnail) {
    QImage src(800, 300, QImage::Format_RGB32);  // left half blue, right half green
    src.fill(Qt::blue);
    for (int y = 0; y < 300; ++y)
        for (int x = 400; x < 800; ++x) src.setPixelColor(x, y, Qt::green);
    ASSERT_TRUE(make(pics.write("wide.jpg", src), QSize(316, 400)));
    EXPECT_EQ(result.maskColor, 0xFF00FF);
    const QString stem = result.fileName.section('.', 0, 0);
    EXPECT_EQ(stem.size(), 17);  // yyyyMMddhhmmsszzz
    EXPECT_EQ(files(), (QStringList{result.fileName, stem + "_s.bmp"}));
    EXPECT_EQ(QImageReader(QDir(out.path()).filePath(result.fileName)).format(), "bmp");
    const QImage bg = load(result.fileName);
    ASSERT_EQ(bg.size(), QSize(316, 400));
    // Corners of the window's radius (8) in the mask colour; the straight edges stay.
    for (QPoint pt : {QPoint(0, 0), QPoint(314, 1), QPoint(3, 399), QPoint(315, 397)})
        EXPECT_EQ(bg.pixel(pt) & 0xFFFFFF, 0xFF00FFu) << pt.x() << "," << pt.y();
    for (QPoint pt : {QPoint(3, 3), QPoint(0, 8), QPoint(0, 200), QPoint(312, 396)})
        EXPECT_NE(bg.pixel(pt) & 0xFFFFFF, 0xFF00FFu) << pt.x() << "," << pt.y();
    EXPECT_GT(qBlue(bg.pixel(20, 200)), 180);  // centre crop: both halves, not squeezed
    EXPECT_GT(qGreen(bg.pixel(295, 200)), 180);
    EXPECT_EQ(load(stem + "_s.bmp").size(), DrawImages::kThumbnailSize);

    for (int i = 0; i < 3; ++i) ASSERT_TRUE(make(pics.write("s.png", src), QSize(40, 30)));
    EXPECT_EQ(files().size(), 8);  // quick successive imports never overwrite each other
}

// A picture that uses magenta (and the nearest colour) gets another key, painted only at the
// corners; its transparent parts turn black.
TEST_F(DrawImagesTest, MaskColourAvoidsThePicturesColours) {
    QImage src(64, 64, QImage::Format_ARGB32);
    src.fill(QColor(255, 0, 255));
    for (int x = 0; x < 64; ++x) src.setPixelColor(x, 40, QColor(254, 0, 255));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) src.setPixelColor(x, y, Qt::transparent);
    ASSERT_TRUE(make(pics.write("m.png", src), QSize(64, 64), "stamp"));
    EXPECT_EQ(files(), (QStringList{"stamp.bmp", "stamp_s.bmp"}));
    const quint32 c = quint32(result.maskColor);  // 0xBBGGRR
    const QRgb key = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    EXPECT_NE(key, 0xFF00FFu);
    EXPECT_NE(key, 0xFE00FFu);
    EXPECT_EQ(load("stamp.bmp").pixel(0, 0) & 0xFFFFFF, key);
    EXPECT_NE(load("stamp.bmp").pixel(32, 32) & 0xFFFFFF, key);
    EXPECT_EQ(load("stamp_s.bmp").pixelColor(2, 2), QColor(Qt::black));
}

TEST_F(DrawImagesTest, RefusesBrokenPicturesAndWritesNothing) {
    result.fileName = "untouched";
    const QString good = pics.solid("ok.png", QSize(10, 10), Qt::red);
    for (auto [picture, size] :
         {std::pair{pics.bytes("b.png", "\x89PNG\r\n\x1a\nrubbish"), QSize(316, 400)},
          {pics.bytes("b.jpg", QByteArray(4096, '\xff')), QSize(316, 400)},
          {pics.path() + "/missing.bmp", QSize(316, 400)},
          {good, QSize(0, 400)}})
        EXPECT_FALSE(make(picture, size)) << qPrintable(picture);
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(good, out.path() + "/none", QSize(9, 9), &result));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(result.fileName, "untouched");
}

// Long, thin pictures: only the middle part is scaled, so neither time nor memory grows with the
// factor that the whole picture would need to cover the window (560,000 x 560 and 320 x 2,544,000).
TEST_F(DrawImagesTest, LongThinPicturesScaleOnlyTheirMiddle) {
    QImage wide(1000, 1, QImage::Format_RGB32);
    wide.fill(Qt::red);
    for (int x = 480; x < 520; ++x) wide.setPixelColor(x, 0, Qt::green);
    const auto middle = [](int, int y) {
        return y >= 11800 && y < 12050 ? gif::kGreen : gif::kRed;
    };
    const QString tall = pics.bytes(
        "tall.gif", gif::header(3, 23850) + gif::image(QRect(0, 0, 3, 23850), middle) + ';');
    ASSERT_EQ(QImage(tall).size(), QSize(3, 23850));
    for (const QString& picture : {pics.write("wide.jpg", wide), tall}) {
        SCOPED_TRACE(picture.toStdString());
        const qint64 peakBefore = peakKiB();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(make(picture, QSize(320, 560)));
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_LT(peakKiB() - peakBefore, 200 * 1024);
        const QImage bg = load(result.fileName);
        ASSERT_EQ(bg.size(), QSize(320, 560));
        EXPECT_GT(qGreen(bg.pixel(160, 280)), 180);
        EXPECT_LT(qRed(bg.pixel(160, 280)), 80);
    }
}

// Extended: every real-world picture becomes a background of the right size or is refused.
TEST_F(DrawImagesTest, CorpusPictures) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/pictures");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    int made = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        const int before = files().size();
        const bool ok = make(dir.filePath(name), QSize(120, 90));
        made += ok;
        EXPECT_EQ(files().size(), before + (ok ? 2 : 0)) << qPrintable(name);
        if (ok) {
            EXPECT_EQ(load(result.fileName).size(), QSize(120, 90)) << qPrintable(name);
        }
    }
    EXPECT_GT(made, 0);
}

}  // namespace
