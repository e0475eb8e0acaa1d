#include "mainwindow/ControlPanelDlg.h"
#include "MainWindowTestData.h"
#include "mainwindow/SkinControls.h"

#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "controls/UIStatic.h"
#include "core/ConfigKeys.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

QString config(const char* key) {
    return StoreBinding::ReadConfigValue(QString::fromLatin1(key), QStringLiteral("<none>"));
}

void setConfig(const char* key, const QString& value) {
    StoreBinding::WriteConfigValue(QString::fromLatin1(key), value);
    ASSERT_EQ(config(key), value.isEmpty() ? QStringLiteral("<none>") : value) << key;
}

// Screenshots land beside the build for a person to look at.
void saveShot(QWidget& w, const QString& name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/mainwindow/");
    QDir().mkpath(dir);
    w.grab().save(dir + name + QStringLiteral(".png"));
}

QColor pixelAt(QWidget& w, QPoint p) { return w.grab().toImage().pixelColor(p); }

void sendMouse(QWidget& w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(local), QPointF(w.mapToGlobal(local)), Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// A press, a move by delta (in global coordinates, as a real drag) and a release.
void drag(QWidget& w, QPoint from, QPoint delta) {
    const QPoint globalFrom = w.mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(globalFrom), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    const QPoint globalTo = globalFrom + delta;
    QMouseEvent move(QEvent::MouseMove, QPointF(w.mapFromGlobal(globalTo)), QPointF(globalTo),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(w.mapFromGlobal(globalTo)),
                        QPointF(globalTo), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &release);
}

void click(QWidget& w, IControl* c) {
    const QPoint p = c->rect().center();
    sendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

class ControlPanelDlgTest : public ::testing::Test {
protected:
    MainWindowTestData m_data;
};

TEST_F(ControlPanelDlgTest, BuildsTheSkinnedWindow) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kWndSize, QStringLiteral("320,560"));
    ControlPanelDlg w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("欧沃播放器"));
    EXPECT_EQ(w.property("BA77185C-A5D5-406c-86FC-0974C8BA9337").toInt(), 1);
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(w.isInitialised());
    EXPECT_EQ(w.size(), QSize(320, 560));
    EXPECT_EQ(w.minimumSize(), QSize(303, 526));

    // Every skinned control is on the canvas under its name, in paint order.
    const QList<IControl*>& painted = w.canvas().controls();
    ASSERT_EQ(painted.size(), 18);
    EXPECT_EQ(painted.first()->name(), QStringLiteral("volumeslider"));
    EXPECT_EQ(painted.last()->name(), QStringLiteral("musiclist"));
    const QStringList names = {"musiclogo",     "playbutton",   "perbutton",  "nextbutton",
                               "closebutton",   "minbutton",    "skinbutton", "addbutton",
                               "optionsbutton", "listxhbutton", "setbutton",  "positionslider",
                               "volumeslider",  "volumeico",    "musiclist",  "musictimelable",
                               "musicnamelable"};
    for (const QString& name : names) {
        EXPECT_NE(w.canvas().findControl(name), nullptr) << name.toStdString();
    }
    EXPECT_EQ(w.canvas().findControl("setbutton")->toolTip(), QStringLiteral("清除列表"));
    // The logo and the labels report nothing; the others report to the window.
    EXPECT_EQ(w.controls().musicNameLable->eventSink(), nullptr);
    EXPECT_EQ(w.controls().skinButton->eventSink(), static_cast<IControlEventS*>(&w));

    w.show();
    saveShot(w, QStringLiteral("opaque-320x560"));
}

TEST_F(ControlPanelDlgTest, StartSettingsAreRead) {
    struct Case {
        const char* loop;
        const char* mute;
        const char* volume;
        bool looping;
        int volumeImg;
        int volumeValue;
    };
    for (const Case& c : {Case{"2", "2", "25", true, 2, 25}, Case{"22", "x", "7x", false, 1, 7}}) {
        setConfig(ConfigKeys::kLoop, QString::fromLatin1(c.loop));
        setConfig(ConfigKeys::kMute, QString::fromLatin1(c.mute));
        setConfig(ConfigKeys::kVolume, QString::fromLatin1(c.volume));
        ControlPanelDlg w;
        EXPECT_EQ(w.isLoop(), c.looping) << c.loop;
        EXPECT_EQ(w.controls().listxhButton->GetButtonImg(), c.looping ? 2 : 1) << c.loop;
        EXPECT_EQ(w.controls().volumeIco->GetButtonImg(), c.volumeImg) << c.mute;
        EXPECT_EQ(w.controls().volumeSlider->value(), c.volumeValue) << c.volume;
    }
}

