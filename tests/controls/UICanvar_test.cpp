#include "UICanvar.h"

#include "ControlsTestSupport.h"
#include "SkinImage.h"
#include "UIButton.h"
#include "UILable.h"
#include "UIList.h"
#include "UISlider.h"
#include "UIStatic.h"

namespace {

class UICanvarTest : public CanvasTest {
protected:
    // Red, with magenta (the usual key) and blue marks in its top corners.
    static QImage background() {
        QImage bg(100, 80, QImage::Format_RGB32);
        bg.fill(QColor(200, 30, 30));
        QPainter(&bg).fillRect(0, 0, 4, 4, QColor(255, 0, 255));
        QPainter(&bg).fillRect(96, 0, 4, 4, QColor(0, 0, 255));
        return bg;
    }
};

TEST_F(UICanvarTest, KeysTheMaskColourStacksControlsAndPaintsOnlyTheUpdate) {
    canvas.setWindowSize(100, 80);
    canvas.setBackground(background());
    canvas.setMaskColor(0xFF00FF);
    UIStatic a(pics.solid("a.png", QSize(30, 30), Qt::green));
    UIStatic b(pics.solid("b.png", QSize(30, 30), Qt::blue));
    add(a, "a", QRect(10, 10, 30, 30));
    add(b, "b", QRect(20, 20, 30, 30));
    canvas.OnInit();
    QImage img = paint();
    EXPECT_EQ(img.pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(img.pixelColor(98, 1), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(60, 60), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(15, 15), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(25, 25), QColor(Qt::blue));  // added later, on top

    canvas.setMaskColor(0xFF0000);  // stored as 0xBBGGRR: this is blue
    img = paint();
    EXPECT_EQ(img.pixelColor(98, 1).alpha(), 0);
    EXPECT_EQ(img.pixelColor(1, 1), QColor(255, 0, 255));

    canvas.setFullRepaint(false);
    img = paint(1.0, QRect(50, 50, 10, 10), Qt::white);
    EXPECT_EQ(img.pixelColor(55, 55), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(70, 70), QColor(Qt::white));
    canvas.setFullRepaint(true);  // widens the next paint to everything, once
    EXPECT_EQ(paint(1.0, QRect(50, 50, 10, 10), Qt::white).pixelColor(70, 70), QColor(200, 30, 30));

    for (const QImage& broken :  // no picture, or one that does not decode: a dark fill
         {QImage(), QImage(pics.bytes("broken.png", "\x89PNG\r\n\x1a\n garbage"))}) {
        canvas.setBackground(broken);
        img = paint();
        for (QPoint pt : {QPoint(0, 0), QPoint(99, 79)}) {
            EXPECT_EQ(img.pixelColor(pt).alpha(), 255);
            EXPECT_LT(img.pixelColor(pt).lightness(), 80);
        }
    }
}

TEST_F(UICanvarTest, TranslucentShadowOpacityAndDoubleRatio) {
    canvas.setWindowSize(110, 90);
    canvas.setBackground(background());
    canvas.setTranslucent(true);
    pics.solid("logo@2x.png", QSize(20, 20), Qt::yellow);
    UIStatic logo(pics.solid("logo.png", QSize(10, 10), Qt::green));
    add(logo, "musiclogo", QRect(20, 20, 10, 10));
    EXPECT_EQ(canvas.contentRect(), QRect(5, 5, 100, 80));
    QImage img = paint();
    EXPECT_EQ(img.pixelColor(5, 45), QColor(200, 30, 30));
    const QColor shadow = img.pixelColor(3, 45);
    EXPECT_GT(shadow.alpha(), 0);
    EXPECT_LT(shadow.alpha(), 200);
    EXPECT_LT(shadow.lightness(), 40);
    EXPECT_LT(img.pixelColor(0, 45).alpha(), shadow.alpha());

    img = paint(2.0);  // device pixels, and the @2x picture
    EXPECT_EQ(img.size(), QSize(220, 180));
    EXPECT_EQ(img.pixelColor(41, 41), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(39, 39), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(6, 90).alpha(), shadow.alpha());

    canvas.setOpacity(128);
    img = paint();
    EXPECT_NEAR(img.pixelColor(50, 45).alpha(), 128, 2);
    // The window fades as one: the logo does not let the background shine through.
    EXPECT_NEAR(img.pixelColor(25, 25).alpha(), 128, 2);
    EXPECT_LE(img.pixelColor(25, 25).red(), 4);
}

// The delivered art, keyed after scaling: the same as keying first (no magenta fringe at the
// corners), and while translucent the shadow reaches into the rounded corners without a gap.
TEST_F(UICanvarTest, DeliveredSkinCorners) {
    const QImage art(QStringLiteral(ORVO_SOURCE_DIR "/skin/1/1.bmp"));
    ASSERT_EQ(art.size(), QSize(640, 1120));
    QImage keyedFirst = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < keyedFirst.height(); ++y)
        for (int x = 0; x < keyedFirst.width(); ++x)
            if ((keyedFirst.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) keyedFirst.setPixel(x, y, 0);
    canvas.setBackground(art);
    canvas.setMaskColor(0xFF00FF);
    for (bool translucent : {false, true}) {
        for (qreal dpr : {1.0, 1.5, 2.0}) {
            canvas.setTranslucent(translucent);
            canvas.setWindowSize(translucent ? 330 : 320, translucent ? 570 : 560);
            const QImage img = paint(dpr);
            const int inset = translucent ? int(5 * dpr + 0.5) : 0;
            const QImage want =
                keyedFirst.scaled(SkinImage::deviceSize(canvas.contentRect().size(), dpr),
                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            int worst = 0;
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x) {
                    const QRgb a = img.pixel(x + inset, y + inset), b = want.pixel(x, y);
                    if (translucent && qAlpha(b) < 255) continue;  // the shadow shows there
                    for (int shift : {0, 8, 16, 24})
                        worst = std::max(
                            worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
                }
            EXPECT_LE(worst, 2) << translucent << " " << dpr;
            EXPECT_LT(qAlpha(img.pixel(inset, inset)), 255);  // the corner stays round
            // From the window's corner inwards the opacity only grows: no unshadowed gap.
            for (int d = 1; translucent && d < 20 * dpr; ++d)
                EXPECT_GE(qAlpha(img.pixel(d, d)), qAlpha(img.pixel(d - 1, d - 1))) << d;
        }
    }
}

TEST_F(UICanvarTest, OnlyEnabledOperableControlsKeepTheWindowFromDragging) {
    canvas.setWindowSize(316, 400);
    const QString pic = pics.solid("btn.png", QSize(20, 20), Qt::gray);
    UISlider slider(pic, QString(), pic);
    UIButton play(pic), disabled(pic);
    UIStatic logo(pic);
    UILable label;
    UIList list(pic, pic, pic);
    disabled.setEnabled(false);
    const std::tuple<IControl*, QRect, bool> cases[] = {
        {&slider, {200, 200, 41, 8}, true}, {&play, {100, 100, 20, 20}, true},
        {&list, {0, 223, 316, 146}, true},  {&disabled, {160, 100, 20, 20}, false},
        {&logo, {15, 10, 97, 30}, false},   {&label, {19, 45, 200, 15}, false}};
    for (const auto& [control, r, operable] : cases) add(*control, "c", r);
    for (const auto& [control, r, operable] : cases)
        EXPECT_EQ(canvas.IsOperationControl(r.center()), operable) << r.x();
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(250, 150)));  // bare background
}

}  // namespace
