#include "UICanvar.h"

#include "ControlsTestSupport.h"
#include "UIButton.h"
#include "UILable.h"
#include "UIList.h"
#include "UISlider.h"
#include "UIStatic.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QToolTip>
#include <QWidget>

namespace {

class UICanvarTest : public ::testing::Test {
protected:
    QImage paint(qreal dpr = 1.0, QRect update = QRect(-1, -1, -1, -1), QColor under = {}) {
        const QSize s = canvas.windowSize() * dpr;
        QImage img(s, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(under.isValid() ? under : QColor(Qt::transparent));
        QPainter p(&img);
        canvas.Paint(p, update);
        return img;
    }
    // Red, with magenta (the usual key) and blue marks in its top corners.
    static QImage background(QSize size = QSize(100, 80)) {
        QImage bg(size, QImage::Format_RGB32);
        bg.fill(QColor(200, 30, 30));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                bg.setPixelColor(x, y, QColor(255, 0, 255));
                bg.setPixelColor(size.width() - 1 - x, y, QColor(0, 0, 255));
            }
        return bg;
    }
    PictureDir pics;
    QWidget window;
    UICanvar canvas{&window};
};

TEST_F(UICanvarTest, KeysTheMaskColourStacksControlsAndPaintsOnlyTheUpdate) {
    canvas.setWindowSize(100, 80);
    canvas.setBackground(background());
    canvas.setMaskColor(0xFF00FF);
    UIStatic a(pics.solid("a.png", QSize(30, 30), Qt::green));
    UIStatic b(pics.solid("b.png", QSize(30, 30), Qt::blue));
    place(a, "a", QRect(10, 10, 30, 30));
    place(b, "b", QRect(20, 20, 30, 30));
    canvas.AddControlToCanvar(&a);
    canvas.AddControlToCanvar(&b);
    canvas.OnInit();
    QImage img = paint();
    saveArtifact(img, "canvas_keyed.png");
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
}

TEST_F(UICanvarTest, MissingOrBrokenBackgroundIsADarkFill) {
    canvas.setWindowSize(60, 40);
    canvas.setMaskColor(0xFF00FF);
    for (const QImage& bg :
         {QImage(), QImage(pics.bytes("broken.png", "\x89PNG\r\n\x1a\n garbage"))}) {
        canvas.setBackground(bg);
        canvas.OnInit();
        const QImage img = paint();
        for (QPoint pt : {QPoint(0, 0), QPoint(30, 20), QPoint(59, 39)}) {
            EXPECT_EQ(img.pixelColor(pt).alpha(), 255);
            EXPECT_LT(img.pixelColor(pt).lightness(), 80);
        }
    }
}

TEST_F(UICanvarTest, TranslucentInsetShadowAndOpacity) {
    canvas.setWindowSize(110, 90);
    canvas.setBackground(background());
    canvas.setTranslucent(true);
    UIStatic logo(pics.solid("logo.png", QSize(10, 10), Qt::green));
    place(logo, "musiclogo", QRect(20, 20, 10, 10));
    canvas.AddControlToCanvar(&logo);
    canvas.OnInit();
    EXPECT_EQ(canvas.contentRect(), QRect(5, 5, 100, 80));
    QImage img = paint();
    saveArtifact(img, "canvas_translucent.png");
    EXPECT_EQ(img.pixelColor(5, 45), QColor(200, 30, 30));
    const QColor shadow = img.pixelColor(3, 45);
    EXPECT_GT(shadow.alpha(), 0);
    EXPECT_LT(shadow.alpha(), 200);
    EXPECT_LT(shadow.lightness(), 40);
    EXPECT_LT(img.pixelColor(0, 45).alpha(), shadow.alpha());

    canvas.setOpacity(128);
    canvas.OnInit();
    img = paint();
    EXPECT_NEAR(img.pixelColor(50, 45).alpha(), 128, 2);
    // The window fades as one: the logo does not let the background shine through.
    const QColor logoPixel = img.pixelColor(25, 25);
    EXPECT_NEAR(logoPixel.alpha(), 128, 2);
    EXPECT_LE(logoPixel.red(), 4);
}

TEST_F(UICanvarTest, DoubleRatioUsesTheDoublePictures) {
    canvas.setWindowSize(50, 40);
    canvas.setBackground(background(QSize(50, 40)));
    pics.solid("play@2x.png", QSize(20, 20), Qt::green);
    UIButton b(pics.solid("play.png", QSize(10, 10), Qt::red));
    place(b, "playbutton", QRect(10, 10, 10, 10));
    canvas.AddControlToCanvar(&b);
    EXPECT_EQ(paint(1.0).pixelColor(15, 15), QColor(Qt::red));
    const QImage two = paint(2.0);
    EXPECT_EQ(two.size(), QSize(100, 80));
    EXPECT_EQ(two.pixelColor(21, 21), QColor(Qt::green));
    EXPECT_EQ(two.pixelColor(19, 19), QColor(200, 30, 30));
}

TEST_F(UICanvarTest, OperationControlsAndTooltips) {
    canvas.setWindowSize(316, 400);
    const QString pic = pics.solid("btn.png", QSize(20, 20), Qt::gray);
    UIButton play(pic), disabled(pic);
    place(play, "playbutton", QRect(100, 100, 20, 20));
    play.setToolTip(QStringLiteral("播放"));
    place(disabled, "skinbutton", QRect(160, 100, 20, 20));
    disabled.setEnabled(false);
    UIStatic logo(pic);
    place(logo, "musiclogo", QRect(15, 10, 97, 30));
    UILable label;
    place(label, "musicnamelable", QRect(19, 45, 200, 15));
    UISlider slider(pic, QString(), pic);
    place(slider, "volumeslider", QRect(200, 200, 41, 8));
    UIList list(pic, pic, pic);
    place(list, "musiclist", QRect(0, 223, 316, 146));
    for (IControl* c :
         std::initializer_list<IControl*>{&slider, &play, &disabled, &logo, &label, &list})
        canvas.AddControlToCanvar(c);
    EXPECT_TRUE(canvas.IsOperationControl(QPoint(105, 105)));
    EXPECT_TRUE(canvas.IsOperationControl(QPoint(210, 204)));
    EXPECT_TRUE(canvas.IsOperationControl(QPoint(50, 300)));
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(165, 105)));  // disabled
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(20, 20)));    // logo
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(60, 50)));    // label
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(250, 150)));  // background

    window.show();
    canvas.MouseHover(QPoint(105, 105));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("播放"));
    canvas.MouseHover(QPoint(250, 150));
    QElapsedTimer t;  // hiding may take a moment; bounded wait
    t.start();
    while (!QToolTip::text().isEmpty() && t.elapsed() < 2000) QApplication::processEvents();
    EXPECT_TRUE(QToolTip::text().isEmpty());
    window.hide();
}

}  // namespace