TEST_F(ControlPanelDlgTest, SkinIsLookedUpWithFallbackToTheFirst) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kSkin, QStringLiteral("t-blue"));
    {
        ControlPanelDlg w;
        EXPECT_EQ(w.skinId(), QStringLiteral("t-blue"));
        const QColor body = pixelAt(w, QPoint(150, 120));
        EXPECT_GT(body.blue(), 150);
        EXPECT_LT(body.red(), 80);
    }
    setConfig(ConfigKeys::kSkin, QStringLiteral("no-such-skin"));
    ControlPanelDlg w;
    EXPECT_EQ(w.skinId(), QStringLiteral("1"));
}

TEST_F(ControlPanelDlgTest, UnreadableBackgroundShowsADarkFill) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    skins.append(tagUiBgSkinInfo{QStringLiteral("t-broken"), 0, QStringLiteral("gone.bmp")});
    MainWindowTestData::setSkinList(skins);
    setConfig(ConfigKeys::kSkin, QStringLiteral("t-broken"));
    ControlPanelDlg w;
    EXPECT_EQ(w.skinId(), QStringLiteral("t-broken"));
    const QColor body = pixelAt(w, QPoint(150, 120));
    EXPECT_EQ(body.alpha(), 255);
    EXPECT_LT(body.lightness(), 80);
}

TEST_F(ControlPanelDlgTest, StoredSizeIsStableOverRestartsWhileTranslucent) {
    setConfig(ConfigKeys::kWndSize, QStringLiteral("400,600"));
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("1"));
    for (int run = 0; run < 2; ++run) {
        {
            ControlPanelDlg w;
            EXPECT_TRUE(w.isTranslucent());
            EXPECT_EQ(w.size(), QSize(410, 610)) << run;
            EXPECT_EQ(w.minimumSize(), QSize(313, 536));
            // The content moves in by the margin.
            EXPECT_EQ(w.controls().musicList->rect(), QRect(5, 228, 400, 600 - 254));
            EXPECT_EQ(w.controls().closeButton->rect(), QRect(410 - 33 - 5, 5, 33, 25));
        }
        EXPECT_EQ(config(ConfigKeys::kWndSize), QStringLiteral("400,600")) << run;
    }
}

TEST_F(ControlPanelDlgTest, UnusableStoredSizeGivesASensibleWindow) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kWndSize, QStringLiteral("junk"));
    {
        ControlPanelDlg w;
        EXPECT_EQ(w.size(), QSize(320, 560));
    }
    setConfig(ConfigKeys::kWndSize, QStringLiteral("400,5000"));
    {
        // Taller than the screen: the caption buttons stay reachable.
        ControlPanelDlg tall;
        const QRect area = tall.screen()->availableGeometry();
        EXPECT_GE(tall.y(), area.top());
        EXPECT_EQ(tall.x(), area.center().x() - 200);
    }
    setConfig(ConfigKeys::kWndSize, QStringLiteral("100,100"));
    ControlPanelDlg w;
    EXPECT_EQ(w.size(), QSize(303, 526));
    EXPECT_EQ(w.controls().listxhButton->x(), 109);
    saveShot(w, QStringLiteral("opaque-minimum"));
}

TEST_F(ControlPanelDlgTest, TranslucencyOnAndOffReturnsToTheSamePlace) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kWndSize, QStringLiteral("340,580"));
    ControlPanelDlg w;
    w.move(100, 120);
    w.show();
    const QRect opaque = w.geometry();
    QMap<IControl*, QRect> rects;
    for (IControl* c : w.controls().all()) rects.insert(c, c->rect());

    w.SetTranslucent(true);
    EXPECT_TRUE(w.isTranslucent());
    EXPECT_TRUE(w.canvas().isTranslucent());
    EXPECT_EQ(w.geometry(), QRect(95, 115, 350, 590));
    EXPECT_EQ(w.canvas().windowSize(), QSize(350, 590));
    EXPECT_EQ(config(ConfigKeys::kEnTransparent), QStringLiteral("1"));
    // The content stays where it was on the screen.
    EXPECT_EQ(w.mapToGlobal(w.controls().closeButton->rect().topLeft()),
              QPoint(100 + 340 - 33, 120));
    EXPECT_EQ(w.controls().playButton->y(), 185);
    saveShot(w, QStringLiteral("translucent-340x580"));

    w.SetTranslucent(false);
    EXPECT_FALSE(w.canvas().isTranslucent());
    EXPECT_EQ(w.geometry(), opaque);
    EXPECT_EQ(config(ConfigKeys::kEnTransparent), QStringLiteral("0"));
    for (IControl* c : w.controls().all()) {
        EXPECT_EQ(c->rect(), rects.value(c)) << c->name().toStdString();
    }
}

