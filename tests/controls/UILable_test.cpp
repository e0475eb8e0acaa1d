#include "UILable.h"

#include "ControlsTestSupport.h"

namespace {

TEST(UILableTest, ClipsToItsRectAndScrollsByTheOffset) {
    UILable l;
    const QString text = QStringLiteral("欧沃播放器 0123456789 0123456789");
    l.setText(text);
    EXPECT_GT(l.GetStrWidht(), 100);
    const QRect r(20, 5, 100, 15);
    place(l, "musicnamelable", r);
    const QImage plain = renderControl(l, QSize(300, 30));
    l.setScrollOffset(13);  // what showed at x + 13 now shows at x
    const QImage shifted = renderControl(l, QSize(300, 30));
    int lit = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 300; ++x) {
            lit += plain.pixelColor(x, y) == QColor(Qt::white);
            if (!r.contains(x, y)) {
                ASSERT_EQ(plain.pixel(x, y) | shifted.pixel(x, y), 0u) << x;
            } else if (x < r.right() - 13) {
                ASSERT_EQ(shifted.pixel(x, y), plain.pixel(x + 13, y));
            }
        }
    EXPECT_GT(lit, 50);
    l.EmptyString();
    EXPECT_EQ(l.scrollOffset(), 0);
    EXPECT_EQ(l.GetStrWidht(), 0);
}

}  // namespace
