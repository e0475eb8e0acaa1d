#include "mainwindow/ControlLayout.h"
#include "mainwindow/SkinControls.h"

#include "controls/ControlClass.h"
#include "controls/UIButton.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UIStatic.h"

#include <gtest/gtest.h>
#include <QMap>

namespace {

// The real controls of a window of this size at their start places, and the layout over them.
struct Laid {
    Laid(int w, int h) : c(w, h, QStringLiteral(ORVO_OUT_DIR "/res/"), rects), layout(c, rects) {}
    QMap<IControl*, QRect> rectsNow() const {
        QMap<IControl*, QRect> out;
        for (IControl* control : c.all()) out.insert(control, control->rect());
        return out;
    }
    static inline const ControlClass rects{};  // stateless; as a member GCC calls it uninitialised
    SkinControls c;
    ControlLayout layout;
};

TEST(ControlLayout, NumbersAt316By400AndAtTheMinimum) {
    Laid l(316, 400);
    l.layout.LayoutControls(316, 400, 0, QString());
    SkinControls& c = l.c;
    EXPECT_EQ(c.playButton->x(), 139);
    for (auto [b, x] : {std::pair<IControl*, int>{c.addButton, 48},
                        {c.listxhButton, 113},
                        {c.setButton, 178},
                        {c.optionsButton, 244}}) {
        EXPECT_EQ(QPoint(b->x(), b->y()), QPoint(x, 373)) << b->name().toStdString();
        EXPECT_EQ(b->rect(), QRect(x, 373, 23, 23)) << b->name().toStdString();
    }
    EXPECT_EQ(c.musicList->rect(), QRect(0, 223, 316, 146));
    EXPECT_EQ(c.totalTimeLable->x(), 64 + 194 + 5);

    Laid m(303, 526);
    m.layout.LayoutControls(303, 526, 0, QString());
    EXPECT_EQ(m.c.listxhButton->x(), 109);
    EXPECT_EQ(m.c.setButton->x(), 170);
    EXPECT_EQ(m.c.musicList->height(), 272);
    // Nothing of the bottom bar overlaps its neighbour at the smallest size.
    const IControl* bar[] = {m.c.addButton, m.c.listxhButton, m.c.setButton, m.c.optionsButton};
    for (int i = 0; i < 3; ++i) EXPECT_LE(bar[i]->rect().right(), bar[i + 1]->x()) << i;
}

TEST(ControlLayout, OpaqueLayoutAgreesWithTheStartPositions) {
    // Else the first resize would make the window jump.
    for (QSize size : {QSize(316, 560), QSize(303, 526), QSize(1001, 777)}) {
        Laid l(size.width(), size.height());
        const auto before = l.rectsNow();
        l.layout.LayoutControls(size.width(), size.height(), 0, QString());
        for (IControl* control : l.c.all()) {
            // The name label starts empty at the left and is centred on its title later.
            if (control == l.c.musicNameLable) continue;
            EXPECT_EQ(control->rect(), before.value(control))
                << control->name().toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
}

TEST(ControlLayout, TranslucentShiftAndInsetKeepContentInsideTheMargin) {
    Laid l(303, 526);
    const auto before = l.rectsNow();
    l.layout.ShiftVertical(5);
    EXPECT_EQ(l.c.playButton->y(), 185);
    EXPECT_EQ(l.c.skinButton->rect().y(), 204);
    // The bottom bar is placed from the bottom edge, so it does not shift.
    EXPECT_EQ(l.c.addButton->rect(), before.value(l.c.addButton));
    l.layout.LayoutControls(313, 536, 10, QString());
    SkinControls& c = l.c;
    EXPECT_EQ(QPoint(c.closeButton->x(), c.closeButton->y()), QPoint(313 - 33 - 5, 5));
    EXPECT_EQ(c.musicList->rect(), QRect(5, 228, 303, 272));
    EXPECT_EQ(c.addButton->y(), 536 - 5 - 27);
    EXPECT_EQ(c.playButton->rect(), QRect(151 - 19, 185, 38, 38));
    EXPECT_EQ(c.musicLogo->rect(), QRect(20, 15, 97, 30));
    EXPECT_EQ(c.listxhButton->x(), 61 + 48);
}

TEST(ControlLayout, NameLableIsCentredAndCappedToTheWindow) {
    EXPECT_EQ(ControlLayout::MeasureTextWidth(QString()), 0);
    const int shortWidth = ControlLayout::MeasureTextWidth(QStringLiteral("歌"));
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(ControlLayout::MeasureTextWidth(QStringLiteral("歌歌歌歌")), 3 * shortWidth);

    Laid l(400, 600);
    UILable* name = l.c.musicNameLable;
    l.layout.LayoutNameLable(400, 0, QStringLiteral("歌"));
    EXPECT_EQ(name->width(), shortWidth);
    EXPECT_EQ(name->x(), 200 - shortWidth / 2);
    EXPECT_EQ(name->rect().height(), 15);
    l.layout.LayoutNameLable(400, 10, QString(200, QChar(0x6B4C)));
    EXPECT_EQ(QPair(name->width(), name->rect().width()), QPair(400 - 30, 400 - 30));
}

}  // namespace
