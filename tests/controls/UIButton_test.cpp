#include "UIButton.h"

#include "ControlsTestSupport.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace {

class UIButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        first = pics.solid("play.png", QSize(38, 38), QColor(40, 120, 200));
        second = pics.solid("stop.png", QSize(38, 38), QColor(200, 60, 40));
    }
    void place(UIButton& b) {
        b.setName("playbutton");
        b.setPos(10, 20);
        b.setSize(38, 38);
        b.setRect(QRect(10, 20, 38, 38));
        b.setEventSink(&sink);
    }
    PictureDir pics;
    RecordingSink sink;
    QString first, second;
};

TEST_F(UIButtonTest, TwoImageButtonReportsTheShownImageThenSwaps) {
    UIButton b(first, second);
    place(b);
    QList<int> imageDuringReport;
    sink.onButton = [&](const tagUIButtonInfo&) { imageDuringReport.append(b.GetButtonImg()); };

    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(b.mousePress(QPoint(20, 30)));
        b.mouseRelease(QPoint(21, 31));
    }
    ASSERT_EQ(sink.buttons.size(), 3);
    EXPECT_EQ(sink.buttons[0].name, "playbutton");
    // Each report carries the picture shown at the click, and the window sees the same.
    EXPECT_EQ(sink.buttons[0].buttonImg, 1);
    EXPECT_EQ(sink.buttons[1].buttonImg, 2);
    EXPECT_EQ(sink.buttons[2].buttonImg, 1);
    EXPECT_EQ(imageDuringReport, (QList<int>{1, 2, 1}));
    EXPECT_EQ(b.GetButtonImg(), 2);
}

TEST_F(UIButtonTest, OneImageButtonKeepsItsImage) {
    UIButton b(first);
    place(b);
    EXPECT_FALSE(b.hasSecondImage());
    b.setButtonImg(2);
    EXPECT_EQ(b.GetButtonImg(), 1);
    b.mousePress(QPoint(20, 30));
    b.mouseRelease(QPoint(20, 30));
    ASSERT_EQ(sink.buttons.size(), 1);
    EXPECT_EQ(b.GetButtonImg(), 1);
}

TEST_F(UIButtonTest, ClickNeedsPressAndReleaseInsideAndEnabled) {
    UIButton b(first, second);
    place(b);
    EXPECT_FALSE(b.mousePress(QPoint(5, 5)));  // outside
    b.mouseRelease(QPoint(20, 30));
    b.mousePress(QPoint(20, 30));
    b.mouseRelease(QPoint(100, 30));  // dragged off before release
    EXPECT_TRUE(sink.buttons.isEmpty());
    EXPECT_EQ(b.GetButtonImg(), 1);
    EXPECT_EQ(b.stateIndex(), 0);

    b.setEnabled(false);
    EXPECT_FALSE(b.mousePress(QPoint(20, 30)));
    b.mouseRelease(QPoint(20, 30));
    EXPECT_TRUE(sink.buttons.isEmpty());
}

TEST_F(UIButtonTest, HoverPressReleaseStatesThroughTheCanvas) {
    QWidget window;
    window.resize(100, 100);
    UICanvar canvas(&window);
    UIButton b(first, second);
    place(b);
    canvas.AddControlToCanvar(&b);

    canvas.MouseMove(QPoint(20, 30));
    EXPECT_EQ(b.stateIndex(), 1);
    canvas.LButtonDown(QPoint(20, 30));
    EXPECT_EQ(b.stateIndex(), 2);
    canvas.MouseMove(QPoint(90, 90));  // still captured: shown raised while outside
    EXPECT_EQ(b.stateIndex(), 0);
    canvas.MouseMove(QPoint(25, 35));
    EXPECT_EQ(b.stateIndex(), 2);
    canvas.LButtonUp(QPoint(25, 35));
    EXPECT_EQ(b.stateIndex(), 1);
    EXPECT_EQ(sink.buttons.size(), 1);
    canvas.MouseMove(QPoint(90, 90));
    EXPECT_EQ(b.stateIndex(), 0);
    canvas.MouseMove(QPoint(20, 30));
    canvas.MouseLeave();
    EXPECT_EQ(b.stateIndex(), 0);
    // A fast second click arrives as a double click and still counts.
    canvas.LButtonDown(QPoint(20, 30));
    canvas.LButtonUp(QPoint(20, 30));
    canvas.LBUTTONDBCLICK(&window, QPoint(20, 30));
    canvas.LButtonUp(QPoint(20, 30));
    EXPECT_EQ(sink.buttons.size(), 3);
}

TEST_F(UIButtonTest, LooksDifferByState) {
    UIButton b(first);
    place(b);
    auto pixel = [&](int state, bool enabled, QPoint at) {
        b.setStateIndex(state);
        b.setEnabled(enabled);
        return renderControl(b, QSize(60, 70)).pixelColor(at);
    };
    const QPoint centre(29, 39);
    const QColor normal = pixel(0, true, centre);
    const QColor hover = pixel(1, true, centre);
    const QColor pressed = pixel(2, true, centre);
    const QColor disabled = pixel(0, false, centre);
    EXPECT_EQ(normal, QColor(40, 120, 200));
    EXPECT_GT(hover.lightness(), normal.lightness());
    EXPECT_LT(pressed.lightness(), normal.lightness());
    EXPECT_LT(disabled.alpha(), 200);
    // Pressed sinks by one pixel: the top row of the button is empty, the row below is not.
    EXPECT_EQ(pixel(2, true, QPoint(29, 20)).alpha(), 0);
    EXPECT_EQ(pixel(2, true, QPoint(29, 21)).alpha(), 255);

    b.setStateIndex(1);
    b.setEnabled(true);
    saveArtifact(renderControl(b, QSize(60, 70)), "button_hover.png");
}

}  // namespace
