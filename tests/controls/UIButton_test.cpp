#include "UIButton.h"

#include "ControlsTestSupport.h"

namespace {

class UIButtonTest : public CanvasTest {
protected:
    UIButtonTest() { add(button, "playbutton", QRect(10, 20, 38, 38)); }
    void click(QPoint down, QPoint up) {
        canvas.LButtonDown(down);
        canvas.LButtonUp(up);
    }
    UIButton button{pics.solid("play.png", QSize(38, 38), QColor(40, 120, 200)),
                    pics.solid("stop.png", QSize(38, 38), Qt::red)};
};

// The report names the image shown when clicked; the swap comes after it, so the handler
// still sees that image.
TEST_F(UIButtonTest, TwoImageButtonReportsThenSwaps) {
    QList<int> reported, seenByHandler;
    sink.onButton = [&] {
        reported.append(sink.buttons.last().buttonImg);
        seenByHandler.append(button.GetButtonImg());
    };
    for (int i = 0; i < 3; ++i) click(QPoint(20, 30), QPoint(21, 31));
    EXPECT_EQ(reported, (QList<int>{1, 2, 1}));
    EXPECT_EQ(seenByHandler, reported);
    EXPECT_EQ(sink.buttons[0].name, "playbutton");

    // Released outside, pressed outside, disabled: no click, no swap.
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

TEST_F(UIButtonTest, StateFollowsTheMouseAndShowsInTheLook) {
    const std::pair<std::function<void()>, int> steps[] = {
        {[&] { canvas.MouseMove(QPoint(20, 30)); }, 1},
        {[&] { canvas.LButtonDown(QPoint(20, 30)); }, 2},
        {[&] { canvas.MouseMove(QPoint(90, 90)); }, 0},  // captured: raised while outside
        {[&] { canvas.MouseMove(QPoint(25, 35)); }, 2},
        {[&] { canvas.LButtonUp(QPoint(25, 35)); }, 1},
        {[&] { canvas.MouseLeave(); }, 0}};
    for (const auto& [act, state] : steps) {
        act();
        EXPECT_EQ(button.stateIndex(), state);
    }
    // A fast second click arrives as a double click and still counts.
    canvas.LBUTTONDBCLICK(&window, QPoint(20, 30));
    canvas.LButtonUp(QPoint(20, 30));
    EXPECT_EQ(sink.buttons.size(), 2);

    auto look = [&](int state, bool enabled) {
        button.setStateIndex(state);
        button.setEnabled(enabled);
        return renderControl(button, QSize(60, 70)).pixelColor(29, 39);
    };
    EXPECT_EQ(look(0, true), QColor(40, 120, 200));
    EXPECT_GT(look(1, true).lightness(), look(0, true).lightness());  // hover lighter
    EXPECT_LT(look(2, true).lightness(), look(0, true).lightness());  // pressed darker
    EXPECT_LT(look(0, false).alpha(), 200);                           // disabled faint
}

}  // namespace
