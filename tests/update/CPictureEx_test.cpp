// The picture control on the offscreen platform: what each kind of file loads as, the animation
// thread's frame order and holds, stopping, reloading and destroying while it plays, and decoded
// frames disposed at the pixels. Waits have limits; times are only checked from below.
#include "update/CPictureEx.h"
#include "GifBuilder.h"
#include "PictureExTestSupport.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {
QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray threeFrames(quint16 delay = 10) {
    return GifBuilder(6, 4)
        .application()
        .control(delay)
        .image(QRect(0, 0, 6, 4), GifBuilder::kRed)
        .control(delay)
        .image(QRect(1, 1, 2, 2), GifBuilder::kGreen)
        .control(delay)
        .image(QRect(3, 0, 3, 4), GifBuilder::kBlue)
        .trailer()
        .bytes();
}

TEST(CPictureEx, LoadsWhatItCanShowAndRefusesTheRest) {
    QImage still(7, 5, QImage::Format_RGB32);
    still.fill(Qt::magenta);
    const QByteArray animated = threeFrames();
    const QRect r(0, 0, 3, 3);
    const QColor red = GifBuilder::color(GifBuilder::kRed);
    const struct Row {
        const char* name;
        QByteArray bytes;
        QSize size;  // empty: refused
        int frames;  // 0: a still picture, play() draws it
        QColor topLeft;
    } rows[] = {
        {"PNG at its natural size", encoded(still, "PNG"), {7, 5}, 0, Qt::magenta},
        {"BMP", encoded(still, "BMP"), {7, 5}, 0, Qt::magenta},
        {"one-frame GIF",
         GifBuilder(5, 4).image(QRect(0, 0, 5, 4), 1).trailer().bytes(),
         {5, 4},
         0,
         red},
        {"animation", animated, {6, 4}, 3, {}},
        {"animation cut in its last frame", animated.first(animated.size() - 6), {6, 4}, 2, {}},
        {"only one frame decodes: shown still",
         GifBuilder(3, 3)
             .image(r, 1)
             .raw(QByteArray("\x2C\0\0\0\0\3\0\3\0\0\x0F\1\0\0", 14))
             .bytes(),
         {3, 3},
         0,
         red},
        {"plain text frame dropped",
         GifBuilder(3, 3).plainText("x").image(r, 1).trailer().bytes(),
         {3, 3},
         0,
         red},
        {"frame outside the image keeps its turn",
         GifBuilder(3, 3).image(r, 1).image(QRect(65000, 65000, 2, 2), 2).bytes(),
         {3, 3},
         2,
         {}},
        {"text", "hello, world", {}, 0, {}},
        {"GIF signature and garbage", "GIF89a\x01\x02garbage", {}, 0, {}},
        {"no frames", GifBuilder(4, 4).comment("only").trailer().bytes(), {}, 0, {}},
        {"huge logical screen",
         GifBuilder(65535, 65535).image(r, 1).image(r, 2).bytes(),
         {},
         0,
         {}},
        {"zero-size screen", GifBuilder(0, 0).image(r, 1).image(r, 2).bytes(), {}, 0, {}},
        {"huge PNG header", encoded(QImage(5000, 5000, QImage::Format_Mono), "PNG"), {}, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPictureEx picture;
        const bool loaded = picture.loadData(row.bytes);
        EXPECT_EQ(loaded, !row.size.isEmpty());
        EXPECT_EQ(picture.isReady(), loaded);
        if (!loaded) {
            EXPECT_FALSE(picture.play());
            continue;
        }
        EXPECT_EQ(picture.imageSize(), row.size);
        EXPECT_EQ(picture.size(), row.size);
        EXPECT_EQ(picture.frames().size(), row.frames);
        EXPECT_EQ(picture.play(), row.frames == 0);
        EXPECT_EQ(picture.isPlaying(), row.frames > 1);
        if (row.topLeft.isValid()) {
            EXPECT_EQ(picture.grab().toImage().pixelColor(0, 0), row.topLeft);
        }
    }
}

TEST(CPictureEx, LoadsFromAFileAndRefusesWhatCannotBeRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.gif");
    ASSERT_TRUE(writeFile(path, threeFrames()));
    CPictureEx picture;
    EXPECT_TRUE(picture.load(path));
    EXPECT_EQ(picture.frames().size(), 3);
    EXPECT_FALSE(picture.load(dir.filePath("missing.gif")));
    EXPECT_FALSE(picture.isReady());
    EXPECT_FALSE(picture.load(dir.path()));
}

TEST(CPictureEx, PlaysFramesInOrderHoldingEachForItsDelay) {
    // Delays 0 and 10 hold 100 ms, 50 holds 500 ms, no control extension 100 ms.
    const QRect r(0, 0, 2, 2);
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(GifBuilder(2, 2)
                                     .control(0)
                                     .image(r, 1)
                                     .control(10)
                                     .image(r, 2)
                                     .control(50)
                                     .image(r, 3)
                                     .image(r, 0)
                                     .trailer()
                                     .bytes()));
    FrameLog log(picture);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(picture.play());
    EXPECT_FALSE(picture.play());  // already playing: no second thread
    ASSERT_TRUE(log.waitForCount(9, 10000));
    const qint64 elapsed = clock.elapsed();
    picture.stop();
    EXPECT_EQ(log.indices().first(9), QList<int>({0, 1, 2, 3, 0, 1, 2, 3, 0}));
    EXPECT_EQ(log.holds().first(4), QList<int>({100, 100, 500, 100}));
    EXPECT_GE(elapsed, 1600);  // two whole passes were held before the ninth frame
}

