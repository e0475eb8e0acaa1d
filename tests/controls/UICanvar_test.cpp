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

void place(IControl& c, const QString& name, QRect r) {
    c.setName(name);
    c.setPos(r.x(), r.y());
    c.setSize(r.width(), r.height());
    c.setRect(r);
}

class UICanvarTest : public ::testing::Test {
protected:
    QImage paint(UICanvar& canvas, qreal dpr = 1.0, QRect update = QRect(-1, -1, -1, -1)) {
        const QSize s = canvas.windowSize();
        QImage img(QSize(int(s.width() * dpr), int(s.height() * dpr)),
                   QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        QPainter p(&img);
        canvas.Paint(p, update);
        return img;
    }
    // A red picture with magenta and pure-red-in-BGR marks in its top corners.
    QImage keyedBackground() {
        QImage bg(100, 80, QImage::Format_RGB32);
        bg.fill(QColor(200, 30, 30));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                bg.setPixelColor(x, y, QColor(255, 0, 255));
                bg.setPixelColor(99 - x, y, QColor(0, 0, 255));
            }
        return bg;
    }
    QWidget window;
    PictureDir pics;
};

TEST_F(UICanvarTest, MaskColourBecomesTransparentAndControlsStackInOrder) {
    UICanvar canvas(&window);
    canvas.setWindowSize(100, 80);
    canvas.setBackground(keyedBackground());
    canvas.setMaskColor(0xFF00FF);
    UIStatic a(pics.solid("a.png", QSize(30, 30), Qt::green));
    UIStatic b(pics.solid("b.png", QSize(30, 30), Qt::blue));
    place(a, "a", QRect(10, 10, 30, 30));
    place(b, "b", QRect(20, 20, 30, 30));
    canvas.AddControlToCanvar(&a);
    canvas.AddControlToCanvar(&b);
    canvas.OnInit();
    const QImage img = paint(canvas);
    saveArtifact(img, "canvas_keyed.png");
    EXPECT_EQ(img.pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(img.pixelColor(3, 3).alpha(), 0);
    EXPECT_EQ(img.pixelColor(98, 1), QColor(0, 0, 255));  // not the key colour
    EXPECT_EQ(img.pixelColor(60, 60), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(15, 15), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(25, 25), QColor(Qt::blue));  // added later, drawn on top
    EXPECT_EQ(canvas.findControl("b"), &b);
    EXPECT_EQ(canvas.findControl("none"), nullptr);
}

TEST_F(UICanvarTest, MaskColourIsStoredBlueGreenRed) {
    UICanvar canvas(&window);
    canvas.setWindowSize(100, 80);
    canvas.setBackground(keyedBackground());
    canvas.setMaskColor(0xFF0000);  // 0xBBGGRR: blue
    const QImage img = paint(canvas);
    EXPECT_EQ(img.pixelColor(98, 1).alpha(), 0);
    EXPECT_EQ(img.pixelColor(1, 1), QColor(255, 0, 255));
    // Mask 0 means "no key colour": black pictures stay black.
    QImage black(20, 20, QImage::Format_RGB32);
    black.fill(Qt::black);
    canvas.setBackground(black);
    canvas.setMaskColor(0);
    EXPECT_EQ(paint(canvas).pixelColor(50, 40), QColor(Qt::black));
}

TEST_F(UICanvarTest, NullBackgroundIsADarkFill) {
    UICanvar canvas(&window);
    canvas.setWindowSize(60, 40);
    canvas.setBackground(QImage());
    canvas.setMaskColor(0xFF00FF);
    canvas.OnInit();
    const QImage img = paint(canvas);
    for (QPoint pt : {QPoint(0, 0), QPoint(30, 20), QPoint(59, 39)}) {
        const QColor c = img.pixelColor(pt);
        EXPECT_EQ(c.alpha(), 255);
        EXPECT_LT(c.lightness(), 80);
    }
    // A broken picture file gives the same.
    canvas.setBackground(QImage(pics.bytes("broken.png", "\x89PNG\r\n\x1a\n garbage")));
    EXPECT_EQ(paint(canvas).pixelColor(30, 20), img.pixelColor(30, 20));
}

TEST_F(UICanvarTest, TranslucentWindowInsetsContentWithShadowAndAppliesOpacity) {
    UICanvar canvas(&window);
    canvas.setWindowSize(110, 90);
    QImage bg(100, 80, QImage::Format_RGB32);
    bg.fill(QColor(200, 30, 30));
    canvas.setBackground(bg);
    canvas.setTranslucent(true);
    UIStatic logo(pics.solid("logo.png", QSize(10, 10), Qt::green));
    place(logo, "musiclogo", QRect(20, 20, 10, 10));
    canvas.AddControlToCanvar(&logo);
    canvas.OnInit();
    EXPECT_EQ(canvas.contentRect(), QRect(5, 5, 100, 80));

    QImage img = paint(canvas);
    saveArtifact(img, "canvas_translucent.png");
    EXPECT_EQ(img.pixelColor(50, 45), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(5, 45), QColor(200, 30, 30));  // the content starts at 5
    const QColor shadow = img.pixelColor(3, 45);
    EXPECT_GT(shadow.alpha(), 0);
    EXPECT_LT(shadow.alpha(), 200);
    EXPECT_LT(shadow.lightness(), 40);
    EXPECT_LT(img.pixelColor(0, 45).alpha(), shadow.alpha());  // fading outwards

    canvas.setOpacity(128);
    canvas.OnInit();
    img = paint(canvas);
    EXPECT_NEAR(img.pixelColor(50, 45).alpha(), 128, 2);
    // The whole window fades as one: the logo does not let the background shine through.
    const QColor logoPixel = img.pixelColor(25, 25);
    EXPECT_NEAR(logoPixel.alpha(), 128, 2);
    EXPECT_LE(logoPixel.red(), 4);
    EXPECT_GE(logoPixel.green(), 250);

    canvas.setOpacity(0);  // clamped to 1, never invisible input-wise
    EXPECT_EQ(canvas.opacity(), 1);
    canvas.setOpacity(999);
    EXPECT_EQ(canvas.opacity(), 255);

    canvas.setTranslucent(false);
    canvas.setWindowSize(100, 80);
    canvas.OnInit();
    img = paint(canvas);
    EXPECT_EQ(img.pixelColor(0, 40), QColor(200, 30, 30));  // no inset, no opacity when opaque
}

TEST_F(UICanvarTest, PaintsOnlyTheUpdateRectangle) {
    UICanvar canvas(&window);
    canvas.setWindowSize(100, 80);
    QImage bg(100, 80, QImage::Format_RGB32);
    bg.fill(QColor(200, 30, 30));
    canvas.setBackground(bg);
    canvas.setFullRepaint(false);
    QImage img(100, 80, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        canvas.Paint(p, QRect(10, 10, 20, 20));
    }
    EXPECT_EQ(img.pixelColor(15, 15), QColor(200, 30, 30));
    EXPECT_EQ(img.pixelColor(50, 50), QColor(Qt::white));
    // The full-repaint flag widens the next paint to everything, once.
    canvas.setFullRepaint(true);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        canvas.Paint(p, QRect(10, 10, 20, 20));
    }
    EXPECT_EQ(img.pixelColor(50, 50), QColor(200, 30, 30));
}

