#include "UISlider.h"

#include "ControlsTestSupport.h"

namespace {

// Red 3-pixel caps around a coloured middle, so stretching mistakes show in the pixels.
QImage cappedBar(QSize size, QColor middle) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::red);
    QPainter(&img).fillRect(3, 0, size.width() - 6, size.height(), middle);
    return img;
}

class UISliderTest : public CanvasTest {
protected:
    UISliderTest() {
        add(volume, "volumeslider", QRect(261, 202, 41, 8));
        volume.setKind(UISlider::Kind::Volume);
        add(position, "positionslider", QRect(64, 163, 194, 16));
        position.SetSingleControl(3, 3);
    }
    UISlider position{pics.write("bar.png", cappedBar(QSize(181, 16), Qt::blue)),
                      pics.write("fill.png", cappedBar(QSize(181, 10), Qt::green)), QString()};
    UISlider volume{pics.solid("vbar.png", QSize(41, 8), Qt::gray), QString(),
                    pics.solid("thumb.png", QSize(4, 8), Qt::yellow)};
};

TEST_F(UISliderTest, DragReportsClampedValuesAndPausesProgress) {
    canvas.LButtonDown(QPoint(64 + 50, 170));
    EXPECT_FALSE(canvas.progressUpdatesAllowed());
    for (QPoint pt :
         {QPoint(64 + 80, 170), QPoint(64 + 80, 390), QPoint(1000, 170), QPoint(-50, 170)})
        canvas.MouseMove(pt);  // far below: still the slider's, the same value, not reported
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

    canvas.LButtonDown(QPoint(281, 205));  // the volume slider does not hold back progress
    EXPECT_TRUE(canvas.progressUpdatesAllowed());
    EXPECT_EQ(sink.sliders.last().name, "volumeslider");
    EXPECT_EQ(sink.sliders.last().value, 20);
    canvas.LButtonUp(QPoint(281, 205));
    volume.setLength(10);
    EXPECT_EQ(volume.value(), 10);
}

TEST_F(UISliderTest, BarKeepsItsCapsFillStopsAtTheValueThumbStaysInside) {
    place(position, "positionslider", QRect(0, 0, 300, 16));
    position.setValue(120);
    const QImage img = renderControl(position, QSize(300, 16));
    const std::pair<QPoint, QColor> expected[] = {
        {{297, 1}, Qt::red},   {{296, 1}, Qt::blue}, {{1, 8}, Qt::red},     // caps not stretched
        {{119, 8}, Qt::green}, {{121, 8}, Qt::blue}, {{60, 1}, Qt::blue}};  // fill up to 120
    for (const auto& [pt, colour] : expected) EXPECT_EQ(img.pixelColor(pt), colour) << pt.x();

    place(volume, "volumeslider", QRect(0, 0, 41, 8));
    for (auto [value, x, colour] : {std::tuple{20, 17, Qt::gray},
                                    {20, 18, Qt::yellow},
                                    {20, 21, Qt::yellow},
                                    {20, 22, Qt::gray},
                                    {41, 37, Qt::yellow}}) {  // at the end still whole
        volume.setValue(value);
        EXPECT_EQ(renderControl(volume, QSize(41, 8)).pixelColor(x, 4), QColor(colour)) << x;
    }
}

}  // namespace