TEST_F(ControlPanelDlgTest, OpacityAppliesOnlyWhileTranslucent) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kTransparent, QString());
    {
        ControlPanelDlg opaque;
        EXPECT_EQ(opaque.canvas().opacity(), 255);  // a missing value means fully opaque
    }
    setConfig(ConfigKeys::kTransparent, QStringLiteral("200"));
    ControlPanelDlg w;
    EXPECT_EQ(w.canvas().opacity(), 200);
    w.SetOpacity(90);
    EXPECT_EQ(w.canvas().opacity(), 200);
    w.SetTranslucent(true);
    w.SetOpacity(90);
    EXPECT_EQ(w.canvas().opacity(), 90);
}

TEST_F(ControlPanelDlgTest, FadeInEndsAtTheLargestStepAndDoesNotBlock) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("1"));
    ControlPanelDlg w;
    w.show();
    const tagUiBgSkinInfo blue = MainWindowTestData::skin(QStringLiteral("t-blue"));
    ASSERT_EQ(blue.id, QStringLiteral("t-blue"));

    struct Case {
        int target;
        int expected;
    };
    for (const Case& c : {Case{200, 187}, Case{255, 255}, Case{40, 34}}) {
        QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
        QElapsedTimer timer;
        timer.start();
        w.ChangeBackground(blue, c.target);
        EXPECT_LT(timer.elapsed(), 45) << "the fade must not hold the window";
        EXPECT_TRUE(w.isFading());
        EXPECT_EQ(done.count(), 0);
        ASSERT_TRUE(done.wait(3000)) << c.target;
        EXPECT_EQ(w.canvas().opacity(), c.expected) << c.target;
        EXPECT_FALSE(w.isFading());
    }
    // Below the first step the opacity stays, and the picture changes at once.
    const int before = w.canvas().opacity();
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    w.ChangeBackground(MainWindowTestData::skin(QStringLiteral("t-red")), 10);
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(w.isFading());
    EXPECT_EQ(w.canvas().opacity(), before);
    EXPECT_GT(pixelAt(w, QPoint(150, 120)).red(), 150);
}

TEST_F(ControlPanelDlgTest, OpaqueBackgroundChangeShowsAtOnce) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kSkin, QStringLiteral("t-red"));
    ControlPanelDlg w;
    EXPECT_GT(pixelAt(w, QPoint(150, 120)).red(), 150);
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    w.ChangeBackground(MainWindowTestData::skin(QStringLiteral("t-blue")), 200);
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(w.isFading());
    EXPECT_GT(pixelAt(w, QPoint(150, 120)).blue(), 150);
    // The choice of a background is the settings page's to store, not the window's.
    EXPECT_EQ(config(ConfigKeys::kSkin), QStringLiteral("t-red"));
}

TEST_F(ControlPanelDlgTest, RandomSkinNeedsTwoSkinsAndLocksTheButtonWhileFading) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("1"));
    setConfig(ConfigKeys::kTransparent, QStringLiteral("255"));
    const tagUiBgSkinInfo red = MainWindowTestData::skin(QStringLiteral("t-red"));
    const tagUiBgSkinInfo blue = MainWindowTestData::skin(QStringLiteral("t-blue"));
    MainWindowTestData::setSkinList({red});
    setConfig(ConfigKeys::kSkin, QStringLiteral("t-red"));
    ControlPanelDlg w;
    w.show();
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    w.ApplyRandomSkin();
    EXPECT_EQ(done.count(), 0);
    EXPECT_TRUE(w.controls().skinButton->isEnabled());

    MainWindowTestData::setSkinList({red, blue});
    bool sawBlue = false;
    for (int i = 0; i < 12 && !sawBlue; ++i) {
        w.ApplyRandomSkin();
        EXPECT_FALSE(w.controls().skinButton->isEnabled());
        // A second press while the change runs does nothing.
        w.ApplyRandomSkin();
        ASSERT_TRUE(done.wait(3000));
        EXPECT_TRUE(w.controls().skinButton->isEnabled());
        EXPECT_EQ(w.canvas().opacity(), 255);
        const QColor body = pixelAt(w, QPoint(150, 120));
        EXPECT_TRUE(body.red() > 150 || body.blue() > 150);
        sawBlue = body.blue() > 150;
    }
    EXPECT_TRUE(sawBlue) << "the other skin never came up in 12 draws";

    // Switching translucency off in the middle of a fade ends it at its target.
    const qsizetype changes = done.count();
    w.ApplyRandomSkin();
    ASSERT_TRUE(w.isFading());
    w.SetTranslucent(false);
    EXPECT_FALSE(w.isFading());
    EXPECT_EQ(done.count(), changes + 1);
    EXPECT_TRUE(w.controls().skinButton->isEnabled());
    EXPECT_EQ(w.canvas().opacity(), 255);
}