TEST(CPictureEx, StopCutsALongDelayShortAndPlayGoesOnWithTheSameFrame) {
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(threeFrames(65535)));  // each frame would stay 11 minutes
    FrameLog log(picture);
    picture.play();
    ASSERT_TRUE(log.waitForCount(1, 5000));
    EXPECT_EQ(picture.grab().toImage().pixelColor(5, 3), GifBuilder::color(GifBuilder::kRed));
    QElapsedTimer clock;
    clock.start();
    picture.stop();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(picture.isPlaying());
    EXPECT_EQ(picture.currentFrame(), 0u);
    picture.play();
    ASSERT_TRUE(log.waitForCount(2, 5000));
    EXPECT_EQ(log.indices(), QList<int>({0, 0}));
    // A new load while playing stops the old thread first.
    EXPECT_TRUE(picture.loadData(threeFrames()));
    EXPECT_FALSE(picture.isPlaying());
    picture.play();
    ASSERT_TRUE(log.waitForCount(4, 5000));
    // Destroyed while playing: the thread is joined, its queued repaints are dropped.
    delete new CPictureEx;
    auto* doomed = new CPictureEx;
    ASSERT_TRUE(doomed->loadData(threeFrames(0)));
    doomed->play();
    delete doomed;
    pumpEvents(50);
}

TEST(CPictureEx, DecodedFramesKeepTheirPlaceTransparencyAndDisposal) {
    // A blue frame; a 2 x 2 red frame at (1, 1) with a transparent corner, restoring what lay
    // below; a green frame at (2, 0) leaving the background.
    const QByteArray bytes =
        GifBuilder(4, 3)
            .control(10, 1)
            .image(QRect(0, 0, 4, 3), GifBuilder::kBlue)
            .control(10, 3, GifBuilder::kWhite)
            .image(QRect(1, 1, 2, 2), [](int x, int y) { return x + y ? 1 : 0; })
            .control(10, 2)
            .image(QRect(2, 0, 2, 1), GifBuilder::kGreen)
            .trailer()
            .bytes();
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(bytes));
    ASSERT_EQ(picture.frames().size(), 3);
    EXPECT_EQ(picture.frames()[1].rect, QRect(1, 1, 2, 2));
    EXPECT_EQ(picture.frames()[1].disposal, 3u);
    EXPECT_EQ(picture.frames()[1].picture.pixelColor(0, 0).alpha(), 0);
    // The same steps the animation thread runs, one by one.
    GifAnimation animation;
    ASSERT_TRUE(animation.prepare({4, 3}, Qt::white, picture.backgroundColor()));
    animation.setFrames(picture.frames());
    const QColor blue = GifBuilder::color(GifBuilder::kBlue);
    const QColor red = GifBuilder::color(GifBuilder::kRed);
    const QStringList expected = {
        "BBBB BBBB BBBB",  // frame 0 shown
        "BBBB BBRB BRRB",  // frame 1 over it, its transparent corner keeps the blue
        "BBBB BBBB BBBB",  // frame 1 restored
        "BBGG BBBB BBBB",  // frame 2 shown
        "BB.. BBBB BBBB",  // frame 2 disposed to the background
        ".... .... ....",  // end of the pass
    };
    const QMap<QChar, QColor> colors = {{'B', blue},
                                        {'R', red},
                                        {'G', GifBuilder::color(GifBuilder::kGreen)},
                                        {'.', picture.backgroundColor()}};
    QStringList seen;
    animation.resume();
    for (int i = 0; i < 3; ++i) {
        animation.show();
        seen.append(rows(animation.image(), colors));
        animation.dispose();
        if (i > 0) seen.append(rows(animation.image(), colors));
        animation.advance();
    }
    seen.append(rows(animation.image(), colors));
    EXPECT_EQ(seen, expected);
}
TEST(CPictureEx, DeliveredBusySpinnerTurns) {
    CPictureEx picture;
    ASSERT_TRUE(picture.load(ORVO_SOURCE_DIR "/res/checknew.gif"));
    ASSERT_GE(picture.frames().size(), 2);
    EXPECT_NE(picture.frames()[0].picture, picture.frames()[1].picture);
    FrameLog log(picture);
    picture.play();
    ASSERT_TRUE(log.waitForCount(1, 5000));
    picture.stop();
    const QImage shot = picture.grab().toImage();
    ASSERT_EQ(shot.size(), picture.imageSize());
    // The spinner's transparent parts show the background, its spokes do not.
    int background = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            background += shot.pixelColor(x, y) == picture.backgroundColor();
    EXPECT_GT(background, 0);
    EXPECT_LT(background, shot.width() * shot.height());
}
}  // namespace
