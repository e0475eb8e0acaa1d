#include "UILable.h"

#include "ControlsTestSupport.h"
#include "DrawImages.h"

#include <gtest/gtest.h>
#include <QFontMetrics>

namespace {

TEST(UILableTest, WidthClippingAndScrollOffset) {
    UILable l;
    EXPECT_EQ(l.GetStrWidht(), 0);
    const QString text = QStringLiteral("欧沃播放器 0123456789 0123456789");
    l.setText(text);
    EXPECT_EQ(l.GetStrWidht(),
              QFontMetrics(DrawImages::SetTextFont(0, 14, 0)).horizontalAdvance(text));
    place(l, "musicnamelable", QRect(20, 5, 100, 15));
    ASSERT_GT(l.GetStrWidht(), 100);

    const QImage plain = renderControl(l, QSize(300, 30));
    saveArtifact(plain, "label.png");
    int inside = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 300; ++x) {
            if (QRect(20, 5, 100, 15).contains(x, y))
                inside += plain.pixelColor(x, y) == QColor(Qt::white);
            else
                ASSERT_EQ(plain.pixelColor(x, y).alpha(), 0) << x << "," << y;
        }
    EXPECT_GT(inside, 50);

    // Scrolled by 13 pixels: what showed at x + 13 now shows at x.
    l.setScrollOffset(13);
    const QImage shifted = renderControl(l, QSize(300, 30));
    for (int y = 5; y < 20; ++y)
        for (int x = 20; x < 107; ++x) ASSERT_EQ(shifted.pixel(x, y), plain.pixel(x + 13, y));
    EXPECT_EQ(shifted.pixelColor(125, 10).alpha(), 0);

    l.EmptyString();
    EXPECT_EQ(l.scrollOffset(), 0);
    EXPECT_EQ(l.GetStrWidht(), 0);
}

}  // namespace
