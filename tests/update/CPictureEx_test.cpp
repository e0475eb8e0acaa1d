// The picture control on the offscreen platform: what each kind of file loads as, the animation
// thread's frame order and holds, painting, stopping and reloading while it plays (destroying is
// SoftUpdate_test's), and decoded frames disposed at the pixels; with ORVO_CORPUS set, every
// real-world GIF. Waits have limits; times are only checked from below.
#include "update/CPictureEx.h"
#include "GifPieces.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <optional>

namespace {
using namespace gif;

// The frames a picture control's animation thread reports, received queued on the test's thread.
struct FrameLog : QObject {
    explicit FrameLog(CPictureEx& picture) {
        clock.start();
        connect(&picture, &CPictureEx::frameShown, this, [this](int index, int hold) {
            indices.append(index);
            holds.append(hold);
        });
    }
    // Runs the event loop until `count` frames were reported or `ms` passed.
    bool waitForCount(int count, int ms) {
        return QTest::qWaitFor([&] { return indices.size() >= count; }, ms);
    }

    QElapsedTimer clock;
    QList<int> indices;
    QList<int> holds;
};

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The first frame is red with a transparent top left corner.
QByteArray threeFrames(int delay) {
    return header(6, 4) + application() + control(delay, 0, kWhite) +
           image({0, 0, 6, 4}, [](int x, int y) { return x + y ? kRed : kWhite; }) +
           control(delay) + image({1, 1, 2, 2}, kGreen) + control(delay) +
           image({3, 0, 3, 4}, kBlue) + ";";
}

TEST(CPictureEx, LoadsWhatItCanShowAndRefusesTheRest) {
    QImage still(7, 5, QImage::Format_RGB32);
    still.fill(Qt::magenta);
    const QByteArray animated = threeFrames(10);
    const QRect r(0, 0, 3, 3);
    const QByteArray head = header(3, 3), one = head + image(r, kRed);
    const QByteArray undecodable("\x2C\0\0\0\0\3\0\3\0\0\x0F\1\0\0", 14);  // LZW code size 15
    const QColor red = color(kRed);
    const struct Row {
        const char* name;
        QByteArray bytes;
        QSize size;  // empty: refused
        int frames;  // 0: a still picture, which play() draws
        QColor topLeft;
    } rows[] = {
        {"PNG", encoded(still, "PNG"), {7, 5}, 0, Qt::magenta},
        {"one-frame GIF", one + ";", {3, 3}, 0, red},
        {"animation", animated, {6, 4}, 3, {}},
        {"cut in its last frame", animated.first(animated.size() - 6), {6, 4}, 2, {}},
        {"one of two decodes", one + undecodable, {3, 3}, 0, red},
        {"plain text dropped", head + plainText("x") + image(r, kRed), {3, 3}, 0, red},
        {"frame outside", one + image({60000, 60000, 2, 2}, 2), {3, 3}, 2, {}},
        {"text", "hello", {}, 0, {}},
        {"GIF signature and garbage", "GIF89a\x01\x02garbage", {}, 0, {}},
        {"no frames", header(4, 4) + comment("only") + ";", {}, 0, {}},
        {"huge logical screen", header(65535, 65535) + image(r, 1) + image(r, 2), {}, 0, {}},
        {"zero-size screen", header(0, 0) + image(r, 1) + image(r, 2), {}, 0, {}},
        {"huge PNG", encoded(QImage(5000, 5000, QImage::Format_Mono), "PNG"), {}, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPictureEx picture;
        const bool loaded = picture.loadData(row.bytes);
        ASSERT_EQ(loaded, !row.size.isEmpty());
        EXPECT_EQ(picture.isReady(), loaded);
        EXPECT_EQ(picture.imageSize(), row.size);
        if (loaded) {
            EXPECT_EQ(picture.size(), row.size);
        }
        EXPECT_EQ(picture.frames().size(), row.frames);
        EXPECT_EQ(picture.play(), loaded && row.frames == 0);
        EXPECT_EQ(picture.isPlaying(), row.frames > 1);
        if (row.topLeft.isValid()) {
            EXPECT_EQ(picture.grab().toImage().pixelColor(0, 0), row.topLeft);
        }
    }
    CPictureEx picture;  // the busy animation of the version check
    EXPECT_TRUE(picture.load(ORVO_SOURCE_DIR "/res/checknew.gif"));
    EXPECT_GE(picture.frames().size(), 2);
    EXPECT_FALSE(picture.load(ORVO_SOURCE_DIR "/res/missing.gif"));
    EXPECT_FALSE(picture.isReady());
    EXPECT_FALSE(picture.load(ORVO_SOURCE_DIR "/res"));
}

TEST(CPictureEx, PlaysFramesInOrderHoldingEachForItsDelayAndPaintsWholeFramesOnly) {
    // Delays 0 and 10 hold 100 ms, 50 holds 500 ms, no control extension 100 ms. The frames are
    // big and opaque, and painted in a tight loop meanwhile: every picture painting makes is one
    // whole frame, never one drawn only down to a row.
    const QRect r(0, 0, 400, 400);
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(header(400, 400) + control(0) + image(r, 1) + control(10) +
                                 image(r, 2) + control(50) + image(r, 3) + image(r, 0) + ";"));
    FrameLog log(picture);
    EXPECT_FALSE(picture.play());
    EXPECT_FALSE(picture.play());  // already playing: no second thread
    int torn = 0;
    while (!log.waitForCount(9, 0) && log.clock.elapsed() < 10000) {
        const QImage shot = picture.grab().toImage();
        torn += shot.pixel(0, 0) != shot.pixel(399, 399);
    }
    EXPECT_GE(log.clock.elapsed(), 1600);  // two whole passes were held before the ninth frame
    picture.stop();
    EXPECT_EQ(torn, 0);
    ASSERT_GE(log.indices.size(), 9);
    EXPECT_EQ(log.indices.first(9), QList<int>({0, 1, 2, 3, 0, 1, 2, 3, 0}));
    EXPECT_EQ(log.holds.first(4), QList<int>({100, 100, 500, 100}));
}

TEST(CPictureEx, StopCutsALongDelayShortAndPlayGoesOnWithTheSameFrame) {
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(threeFrames(65535)));
    FrameLog log(picture);
    picture.play();
    ASSERT_TRUE(log.waitForCount(1, 5000));
    EXPECT_EQ(log.holds.first(), 655350);
    // The corner shows the face around the control from the first pass on.
    const QImage shot = picture.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 3), color(kRed));
    EXPECT_EQ(shot.pixelColor(0, 0), picture.backgroundColor());
    QElapsedTimer clock;
    clock.start();
    picture.stop();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(picture.isPlaying());
    picture.play();
    ASSERT_TRUE(log.waitForCount(2, 5000));
    EXPECT_EQ(log.indices, QList<int>({0, 0}));
    // A new load while playing stops the old thread first.
    EXPECT_TRUE(picture.loadData(threeFrames(0)));
    EXPECT_FALSE(picture.isPlaying());
    picture.play();
    ASSERT_TRUE(log.waitForCount(4, 5000));
}