TEST_F(UICanvarTest, DoubleRatioUsesTheDoublePictures) {
    UICanvar canvas(&window);
    canvas.setWindowSize(50, 40);
    QImage bg(50, 40, QImage::Format_RGB32);
    bg.fill(QColor(200, 30, 30));
    canvas.setBackground(bg);
    const QString base = pics.solid("play.png", QSize(10, 10), Qt::red);
    pics.solid("play@2x.png", QSize(20, 20), Qt::green);
    UIButton b(base);
    place(b, "playbutton", QRect(10, 10, 10, 10));
    canvas.AddControlToCanvar(&b);

    const QImage one = paint(canvas, 1.0);
    EXPECT_EQ(one.size(), QSize(50, 40));
    EXPECT_EQ(one.pixelColor(15, 15), QColor(Qt::red));
    const QImage two = paint(canvas, 2.0);
    saveArtifact(two, "canvas_dpr2.png");
    EXPECT_EQ(two.size(), QSize(100, 80));
    EXPECT_EQ(two.pixelColor(30, 30), QColor(Qt::green));
    EXPECT_EQ(two.pixelColor(21, 21), QColor(Qt::green));
    EXPECT_EQ(two.pixelColor(19, 19), QColor(200, 30, 30));
}

TEST_F(UICanvarTest, OperationControlsAndHoverRouting) {
    UICanvar canvas(&window);
    canvas.setWindowSize(316, 400);
    const QString pic = pics.solid("btn.png", QSize(20, 20), Qt::gray);
    UIButton play(pic), next(pic), disabled(pic);
    place(play, "playbutton", QRect(100, 100, 20, 20));
    play.setToolTip(QStringLiteral("播放"));
    place(next, "nextbutton", QRect(130, 100, 20, 20));
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
         std::initializer_list<IControl*>{&slider, &play, &next, &disabled, &logo, &label, &list})
        canvas.AddControlToCanvar(c);

    EXPECT_TRUE(canvas.IsOperationControl(QPoint(105, 105)));
    EXPECT_TRUE(canvas.IsOperationControl(QPoint(210, 204)));
    EXPECT_TRUE(canvas.IsOperationControl(QPoint(50, 300)));
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(165, 105)));  // disabled
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(20, 20)));    // logo
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(60, 50)));    // label
    EXPECT_FALSE(canvas.IsOperationControl(QPoint(250, 150)));  // background

    canvas.MouseMove(QPoint(105, 105));
    EXPECT_EQ(play.stateIndex(), 1);
    canvas.MouseMove(QPoint(135, 105));
    EXPECT_EQ(play.stateIndex(), 0);
    EXPECT_EQ(next.stateIndex(), 1);
    canvas.MouseLeave();
    EXPECT_EQ(next.stateIndex(), 0);

    window.show();
    canvas.MouseHover(QPoint(105, 105));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("播放"));
    canvas.MouseHover(QPoint(250, 150));
    // Hiding may take a moment; wait a bounded time.
    QElapsedTimer t;
    t.start();
    while (!QToolTip::text().isEmpty() && t.elapsed() < 2000) QApplication::processEvents();
    EXPECT_TRUE(QToolTip::text().isEmpty());
    window.hide();
}

