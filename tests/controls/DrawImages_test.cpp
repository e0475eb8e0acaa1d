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
    const quint32 v = quint32(c);
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

class DrawImagesTest : public ::testing::Test {
protected:
    QStringList files() const {
        return QDir(out.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
    PictureDir pics;
    QTemporaryDir out;
};

TEST_F(DrawImagesTest, TextFontFallsBackToTheInstalledCjkFace) {
    const QFont f = DrawImages::SetTextFont(0, 14, 0);
    ASSERT_GE(f.families().size(), 2);
    EXPECT_EQ(f.families().first(), "SimSun");
    EXPECT_TRUE(f.families().contains("Noto Sans CJK SC"));
    EXPECT_EQ(f.pixelSize(), 14);
    EXPECT_FALSE(f.italic());
    EXPECT_EQ(f.weight(), QFont::Normal);
    const QFont bold = DrawImages::SetTextFont(700, 12, 1);
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_TRUE(bold.italic());
    EXPECT_EQ(bold.pixelSize(), 12);
    // Chinese text really has glyphs (an empty box font would measure the same for any text).
    const QFontMetrics fm(f);
    EXPECT_TRUE(fm.inFontUcs4(U'欧'));
}

TEST_F(DrawImagesTest, BackgroundCoversTheSizeWithMaskedCornersAndThumbnail) {
    // A wide picture: left half blue, right half green; cover-scaling crops its sides.
    QImage src(800, 300, QImage::Format_RGB32);
    src.fill(Qt::blue);
    for (int y = 0; y < 300; ++y)
        for (int x = 400; x < 800; ++x) src.setPixelColor(x, y, Qt::green);
    const QString jpg = pics.write("wide.jpg", src);

    DrawImages::FrameResult r;
    ASSERT_TRUE(DrawImages::MakeFrameBgImage(jpg, out.path(), QSize(316, 400), &r));
    EXPECT_TRUE(QRegularExpression("^\\d{17}\\.bmp$").match(r.fileName).hasMatch())
        << r.fileName.toStdString();
    EXPECT_EQ(r.maskColor, 0xFF00FF);
    const QString stem = r.fileName.section('.', 0, 0);
    EXPECT_EQ(files(), (QStringList{r.fileName, stem + "_s.bmp"}));

    QImageReader reader(QDir(out.path()).filePath(r.fileName));
    EXPECT_EQ(reader.format(), "bmp");
    const QImage bg = reader.read();
    ASSERT_EQ(bg.size(), QSize(316, 400));
    saveArtifact(bg, "frame_background.png");
    // Corners in the mask colour, the rest from the picture (centre crop: blue left, green right).
    for (QPoint pt : {QPoint(0, 0), QPoint(315, 0), QPoint(0, 399), QPoint(315, 399), QPoint(1, 0),
                      QPoint(0, 1)})
        EXPECT_EQ(bg.pixel(pt) & 0xFFFFFF, bgrToRgb(r.maskColor) & 0xFFFFFF)
            << pt.x() << "," << pt.y();
    EXPECT_NE(bg.pixel(5, 5) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_NE(bg.pixel(0, 200) & 0xFFFFFF, 0xFF00FFu);  // straight edges are not masked
    EXPECT_LT(qGreen(bg.pixel(20, 200)), 60);
    EXPECT_GT(qBlue(bg.pixel(20, 200)), 180);
    EXPECT_GT(qGreen(bg.pixel(295, 200)), 180);

    const QImage thumb(QDir(out.path()).filePath(stem + "_s.bmp"));
    EXPECT_EQ(thumb.size(), DrawImages::kThumbnailSize);
}

TEST_F(DrawImagesTest, MaskColourAvoidsColoursOfThePicture) {
    QImage src(64, 64, QImage::Format_ARGB32);
    src.fill(QColor(255, 0, 255));
    for (int x = 0; x < 64; ++x) src.setPixelColor(x, 10, QColor(255, 0, 254));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) src.setPixelColor(x, y, Qt::transparent);
    const QString png = pics.write("magenta.png", src);
    DrawImages::FrameResult r;
    ASSERT_TRUE(DrawImages::MakeFrameBgImage(png, out.path(), QSize(64, 64), QString("stamp"), &r));
    EXPECT_EQ(r.fileName, "stamp.bmp");
    EXPECT_EQ(files(), (QStringList{"stamp.bmp", "stamp_s.bmp"}));
    const QImage bg(QDir(out.path()).filePath("stamp.bmp"));
    const QRgb key = bgrToRgb(r.maskColor) & 0xFFFFFF;
    EXPECT_NE(key, 0xFF00FFu);
    EXPECT_NE(key, 0xFF00FEu);  // the other colour of the picture
    int keyed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) keyed += (bg.pixel(x, y) & 0xFFFFFF) == key;
    EXPECT_GT(keyed, 4);
    EXPECT_LT(keyed, 40);  // only the four corners
    // Transparent parts of the picture become black in the thumbnail.
    EXPECT_EQ(QImage(QDir(out.path()).filePath("stamp_s.bmp")).pixelColor(2, 2), QColor(Qt::black));
}

TEST_F(DrawImagesTest, RefusesBrokenPicturesAndWritesNothing) {
    DrawImages::FrameResult r;
    r.fileName = "untouched";
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.bytes("broken.png", "\x89PNG\r\n\x1a\nrubbish"),
                                              out.path(), QSize(316, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.bytes("broken.jpg", QByteArray(4096, '\xff')),
                                              out.path(), QSize(316, 400), &r));
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(pics.path() + "/missing.bmp", out.path(),
                                              QSize(316, 400), &r));
    const QString good = pics.solid("ok.png", QSize(10, 10), Qt::red);
    EXPECT_FALSE(DrawImages::MakeFrameBgImage(good, out.path(), QSize(0, 400), &r));
    EXPECT_FALSE(
        DrawImages::MakeFrameBgImage(good, out.path() + "/no/such/folder", QSize(30, 30), &r));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(r.fileName, "untouched");
}

TEST_F(DrawImagesTest, QuickSuccessiveImportsGetDistinctNames) {
    const QString pic = pics.solid("ok.png", QSize(40, 30), Qt::red);
    QStringList names;
    for (int i = 0; i < 4; ++i) {
        DrawImages::FrameResult r;
        ASSERT_TRUE(DrawImages::MakeFrameBgImage(pic, out.path(), QSize(40, 30), &r));
        names.append(r.fileName);
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), 4);
    EXPECT_EQ(files().size(), 8);
}

// Extended: every real-world picture either becomes a background of the right size or is refused.
TEST_F(DrawImagesTest, CorpusPictures) {
    const QString corpus = qEnvironmentVariable("ORVO_CORPUS");
    if (corpus.isEmpty() || !QFileInfo(corpus + "/pictures").isDir())
        GTEST_SKIP() << "ORVO_CORPUS not set";
    const QDir dir(corpus + "/pictures");
    int made = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QTemporaryDir folder;
        DrawImages::FrameResult r;
        if (!DrawImages::MakeFrameBgImage(dir.filePath(name), folder.path(), QSize(120, 90), &r)) {
            EXPECT_TRUE(QDir(folder.path()).isEmpty()) << name.toStdString();
            continue;
        }
        ++made;
        EXPECT_EQ(QImage(QDir(folder.path()).filePath(r.fileName)).size(), QSize(120, 90))
            << name.toStdString();
    }
    EXPECT_GT(made, 0);
}

}  // namespace
