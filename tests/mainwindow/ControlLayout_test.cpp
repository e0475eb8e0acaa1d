#include "mainwindow/ControlLayout.h"
#include "mainwindow/SkinControls.h"

#include "controls/ControlClass.h"
#include "controls/UIButton.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "controls/UIStatic.h"

#include <gtest/gtest.h>
#include <QMap>

namespace {

const QString kRes = QStringLiteral(ORVO_OUT_DIR "/res/");

QMap<IControl*, QRect> rectsOf(const SkinControls& c) {
    QMap<IControl*, QRect> out;
    for (IControl* control : c.all()) out.insert(control, control->rect());
    return out;
}

TEST(ControlLayout, NumbersAt316By400) {
    ControlClass rects;
    SkinControls c(316, 400, kRes, rects);
    ControlLayout layout(c, rects);
    layout.LayoutControls(316, 400, 0, QString());

    EXPECT_EQ(c.playButton->x(), 139);
    EXPECT_EQ(c.listxhButton->x(), 113);
    EXPECT_EQ(c.setButton->x(), 178);
    EXPECT_EQ(c.addButton->x(), 48);
    EXPECT_EQ(c.optionsButton->x(), 244);
    for (IControl* b :
         {static_cast<IControl*>(c.addButton), static_cast<IControl*>(c.optionsButton),
          static_cast<IControl*>(c.listxhButton), static_cast<IControl*>(c.setButton)}) {
        EXPECT_EQ(b->y(), 373) << b->name().toStdString();
        EXPECT_EQ(b->rect(), QRect(b->x(), 373, 23, 23)) << b->name().toStdString();
    }
    EXPECT_EQ(c.musicList->rect(), QRect(0, 223, 316, 146));
    EXPECT_EQ(c.totalTimeLable->x(), 64 + 194 + 5);
}

TEST(ControlLayout, OpaqueLayoutAgreesWithTheStartPositions) {
    // The start table and the layout pass must put every control at the same place, else the
    // first resize would make the window jump.
    for (QSize size : {QSize(316, 560), QSize(303, 526), QSize(1001, 777)}) {
        ControlClass rects;
        SkinControls c(size.width(), size.height(), kRes, rects);
        const auto before = rectsOf(c);
        ControlLayout(c, rects).LayoutControls(size.width(), size.height(), 0, QString());
        for (IControl* control : c.all()) {
            // The name label starts empty at the left and is centred on its title later.
            if (control == c.musicNameLable) continue;
            EXPECT_EQ(control->rect(), before.value(control))
                << control->name().toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
}

TEST(ControlLayout, MinimumSizeBottomBar) {
    ControlClass rects;
    SkinControls c(303, 526, kRes, rects);
    ControlLayout(c, rects).LayoutControls(303, 526, 0, QString());
    EXPECT_EQ(c.listxhButton->x(), 109);
    EXPECT_EQ(c.setButton->x(), 170);
    EXPECT_EQ(c.musicList->height(), 272);
    // Nothing of the bottom bar overlaps its neighbour at the smallest size.
    EXPECT_LE(c.addButton->rect().right(), c.listxhButton->x());
    EXPECT_LE(c.listxhButton->rect().right(), c.setButton->x());
    EXPECT_LE(c.setButton->rect().right(), c.optionsButton->x());
}

TEST(ControlLayout, TranslucentInsetKeepsContentInsideTheMargin) {
    ControlClass rects;
    SkinControls c(303, 526, kRes, rects);
    ControlLayout layout(c, rects);
    layout.ShiftVertical(5);
    layout.LayoutControls(313, 536, 10, QString());
    EXPECT_EQ(c.closeButton->x(), 313 - 33 - 5);
    EXPECT_EQ(c.closeButton->y(), 5);
    EXPECT_EQ(c.musicList->rect(), QRect(5, 228, 303, 272));
    EXPECT_EQ(c.addButton->y(), 536 - 5 - 27);
    EXPECT_EQ(c.playButton->rect(), QRect(151 - 19, 185, 38, 38));
    EXPECT_EQ(c.musicLogo->rect(), QRect(20, 15, 97, 30));
    EXPECT_EQ(c.listxhButton->x(), 61 + 48);
}

TEST(ControlLayout, ShiftDownAndUpRestoresEveryControl) {
    ControlClass rects;
    SkinControls c(400, 600, kRes, rects);
    ControlLayout layout(c, rects);
    const auto before = rectsOf(c);
    layout.ShiftVertical(5);
    EXPECT_EQ(c.playButton->y(), 185);
    EXPECT_EQ(c.skinButton->rect().y(), 204);
    // The bottom bar is placed from the bottom edge, so it does not shift.
    EXPECT_EQ(c.addButton->rect(), before.value(c.addButton));
    layout.ShiftVertical(-5);
    for (IControl* control : c.all()) {
        EXPECT_EQ(control->rect(), before.value(control)) << control->name().toStdString();
    }
}

TEST(ControlLayout, NameLableIsCentredAndCappedToTheWindow) {
    EXPECT_EQ(ControlLayout::MeasureTextWidth(QString()), 0);
    const int shortWidth = ControlLayout::MeasureTextWidth(QStringLiteral("歌"));
    const int longWidth = ControlLayout::MeasureTextWidth(QStringLiteral("歌歌歌歌"));
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(longWidth, 3 * shortWidth);

    ControlClass rects;
    SkinControls c(400, 600, kRes, rects);
    ControlLayout layout(c, rects);
    layout.LayoutNameLable(400, 0, QStringLiteral("歌"));
    EXPECT_EQ(c.musicNameLable->width(), shortWidth);
    EXPECT_EQ(c.musicNameLable->x(), 200 - shortWidth / 2);
    EXPECT_EQ(c.musicNameLable->rect().height(), 15);

    const QString longTitle(200, QChar(0x6B4C));
    layout.LayoutNameLable(400, 10, longTitle);
    EXPECT_EQ(c.musicNameLable->width(), 400 - 20 - 10);
    EXPECT_EQ(c.musicNameLable->rect().width(), 400 - 20 - 10);
}

}  // namespace
