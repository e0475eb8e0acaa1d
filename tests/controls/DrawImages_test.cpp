#include "DrawImages.h"

#include "ControlsTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QRegularExpression>

namespace {

QRgb bgrToRgb(qint32 c) {
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)) & 0xFFFFFF;
}

class DrawImagesTest : public ::testing::Test {
protected:
    QStringList files() const { return QDir(out.path()).entryList(QDir::Files, QDir::Name); }
    QImage load(const QString& name) const { return QImage(QDir(out.path()).filePath(name)); }
    PictureDir pics;
    QTemporaryDir out;
};

TEST_F(DrawImagesTest, TextFontFallsBackToTheInstalledCjkFace) {
    const QFont f = DrawImages::SetTextFont(700, 14, 1);
    EXPECT_EQ(f.families().value(0), "SimSun");
    EXPECT_EQ(f.pixelSize(), 14);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_TRUE(f.italic());
    EXPECT_TRUE(QFontMetrics(f).inFontUcs4(U'欧'));  // a real CJK face answers
}

TEST_F(DrawImagesTest, BackgroundCoversTheSizeWithMaskedCornersAndThumbnail) {
    QImage src(800, 300, QImage::Format_RGB32);  // left half blue, right half green
    src.fill(Qt::blue);
    for (int y = 0; y < 300; ++y)
        for (int x = 400; x < 800; ++x) src.setPixelColor(x, y, Qt::green);
    DrawImages::FrameResult r;
    ASSERT_TRUE(
        DrawImages::MakeFrameBgImage(pics.write("wide.jpg", src), out.path(), QSize(316, 400), &r));
    EXPECT_TRUE(QRegularExpression("^\\d{17}\\.bmp$").match(r.fileName).hasMatch());
    EXPECT_EQ(r.maskColor, 0xFF00FF);
    const QString stem = r.fileName.section('.', 0, 0);
    EXPECT_EQ(files(), (QStringList{r.fileName, stem + "_s.bmp"}));
    EXPECT_EQ(QImageReader(QDir(out.path()).filePath(r.fileName)).format(), "bmp");
    const QImage bg = load(r.fileName);
    ASSERT_EQ(bg.size(), QSize(316, 400));
    saveArtifact(bg, "frame_background.png");
    for (QPoint pt : {QPoint(0, 0), QPoint(315, 0), QPoint(0, 399), QPoint(315, 399)})
        EXPECT_EQ(bg.pixel(pt) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_NE(bg.pixel(5, 5) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_NE(bg.pixel(0, 200) & 0xFFFFFF, 0xFF00FFu);  // straight edges stay
    EXPECT_GT(qBlue(bg.pixel(20, 200)), 180);           // centre crop: both halves, not squeezed
    EXPECT_GT(qGreen(bg.pixel(295, 200)), 180);
    EXPECT_EQ(load(stem + "_s.bmp").size(), DrawImages::kThumbnailSize);

    // Quick successive imports never overwrite each other.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(
            DrawImages::MakeFrameBgImage(pics.write("s.png", src), out.path(), QSize(40, 30), &r));
    EXPECT_EQ(files().size(), 8);
}

TEST_F(DrawImagesTest, MaskColourAvoidsThePicturesColours) {
    QImage src(64, 64, QImage::Format_ARGB32);
    src.fill(QColor(255, 0, 255));
    for (int x = 0; x < 64; ++x) src.setPixelColor(x, 40, QColor(254, 0, 255));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) src.setPixelColor(x, y, Qt::transparent);
    DrawImages::FrameResult r;
    ASSERT_TRUE(DrawImages::MakeFrameBgImage(pics.write("m.png", src), out.path(), QSize(64, 64),
                                             QString("stamp"), &r));
    EXPECT_EQ(files(), (QStringList{"stamp.bmp", "stamp_s.bmp"}));
    const QRgb key = bgrToRgb(r.maskColor);
    EXPECT_NE(key, 0xFF00FFu);
    EXPECT_NE(key, 0xFE00FFu);
    const QImage bg = load("stamp.bmp");
    int keyed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) keyed += (bg.pixel(x, y) & 0xFFFFFF) == key;
    EXPECT_GT(keyed, 4);
    EXPECT_LT(keyed, 80);                                                // the four corners only
    EXPECT_EQ(load("stamp_s.bmp").pixelColor(2, 2), QColor(Qt::black));  // transparent → black
}

TEST_F(DrawImagesTest, RefusesBrokenPicturesAndWritesNothing) {
    DrawImages::FrameResult r;
    r.fileName = "untouched";
    const QString good = pics.solid("ok.png", QSize(10, 10), Qt::red);
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.bytes("b.png", "\x89PNG\r\n\x1a\nrubbish"),
                                              out.path(), QSize(316, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.bytes("b.jpg", QByteArray(4096, '\xff')),
                                              out.path(), QSize(316, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.path() + "/missing.bmp", out.path(),
                                              QSize(316, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(good, out.path(), QSize(0, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(good, out.path() + "/none", QSize(30, 30), &r));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(r.fileName, "untouched");
}

// Extended: every real-world picture becomes a background of the right size or is refused.
TEST_F(DrawImagesTest, CorpusPictures) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/pictures");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    int made = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QTemporaryDir folder;
        DrawImages::FrameResult r;
        const bool ok =
            DrawImages::MakeFrameBgImage(dir.filePath(name), folder.path(), QSize(120, 90), &r);
        made += ok;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), ok ? 2 : 0)
            << qPrintable(name);
        if (ok) {
            EXPECT_EQ(QImage(folder.filePath(r.fileName)).size(), QSize(120, 90));
        }
    }
    EXPECT_GT(made, 0);
}

}  // namespace