TEST_F(UICanvarTest, RendersAWholeSkinnedWindow) {
    // Not a pixel check: a picture of a small window for a look by eye.
    UICanvar canvas(&window);
    canvas.setWindowSize(326, 410);
    QImage bg(316, 400, QImage::Format_RGB32);
    {
        QPainter p(&bg);
        QLinearGradient g(0, 0, 0, 400);
        g.setColorAt(0, QColor(40, 70, 120));
        g.setColorAt(1, QColor(15, 25, 45));
        p.fillRect(bg.rect(), g);
    }
    canvas.setBackground(bg);
    canvas.setTranslucent(true);
    canvas.setOpacity(230);
    QImage round(38, 38, QImage::Format_ARGB32);
    round.fill(Qt::transparent);
    {
        QPainter p(&round);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(240, 240, 240));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(1, 1, 36, 36));
    }
    UIButton play(pics.write("play.png", round));
    place(play, "playbutton", QRect(144, 185, 38, 38));
    play.setStateIndex(1);
    UISlider position(pics.solid("bar.png", QSize(181, 16), QColor(255, 255, 255, 60)),
                      pics.solid("fill.png", QSize(181, 10), QColor(120, 200, 255)), QString());
    place(position, "positionslider", QRect(69, 168, 194, 16));
    position.SetSingleControl(3, 3);
    position.setValue(80);
    UILable name;
    place(name, "musicnamelable", QRect(60, 50, 200, 15));
    name.setText(QStringLiteral("欧沃播放器 - 一首很长的歌的名字"));
    UIList list(pics.solid("listbar.png", QSize(9, 75), QColor(220, 220, 220)),
                pics.solid("line.png", QSize(300, 1), QColor(255, 255, 255, 40)),
                pics.solid("thumb.png", QSize(9, 75), QColor(220, 220, 220)));
    place(list, "musiclist", QRect(5, 228, 316, 146));
    for (int i = 0; i < 12; ++i) {
        tagFileListInfo item;
        item.title = QStringLiteral("%1. 歌曲名称 Song title number %1").arg(i + 1);
        list.items().append(item);
    }
    list.SetFileIndex(nullptr, 2);
    list.mouseMove(QPoint(50, 228 + 5 * 20 + 5));
    for (IControl* c : std::initializer_list<IControl*>{&position, &play, &name, &list})
        canvas.AddControlToCanvar(c);
    canvas.OnInit();
    const QImage img = paint(canvas);
    saveArtifact(img, "canvas_window.png");
    saveArtifact(paint(canvas, 2.0), "canvas_window@2x.png");
    EXPECT_EQ(img.size(), QSize(326, 410));
}

}  // namespace
