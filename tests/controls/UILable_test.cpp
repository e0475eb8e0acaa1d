#include "UILable.h"

#include "ControlsTestSupport.h"
#include "DrawImages.h"

#include <gtest/gtest.h>
#include <QFontMetrics>

namespace {

// Columns [from, to) of the picture that hold any drawn pixel.
QList<int> inkedColumns(const QImage& img, int from, int to) {
    QList<int> cols;
    for (int x = from; x < to; ++x) {
        for (int y = 0; y < img.height(); ++y) {
            if (img.pixelColor(x, y).alpha() > 0) {
                cols.append(x);
                break;
            }
        }
    }
    return cols;
}

TEST(UILableTest, TextWidthMatchesTheWindowFont) {
    UILable l;
    EXPECT_EQ(l.GetStrWidht(), 0);
    const QString title = QStringLiteral("欧沃播放器 - A long song title");
    l.setText(title);
    const QFontMetrics fm(DrawImages::SetTextFont(0, 14, 0));
    EXPECT_EQ(l.GetStrWidht(), fm.horizontalAdvance(title));
    EXPECT_GT(l.GetStrWidht(), 150);
    l.setScrollOffset(12);
    l.EmptyString();
    EXPECT_EQ(l.text(), QString());
    EXPECT_EQ(l.scrollOffset(), 0);
    EXPECT_EQ(l.GetStrWidht(), 0);
}

TEST(UILableTest, ClippedToItsWidthAndShiftedByTheOffset) {
    UILable l;
    l.setText(QStringLiteral("0123456789 0123456789 0123456789"));
    l.setColor(0xFFFFFF);
    l.setPos(20, 5);
    l.setSize(100, 15);
    l.setRect(QRect(20, 5, 100, 15));
    ASSERT_GT(l.GetStrWidht(), 100);

    const QImage plain = renderControl(l, QSize(300, 30));
    saveArtifact(plain, "label.png");
    // Nothing outside the label's rectangle.
    EXPECT_TRUE(inkedColumns(plain, 0, 20).isEmpty());
    EXPECT_TRUE(inkedColumns(plain, 120, 300).isEmpty());
    for (int x = 20; x < 120; ++x) {
        EXPECT_EQ(plain.pixelColor(x, 3).alpha(), 0);
        EXPECT_EQ(plain.pixelColor(x, 21).alpha(), 0);
    }
    int white = 0;
    for (int x = 20; x < 120; ++x)
        for (int y = 5; y < 20; ++y) white += plain.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_GT(white, 50) << "white text expected inside the label";

    // Scrolled by 13 pixels: what showed at x + 13 now shows at x.
    l.setScrollOffset(13);
    const QImage shifted = renderControl(l, QSize(300, 30));
    int compared = 0;
    for (int x = 20; x < 107; ++x) {
        for (int y = 5; y < 20; ++y) {
            ASSERT_EQ(shifted.pixel(x, y), plain.pixel(x + 13, y)) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
    EXPECT_TRUE(inkedColumns(shifted, 120, 300).isEmpty());

    l.setSize(0, 15);
    l.setRect(QRect(20, 5, 0, 15));
    EXPECT_TRUE(inkedColumns(renderControl(l, QSize(300, 30)), 0, 300).isEmpty());
}

}  // namespace