TEST_F(ControlPanelDlgTest, ButtonsSwapTheirPicturesOnTheRealWindow) {
    setConfig(ConfigKeys::kLoop, QStringLiteral("1"));
    setConfig(ConfigKeys::kMute, QStringLiteral("1"));
    {
        ControlPanelDlg w;
        w.show();
        SkinControls& c = w.controls();
        click(w, c.listxhButton);
        EXPECT_TRUE(w.isLoop());
        EXPECT_EQ(c.listxhButton->GetButtonImg(), 2);
        click(w, c.volumeIco);
        EXPECT_EQ(c.volumeIco->GetButtonImg(), 2);
        click(w, c.playButton);
        EXPECT_EQ(c.playButton->GetButtonImg(), 2);
        click(w, c.listxhButton);
        click(w, c.listxhButton);
        EXPECT_TRUE(w.isLoop());
        c.volumeSlider->setValue(17);
    }
    EXPECT_EQ(config(ConfigKeys::kLoop), QStringLiteral("2"));
    EXPECT_EQ(config(ConfigKeys::kMute), QStringLiteral("2"));
    EXPECT_EQ(config(ConfigKeys::kVolume), QStringLiteral("17"));
    EXPECT_EQ(config(ConfigKeys::kLastPlayFile), QStringLiteral("<none>"));
}

TEST_F(ControlPanelDlgTest, BodyDragsTheWindowAndEdgesResizeIt) {
    setConfig(ConfigKeys::kEnTransparent, QStringLiteral("0"));
    setConfig(ConfigKeys::kWndSize, QStringLiteral("360,600"));
    ControlPanelDlg w;
    w.move(200, 100);
    w.show();
    drag(w, QPoint(150, 120), QPoint(30, 20));
    EXPECT_EQ(w.pos(), QPoint(230, 120));
    EXPECT_EQ(w.size(), QSize(360, 600));

    // A press on a control is the control's, not a drag.
    drag(w, w.controls().playButton->rect().center(), QPoint(30, 20));
    EXPECT_EQ(w.pos(), QPoint(230, 120));

    drag(w, QPoint(359, 300), QPoint(40, 0));
    EXPECT_EQ(w.geometry(), QRect(230, 120, 400, 600));
    // The controls follow the new size.
    EXPECT_EQ(w.controls().closeButton->x(), 400 - 33);

    drag(w, QPoint(150, 598), QPoint(-500, -400));
    EXPECT_EQ(w.size(), QSize(400, 526));
    EXPECT_EQ(w.controls().musicList->height(), 526 - 254);
    saveShot(w, QStringLiteral("opaque-400x526"));
}

TEST_F(ControlPanelDlgTest, EscapeAndReturnAreSwallowed) {
    ControlPanelDlg w;
    w.show();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        press.ignore();
        EXPECT_TRUE(QApplication::sendEvent(&w, &press)) << key;
        EXPECT_TRUE(press.isAccepted()) << key;
        EXPECT_TRUE(w.isVisible());
    }
}

TEST_F(ControlPanelDlgTest, HandedOverFileShowsTheWindowAndJoinsTheList) {
    ControlPanelDlg w;
    ASSERT_FALSE(w.isVisible());
    UIList* list = w.controls().musicList;
    const int before = list->GetListCount();

    w.OpenHandedOverFile(QString());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(list->GetListCount(), before);

    w.hide();
    w.OpenHandedOverFile(QStringLiteral("/music/歌手/01.Intro.mp3"));
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(list->GetListCount(), before + 1);
    EXPECT_EQ(list->items().last().title, QStringLiteral("01"));
    EXPECT_TRUE(list->hasSongs());

    QList<tagFileListInfo> saved;
    StoreBinding::LoadPlayList(&saved);
    ASSERT_EQ(saved.size(), before + 1);
    EXPECT_EQ(saved.last().path, QStringLiteral("/music/歌手/01.Intro.mp3"));

    // The saved list comes back at the next start.
    ControlPanelDlg again;
    EXPECT_EQ(again.controls().musicList->GetListCount(), before + 1);
    EXPECT_TRUE(again.controls().musicList->hasSongs());
}

}  // namespace