TEST(CPictureEx, DecodedFramesKeepTheirPlaceTransparencyAndDisposal) {
    // Blue; then red at (1, 1) with a transparent corner, restoring what lay below; then green at
    // (2, 0), leaving the background.
    CPictureEx picture;
    ASSERT_TRUE(picture.loadData(
        header(4, 3) + control(10, 1) + image({0, 0, 4, 3}, kBlue) + control(10, 3, kWhite) +
        image({1, 1, 2, 2}, [](int x, int y) { return x + y ? kRed : kWhite; }) + control(10, 2) +
        image({2, 0, 2, 1}, kGreen) + ";"));
    ASSERT_EQ(picture.frames().size(), 3);
    GifAnimation animation;  // the animation thread's steps, one by one
    ASSERT_TRUE(animation.prepare({4, 3}, Qt::white, picture.backgroundColor()));
    animation.setFrames(picture.frames());
    const QMap<QChar, QColor> letters = {{'B', color(kBlue)},
                                         {'R', color(kRed)},
                                         {'G', color(kGreen)},
                                         {'.', picture.backgroundColor()}};
    // r resume, s show, d dispose, a advance, | look. A resume after a show is what playing
    // again after a stop does: the frame drawn last is undone, then drawn again.
    QStringList seen;
    for (const QChar step : QString("rs|das| r| sd| as| d| a|")) {
        if (step == 'r') animation.resume();
        if (step == 's') animation.show();
        if (step == 'd') animation.dispose();
        if (step == 'a') animation.advance();
        if (step != '|') continue;
        QString look;
        for (int i = 0; i < 12; ++i)
            look += letters.key(animation.image().pixelColor(i % 4, i / 4).toRgb(), '?');
        seen.append(look);
    }
    EXPECT_EQ(seen, QStringList({"BBBBBBBBBBBB", "BBBBBBRBBRRB", "BBBBBBBBBBBB", "BBBBBBBBBBBB",
                                 "BBGGBBBBBBBB", "BB..BBBBBBBB", "............"}));
}

