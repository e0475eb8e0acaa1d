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

// The worked example, then neighbours instead of a copy of every formula. Start places that
// differ make the first resize jump; translucent, only the corner pieces also move right.
TEST(ControlLayout, WorkedExampleNeighboursStartPlacesAndTranslucentShift) {
    Laid e(316, 400);
    e.layout.LayoutControls(316, 400, 0, QString());
    const SkinControls& c = e.c;
    EXPECT_EQ(QList<int>({c.playButton->x(), c.addButton->x(), c.listxhButton->x(),
                          c.setButton->x(), c.optionsButton->x(), c.addButton->y(),
                          c.optionsButton->y(), c.musicList->height()}),
              QList<int>({139, 48, 113, 178, 244, 373, 373, 146}));
    for (QSize size : {QSize(316, 560), QSize(303, 526), QSize(1001, 777)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        Laid l(size.width(), size.height());
        auto start = l.rectsNow();
        l.layout.LayoutControls(size.width(), size.height(), 0, QString());
        const auto opaque = l.rectsNow();
        start[l.c.musicNameLable] = opaque.value(l.c.musicNameLable);  // centred on its title
        for (IControl* control : l.c.all())
            EXPECT_EQ(opaque.value(control), start.value(control)) << qPrintable(control->name());
        const SkinControls& s = l.c;
        EXPECT_EQ(s.closeButton->rect().right(), size.width() - 1);
        EXPECT_EQ(s.minButton->rect().right() + 1, s.closeButton->x());
        EXPECT_EQ(s.playButton->x() - 12, s.perButton->rect().right() + 1);
        EXPECT_EQ(s.playButton->rect().right() + 1 + 12, s.nextButton->x());
        EXPECT_EQ(s.volumeIco->rect().right() + 1 + 5, s.volumeSlider->x());
        EXPECT_EQ(s.totalTimeLable->x(), s.positionSlider->x() + s.positionSlider->length() + 5);
        EXPECT_EQ(s.musicList->rect().width(), size.width());
        const IControl* bar[] = {s.addButton, s.listxhButton, s.setButton, s.optionsButton};
        const int gap = bar[1]->x() - bar[0]->x();  // even steps, the last takes the remainder
        EXPECT_GT(gap, bar[0]->width());
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(bar[i + 1]->x() - bar[i]->x(), gap + 1, 1) << i;
            EXPECT_EQ(bar[i]->y(), bar[3]->y());
            EXPECT_LT(s.musicList->rect().bottom(), bar[i]->y());
        }

        l.layout.ShiftVertical(5);
        l.layout.LayoutControls(size.width() + 10, size.height() + 10, 10, QString());
        const QList<IControl*> corners{s.musicLogo, s.musicList, s.closeButton, s.minButton};
        for (IControl* control : l.c.all())
            EXPECT_EQ(control->rect(),
                      opaque.value(control).translated(corners.contains(control) ? 5 : 0, 5))
                << qPrintable(control->name());
    }
}

TEST(ControlLayout, NameLableIsCentredAndCappedToTheWindow) {
    EXPECT_EQ(ControlLayout::MeasureTextWidth(QString()), 0);
    const int shortWidth = ControlLayout::MeasureTextWidth(QStringLiteral("歌"));
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(ControlLayout::MeasureTextWidth(QStringLiteral("歌歌歌歌")), 3 * shortWidth);

    Laid l(400, 600);
    UILable* name = l.c.musicNameLable;
    l.layout.LayoutNameLable(400, 0, QStringLiteral("歌"));
    EXPECT_EQ(name->rect(), QRect(200 - shortWidth / 2, 45, shortWidth, 15));
    l.layout.LayoutNameLable(400, 10, QString(200, QChar(0x6B4C)));
    EXPECT_EQ(QPair(name->width(), name->rect().width()), QPair(400 - 30, 400 - 30));
}

}  // namespace
