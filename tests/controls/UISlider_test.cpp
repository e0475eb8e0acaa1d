#include "UISlider.h"

#include "ControlsTestSupport.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace {

// Red 3-pixel caps around a coloured middle, so stretching mistakes show in the pixels.
QImage cappedBar(QSize size, QColor middle) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::red);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 3; x < size.width() - 3; ++x) img.setPixelColor(x, y, middle);
    return img;
}

class UISliderTest : public ::testing::Test {
protected:
    UISliderTest()
        : position(pics.write("bar.png", cappedBar(QSize(181, 16), Qt::blue)),
                   pics.write("fill.png", cappedBar(QSize(181, 10), Qt::green)), QString()),
          volume(pics.solid("vbar.png", QSize(41, 8), Qt::gray), QString(),
                 pics.solid("thumb.png", QSize(4, 8), Qt::yellow)) {
        place(position, "positionslider", QRect(64, 163, 194, 16));
        position.SetSingleControl(3, 3);
        place(volume, "volumeslider", QRect(261, 202, 41, 8));
        volume.setKind(UISlider::Kind::Volume);
        for (UISlider* s : {&volume, &position}) {
            s->setEventSink(&sink);
            canvas.AddControlToCanvar(s);
        }
    }
    PictureDir pics;
    RecordingSink sink;
    UISlider position, volume;
    QWidget window;
    UICanvar canvas{&window};
};

TEST_F(UISliderTest, DragReportsClampedValuesAndPausesProgress) {
    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    canvas.LButtonDown(QPoint(64 + 50, 170));
    EXPECT_FALSE(canvas.progressUpdatesAllowed());
    canvas.MouseMove(QPoint(64 + 80, 170));
    canvas.MouseMove(QPoint(64 + 80, 390));  // far below: still the slider's, same value
    canvas.MouseMove(QPoint(1000, 170));
    canvas.MouseMove(QPoint(-50, 170));
    canvas.LButtonUp(QPoint(-50, 170));
    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    canvas.MouseMove(QPoint(64 + 10, 170));  // after the release nothing more

    QList<int> values;
    for (const auto& e : sink.sliders) {
        EXPECT_EQ(e.name, "positionslider");
        EXPECT_EQ(e.length, 194);
        values.append(e.value);
    }
    EXPECT_EQ(values, (QList<int>{50, 80, 194, 0}));

    // The volume slider does not hold back progress.
    canvas.LButtonDown(QPoint(281, 205));
    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    EXPECT_EQ(sink.sliders.last().name, "volumeslider");
    EXPECT_EQ(sink.sliders.last().value, 20);
    canvas.LButtonUp(QPoint(281, 205));
    volume.setLength(10);
    EXPECT_EQ(volume.value(), 10);
}

TEST_F(UISliderTest, BarKeepsItsCapsFillStopsAtTheValueThumbCentres) {
    place(position, "positionslider", QRect(0, 0, 300, 16));
    position.setValue(120);
    QImage img = renderControl(position, QSize(300, 16));
    saveArtifact(img, "slider_position.png");
    EXPECT_EQ(img.pixelColor(297, 1), QColor(Qt::red));  // caps not stretched
    EXPECT_EQ(img.pixelColor(296, 1), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(1, 8), QColor(Qt::red));      // the fill's own cap
    EXPECT_EQ(img.pixelColor(119, 8), QColor(Qt::green));  // fill rows 3..12 up to the value
    EXPECT_EQ(img.pixelColor(121, 8), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(60, 1), QColor(Qt::blue));

    place(volume, "volumeslider", QRect(0, 0, 41, 8));
    volume.setValue(20);
    img = renderControl(volume, QSize(41, 8));
    EXPECT_EQ(img.pixelColor(17, 4), QColor(Qt::gray));
    EXPECT_EQ(img.pixelColor(18, 4), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(21, 4), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(22, 4), QColor(Qt::gray));
    volume.setValue(41);  // at the end the thumb stays whole inside
    EXPECT_EQ(renderControl(volume, QSize(41, 8)).pixelColor(37, 4), QColor(Qt::yellow));
}

}  // namespace
