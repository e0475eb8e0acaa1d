#include "UISlider.h"

#include "ControlsTestSupport.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace {

// A bar with red 3-pixel caps and a blue middle, so stretching mistakes show in its pixels.
QImage cappedBar(QSize size, QColor middle) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(middle);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < 3; ++x) {
            img.setPixelColor(x, y, Qt::red);
            img.setPixelColor(size.width() - 1 - x, y, Qt::red);
        }
    }
    return img;
}

class UISliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar = pics.write("slider_bar.png", cappedBar(QSize(181, 16), Qt::blue));
        fill = pics.write("progress_fill.png", cappedBar(QSize(181, 10), Qt::green));
        volBar = pics.solid("vol_slider_bar.png", QSize(41, 8), Qt::gray);
        thumb = pics.solid("vol_progress_thumb.png", QSize(4, 8), Qt::yellow);
    }
    void placePosition(UISlider& s, int x, int y, int len) {
        s.setName("positionslider");
        s.setKind(UISlider::Kind::Position);
        s.setPos(x, y);
        s.setSize(len, 16);
        s.setRect(QRect(x, y, len, 16));
        s.setEventSink(&sink);
        s.SetSingleControl(3, 3);
    }
    PictureDir pics;
    RecordingSink sink;
    QString bar, fill, volBar, thumb;
};

TEST_F(UISliderTest, DragReportsClampedValuesAndEnds) {
    UISlider s(bar, fill, QString());
    placePosition(s, 64, 163, 194);
    ASSERT_TRUE(s.mousePress(QPoint(64 + 50, 170)));
    EXPECT_TRUE(s.isDragging());
    s.mouseMove(QPoint(64 + 80, 170));
    s.mouseMove(QPoint(64 + 80, 300));  // vertical movement alone changes nothing
    s.mouseMove(QPoint(1000, 170));     // beyond the right end
    s.mouseMove(QPoint(-50, 170));      // beyond the left end
    s.mouseRelease(QPoint(-50, 170));
    EXPECT_FALSE(s.isDragging());

    QList<int> values;
    for (const auto& e : sink.sliders) {
        EXPECT_EQ(e.name, "positionslider");
        EXPECT_EQ(e.length, 194);
        values.append(e.value);
    }
    EXPECT_EQ(values, (QList<int>{50, 80, 194, 0}));
    EXPECT_EQ(s.value(), 0);
    // After the release, moving reports nothing.
    s.mouseMove(QPoint(64 + 10, 170));
    EXPECT_EQ(sink.sliders.size(), 4);
}

TEST_F(UISliderTest, ValueAndLengthClamp) {
    UISlider s(volBar, QString(), thumb);
    s.setSize(41, 8);
    s.setValue(60);
    EXPECT_EQ(s.value(), 41);
    s.setValue(-3);
    EXPECT_EQ(s.value(), 0);
    s.setValue(30);
    s.setLength(20);
    EXPECT_EQ(s.value(), 20);
    EXPECT_EQ(s.length(), 20);
}

TEST_F(UISliderTest, ProgressUpdatesPausedOnlyWhileThePositionSliderIsDragged) {
    QWidget window;
    window.resize(316, 400);
    UICanvar canvas(&window);
    UISlider position(bar, fill, QString());
    placePosition(position, 64, 163, 194);
    UISlider volume(volBar, QString(), thumb);
    volume.setName("volumeslider");
    volume.setKind(UISlider::Kind::Volume);
    volume.setRect(QRect(261, 202, 41, 8));
    volume.setSize(41, 8);
    volume.setEventSink(&sink);
    canvas.AddControlToCanvar(&volume);
    canvas.AddControlToCanvar(&position);

    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    canvas.LButtonDown(QPoint(100, 170));
    EXPECT_FALSE(canvas.progressUpdatesAllowed());
    // The drag keeps the mouse even far outside the slider.
    canvas.MouseMove(QPoint(5, 390));
    EXPECT_EQ(sink.sliders.last().value, 0);
    canvas.LButtonUp(QPoint(5, 390));
    EXPECT_TRUE(canvas.progressUpdatesAllowed());

    canvas.LButtonDown(QPoint(281, 205));
    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    EXPECT_EQ(sink.sliders.last().name, "volumeslider");
    EXPECT_EQ(sink.sliders.last().value, 20);
    canvas.LButtonUp(QPoint(281, 205));
}

TEST_F(UISliderTest, PositionBarKeepsCapsAndFillsUpToTheValue) {
    UISlider s(bar, fill, QString());
    placePosition(s, 0, 0, 300);
    s.setValue(120);
    const QImage img = renderControl(s, QSize(300, 16));
    saveArtifact(img, "slider_position.png");
    // Caps unstretched at both ends of the bar (the fill is drawn over the left one).
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(297, 1), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(299, 14), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(296, 1), QColor(Qt::blue));
    // The fill is 10 high, centred (rows 3..12), and stops at the value.
    EXPECT_EQ(img.pixelColor(60, 8), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(119, 8), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(121, 8), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(60, 1), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(1, 8), QColor(Qt::red));  // the fill's own cap

    s.setValue(0);
    EXPECT_EQ(renderControl(s, QSize(300, 16)).pixelColor(60, 8), QColor(Qt::blue));
}

TEST_F(UISliderTest, VolumeThumbCentredOnTheValue) {
    UISlider s(volBar, QString(), thumb);
    s.setKind(UISlider::Kind::Volume);
    s.setSize(41, 8);
    s.setRect(QRect(0, 0, 41, 8));
    s.SetSingleControl();
    s.setValue(20);
    QImage img = renderControl(s, QSize(41, 8));
    EXPECT_EQ(img.pixelColor(18, 4), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(21, 4), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(17, 4), QColor(Qt::gray));
    EXPECT_EQ(img.pixelColor(22, 4), QColor(Qt::gray));
    // At the ends the thumb stays whole inside the slider.
    s.setValue(41);
    img = renderControl(s, QSize(41, 8));
    EXPECT_EQ(img.pixelColor(40, 4), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(37, 4), QColor(Qt::yellow));
}

}  // namespace
