// The animation steps at the pixels: disposal 2 and 3, the clear at the end of a pass, the
// restart after a stop, and how long each delay holds a frame.
#include "update/GifAnimation.h"

#include <gtest/gtest.h>
#include <QPainter>

namespace {
const QColor kFill(Qt::white);
const QColor kBackground(90, 90, 90);

QImage solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

GifFrame frame(QRect rect, QImage picture, quint32 disposal) {
    return GifFrame{std::move(picture), rect, 10, disposal};
}

TEST(GifAnimation, HoldsEachFrameForItsDelay) {
    const struct {
        quint32 delay;
        int ms;
    } rows[] = {{0, 100},
                {4, 100},
                {5, 50},
                {10, 100},
                {50, 500},
                {65535, 655350},
                {GifWalker::kNoDelay, 100}};
    for (const auto& row : rows) EXPECT_EQ(GifAnimation::holdMs(row.delay), row.ms) << row.delay;
}

TEST(GifAnimation, DisposesFramesAndClearsAfterEachPass) {
    // Frame 0 paints everything red; frame 1 is blue and restores what lay under it; frame 2 is
    // green with a transparent pixel and leaves the background behind.
    QImage green = solid({2, 2}, Qt::green);
    green.setPixelColor(0, 0, Qt::transparent);
    GifAnimation animation;
    ASSERT_TRUE(animation.prepare({6, 6}, kFill, kBackground));
    animation.setFrames({frame({0, 0, 6, 6}, solid({6, 6}, Qt::red), 0),
                         frame({1, 1, 2, 2}, solid({2, 2}, Qt::blue), 3),
                         frame({3, 3, 2, 2}, green, 2)});
    auto at = [&](int x, int y) { return animation.image().pixelColor(x, y); };

    EXPECT_EQ(at(0, 0), kFill);
    animation.resume();  // nothing drawn yet: nothing to undo
    EXPECT_EQ(at(0, 0), kFill);
    animation.show();
    EXPECT_EQ(at(5, 5), QColor(Qt::red));
    animation.dispose();
    animation.advance();
    animation.show();
    EXPECT_EQ(at(1, 1), QColor(Qt::blue));
    EXPECT_EQ(at(3, 3), QColor(Qt::red));
    // A stop here leaves frame 1 drawn; playing again undoes it and draws it anew.
    animation.resume();
    EXPECT_EQ(at(1, 1), QColor(Qt::red));
    animation.show();
    EXPECT_EQ(at(2, 2), QColor(Qt::blue));
    animation.dispose();
    EXPECT_EQ(at(2, 2), QColor(Qt::red));
    animation.advance();
    animation.show();
    EXPECT_EQ(at(4, 4), QColor(Qt::green));
    EXPECT_EQ(at(3, 3), QColor(Qt::red));  // transparent: the image below stays
    animation.dispose();
    EXPECT_EQ(at(3, 3), kBackground);
    EXPECT_EQ(at(4, 4), kBackground);
    EXPECT_EQ(at(5, 5), QColor(Qt::red));
    EXPECT_EQ(animation.currentFrame(), 2u);
    animation.advance();
    EXPECT_EQ(animation.currentFrame(), 0u);
    EXPECT_EQ(animation.image(), [] {
        QImage cleared({6, 6}, QImage::Format_RGB32);
        cleared.fill(kBackground);
        return cleared;
    }());
}

TEST(GifAnimation, FrameOutsideTheImageOnlyTakesItsTurn) {
    GifAnimation animation;
    ASSERT_TRUE(animation.prepare({4, 4}, kFill, kBackground));
    animation.setFrames({frame({}, QImage(), 2), frame({0, 0, 4, 4}, solid({4, 4}, Qt::red), 0)});
    animation.resume();
    animation.show();
    animation.dispose();
    EXPECT_EQ(animation.image().pixelColor(0, 0), kFill);
    animation.advance();
    EXPECT_EQ(animation.currentFrame(), 1u);
    EXPECT_FALSE(GifAnimation().drawStill(solid({1, 1}, Qt::red)));  // nothing to draw on
}
}  // namespace
