#include "UIButton.h"

#include "ControlsTestSupport.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace {

class UIButtonTest : public ::testing::Test {
protected:
    UIButtonTest()
        : button(pics.solid("play.png", QSize(38, 38), QColor(40, 120, 200)),
                 pics.solid("stop.png", QSize(38, 38), Qt::red)) {
        place(button, "playbutton", QRect(10, 20, 38, 38));
        button.setEventSink(&sink);
    }
    void click(QPoint down, QPoint up) {
        canvas.LButtonDown(down);
        canvas.LButtonUp(up);
    }
    PictureDir pics;
    RecordingSink sink;
    UIButton button;
    QWidget window;
    UICanvar canvas{&window};
};

TEST_F(UIButtonTest, ReportsTheShownImageThenSwaps) {
    canvas.AddControlToCanvar(&button);
    QList<int> seenByHandler;
    sink.onButton = [&] { seenByHandler.append(button.GetButtonImg()); };
    for (int i = 0; i < 3; ++i) click(QPoint(20, 30), QPoint(21, 31));
    ASSERT_EQ(sink.buttons.size(), 3);
    EXPECT_EQ(sink.buttons[0].name, "playbutton");
    QList<int> reported;
    for (const auto& b : sink.buttons) reported.append(b.buttonImg);
    EXPECT_EQ(reported, (QList<int>{1, 2, 1}));
    EXPECT_EQ(seenByHandler, (QList<int>{1, 2, 1}));
    EXPECT_EQ(button.GetButtonImg(), 2);

    // A click needs press and release inside, on an enabled button.
    click(QPoint(20, 30), QPoint(100, 30));
    click(QPoint(5, 5), QPoint(20, 30));
    button.setEnabled(false);
    click(QPoint(20, 30), QPoint(20, 30));
    EXPECT_EQ(sink.buttons.size(), 3);
    EXPECT_EQ(button.GetButtonImg(), 2);

    UIButton single(pics.solid("add.png", QSize(23, 23), Qt::gray));
    single.setButtonImg(2);
    EXPECT_EQ(single.GetButtonImg(), 1);
}

TEST_F(UIButtonTest, HoverPressReleaseStates) {
    canvas.AddControlToCanvar(&button);
    canvas.MouseMove(QPoint(20, 30));
    EXPECT_EQ(button.stateIndex(), 1);
    canvas.LButtonDown(QPoint(20, 30));
    EXPECT_EQ(button.stateIndex(), 2);
    canvas.MouseMove(QPoint(90, 90));  // captured: raised while outside, pressed again inside
    EXPECT_EQ(button.stateIndex(), 0);
    canvas.MouseMove(QPoint(25, 35));
    EXPECT_EQ(button.stateIndex(), 2);
    canvas.LButtonUp(QPoint(25, 35));
    EXPECT_EQ(button.stateIndex(), 1);
    canvas.MouseLeave();
    EXPECT_EQ(button.stateIndex(), 0);
    // A fast second click arrives as a double click and still counts.
    canvas.LBUTTONDBCLICK(&window, QPoint(20, 30));
    canvas.LButtonUp(QPoint(20, 30));
    EXPECT_EQ(sink.buttons.size(), 2);
}

TEST_F(UIButtonTest, LooksDifferByState) {
    auto look = [&](int state, bool enabled, QPoint at) {
        button.setStateIndex(state);
        button.setEnabled(enabled);
        return renderControl(button, QSize(60, 70)).pixelColor(at);
    };
    const QPoint centre(29, 39);
    const QColor normal = look(0, true, centre);
    EXPECT_EQ(normal, QColor(40, 120, 200));
    EXPECT_GT(look(1, true, centre).lightness(), normal.lightness());
    EXPECT_LT(look(2, true, centre).lightness(), normal.lightness());
    EXPECT_LT(look(0, false, centre).alpha(), 200);
    // Pressed sinks by one pixel.
    EXPECT_EQ(look(2, true, QPoint(29, 20)).alpha(), 0);
    EXPECT_EQ(look(2, true, QPoint(29, 21)).alpha(), 255);
}

}  // namespace