// Extended mode: every real-world GIF under ORVO_CORPUS/gif. A file ImageMagick's identify reads
// without complaint is well-formed: it must load with identify's frames and delays, and play. Any
// other file is refused or loads and shows; never a crash or a hang.

// Delays per frame as identify reads them; nothing when it fails or complains about the file.
std::optional<QList<quint32>> identify(const QString& path) {
    QProcess process;
    process.start("identify", {"-format", "%T ", path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0 ||
        !process.readAllStandardError().isEmpty())
        return std::nullopt;
    QList<quint32> delays;
    for (const QByteArray& delay : process.readAllStandardOutput().split(' '))
        if (!delay.isEmpty()) delays.append(delay.toUInt());
    return delays.isEmpty() ? std::nullopt : std::optional(delays);
}

TEST(CPictureExCorpus, WellFormedGifsAnimateAsIdentifySeesThemOthersNeverCrash) {
    const QDir dir(qEnvironmentVariable("ORVO_CORPUS") + "/gif");
    if (qEnvironmentVariableIsEmpty("ORVO_CORPUS") || !dir.exists()) GTEST_SKIP();
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files, QDir::Name);
    int wellFormed = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        const std::optional<QList<quint32>> delays = identify(path);
        CPictureEx picture;
        FrameLog log(picture);
        const bool loaded = picture.load(path);
        const bool played = picture.play();
        const QList<GifFrame>& frames = picture.frames();
        if (delays) {
            ++wellFormed;
            ASSERT_TRUE(loaded);
            EXPECT_EQ(frames.size(), delays->size() > 1 ? delays->size() : 0);
            EXPECT_EQ(played, delays->size() == 1);
            for (qsizetype i = 0; i < frames.size(); ++i) {
                // A frame without a graphic control extension holds the default here, while
                // identify carries the delay of the control before over to it.
                const quint32 delay = frames[i].delay;
                EXPECT_TRUE(delay == GifWalker::kNoDelay || delay == delays->at(i)) << i;
            }
        } else if (loaded) {
            EXPECT_TRUE(played || picture.isPlaying());
        }
        if (!picture.isPlaying()) continue;
        // It turns: the second frame follows the first (unless the first stays for long).
        const int count = GifAnimation::holdMs(frames[0].delay) <= 2000 ? 2 : 1;
        ASSERT_TRUE(log.waitForCount(count, 8000));
        for (int i = 0; i < count; ++i) EXPECT_EQ(log.indices[i], i);
    }
    EXPECT_GT(wellFormed, files.size() / 2);  // identify ran and the corpus is there
}
}  // namespace
