#include "mainwindow/ControlPanelDlg.h"
#include "MainWindowTestData.h"
#include "mainwindow/SkinControls.h"

#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "core/ConfigKeys.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>

using namespace ConfigKeys;
using namespace Qt::StringLiterals;

namespace {

QString config(const char* key) { return StoreBinding::ReadConfigValue(key, u"<none>"_s); }

void setConfig(const char* key, const QString& value) {
    StoreBinding::WriteConfigValue(key, value);
    ASSERT_EQ(config(key), value.isEmpty() ? u"<none>"_s : value) << key;
}

QColor bodyPixel(QWidget& w) { return w.grab().toImage().pixelColor(QPoint(150, 120)); }

// Screenshots for a person to look at, kept with the build's test output.
void saveArtifact(QWidget& w, const char* name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/mainwindow");
    QDir().mkpath(dir);
    w.grab().save(dir + u'/' + QLatin1String(name) + QStringLiteral(".png"));
}

void mouse(QWidget& w, QEvent::Type type, QPoint global, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(w.mapFromGlobal(global)), QPointF(global), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// A press, a move by delta (in global coordinates, as a real drag) and a release.
void drag(QWidget& w, QPoint from, QPoint delta) {
    const QPoint start = w.mapToGlobal(from);
    mouse(w, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, start + delta, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, start + delta, Qt::LeftButton, Qt::NoButton);
}

void click(QWidget& w, IControl* c) { drag(w, c->rect().center(), QPoint()); }

class ControlPanelDlgTest : public ::testing::Test {
protected:
    void SetUp() override { setConfig(kEnTransparent, u"0"_s); }
    MainWindowTestData m_data;
    const tagUiBgSkinInfo m_red = StoreBinding::ReadSkinInfo(u"t-red"_s);
    const tagUiBgSkinInfo m_blue = StoreBinding::ReadSkinInfo(u"t-blue"_s);
};

TEST_F(ControlPanelDlgTest, BuildsTheSkinnedWindowFromTheStartSettings) {
    ControlPanelDlg w;
    EXPECT_EQ(w.windowTitle(), u"欧沃播放器"_s);
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(w.size(), QSize(320, 560));
    EXPECT_EQ(w.minimumSize(), QSize(303, 526));
    // Every skinned control is on the canvas under its name, in paint order.
    const QList<IControl*>& painted = w.canvas().controls();
    ASSERT_EQ(painted.size(), 18);
    EXPECT_EQ(painted.first()->name(), u"volumeslider"_s);
    EXPECT_EQ(painted.last()->name(), u"musiclist"_s);
    for (const char* name :
         {"musiclogo", "playbutton", "perbutton", "nextbutton", "closebutton", "minbutton",
          "skinbutton", "addbutton", "optionsbutton", "listxhbutton", "setbutton", "positionslider",
          "volumeslider", "volumeico", "musiclist", "musictimelable", "musicnamelable"})
        EXPECT_NE(w.canvas().findControl(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(w.canvas().findControl(u"setbutton"_s)->toolTip(), u"清除列表"_s);
    // The logo and the labels report nothing; the others report to the window.
    EXPECT_EQ(w.controls().musicNameLable->eventSink(), nullptr);
    EXPECT_EQ(w.controls().skinButton->eventSink(), static_cast<IControlEventS*>(&w));
    w.show();

    struct Case {
        const char *loop, *mute, *volume;
        bool looping;
        int volumeImg, volumeValue;
    };
    for (const Case& c : {Case{"2", "2", "25", true, 2, 25}, Case{"22", "x", "7x", false, 1, 7}}) {
        setConfig(kLoop, QString::fromLatin1(c.loop));
        setConfig(kMute, QString::fromLatin1(c.mute));
        setConfig(kVolume, QString::fromLatin1(c.volume));
        ControlPanelDlg w;
        EXPECT_EQ(w.isLoop(), c.looping) << c.loop;
        EXPECT_EQ(w.controls().listxhButton->GetButtonImg(), c.looping ? 2 : 1) << c.loop;
        EXPECT_EQ(w.controls().volumeIco->GetButtonImg(), c.volumeImg) << c.mute;
        EXPECT_EQ(w.controls().volumeSlider->value(), c.volumeValue) << c.volume;
    }
}

TEST_F(ControlPanelDlgTest, SkinLookupFallbackOpaqueChangeAndUnreadablePicture) {
    setConfig(kSkin, u"t-blue"_s);
    {
        ControlPanelDlg w;
        EXPECT_EQ(w.skinId(), u"t-blue"_s);
        EXPECT_GT(bodyPixel(w).blue(), 150);
        EXPECT_LT(bodyPixel(w).red(), 80);
        // Opaque, a new background shows at once; storing the choice is the settings page's job.
        QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
        w.ChangeBackground(m_red, 200);
        EXPECT_EQ(done.count(), 1);
        EXPECT_FALSE(w.isFading());
        EXPECT_GT(bodyPixel(w).red(), 150);
        EXPECT_EQ(config(kSkin), u"t-blue"_s);
    }
    setConfig(kSkin, u"no-such-skin"_s);
    EXPECT_EQ(ControlPanelDlg().skinId(), u"1"_s);
    // A picture that cannot be read shows a dark fill.
    MainWindowTestData::setSkinList({m_red, {u"t-broken"_s, 0, u"gone.bmp"_s}});
    setConfig(kSkin, u"t-broken"_s);
    ControlPanelDlg w;
    EXPECT_EQ(w.skinId(), u"t-broken"_s);
    EXPECT_EQ(bodyPixel(w).alpha(), 255);
    EXPECT_LT(bodyPixel(w).lightness(), 80);
}

TEST_F(ControlPanelDlgTest, StoredSizeIsStableWhileTranslucentAndKeptOnScreen) {
    setConfig(kWndSize, u"400,600"_s);
    setConfig(kEnTransparent, u"1"_s);
    for (int run = 0; run < 2; ++run) {
        {
            ControlPanelDlg w;
            EXPECT_EQ(w.size(), QSize(410, 610)) << run;
            EXPECT_EQ(w.minimumSize(), QSize(313, 536));
            EXPECT_EQ(w.controls().closeButton->rect(), QRect(410 - 33 - 5, 5, 33, 25));
        }
        EXPECT_EQ(config(kWndSize), u"400,600"_s) << run;
    }
    setConfig(kEnTransparent, u"0"_s);
    setConfig(kWndSize, u"400,5000"_s);
    // Taller than the screen: the caption buttons stay reachable.
    ControlPanelDlg tall;
    const QRect area = tall.screen()->availableGeometry();
    EXPECT_GE(tall.y(), area.top());
    EXPECT_EQ(tall.x(), area.center().x() - 200);
}

TEST_F(ControlPanelDlgTest, TranslucencyOnAndOffReturnsToTheSamePlaceOpacityOnlyWhileOn) {
    setConfig(kWndSize, u"340,580"_s);
    setConfig(kTransparent, QString());
    ControlPanelDlg w;
    EXPECT_EQ(w.canvas().opacity(), 255);  // a missing value means fully opaque
    w.move(100, 120);
    w.show();
    saveArtifact(w, "opaque");
    const QRect opaque = w.geometry();
    QMap<IControl*, QRect> rects;
    for (IControl* c : w.controls().all()) rects.insert(c, c->rect());
    w.SetOpacity(90);
    EXPECT_EQ(w.canvas().opacity(), 255);

    w.SetTranslucent(true);
    EXPECT_TRUE(w.isTranslucent() && w.canvas().isTranslucent());
    EXPECT_EQ(w.geometry(), QRect(95, 115, 350, 590));
    EXPECT_EQ(w.canvas().windowSize(), QSize(350, 590));
    EXPECT_EQ(config(kEnTransparent), u"1"_s);
    // The content stays where it was on the screen.
    EXPECT_EQ(w.mapToGlobal(w.controls().closeButton->rect().topLeft()), QPoint(407, 120));
    w.SetOpacity(90);
    EXPECT_EQ(w.canvas().opacity(), 90);
    saveArtifact(w, "translucent");

    w.SetTranslucent(false);
    EXPECT_FALSE(w.canvas().isTranslucent());
    EXPECT_EQ(w.geometry(), opaque);
    EXPECT_EQ(config(kEnTransparent), u"0"_s);
    for (IControl* c : w.controls().all())
        EXPECT_EQ(c->rect(), rects.value(c)) << c->name().toStdString();
    setConfig(kTransparent, u"200"_s);
    EXPECT_EQ(ControlPanelDlg().canvas().opacity(), 200);
}

TEST_F(ControlPanelDlgTest, FadeEndsAtTheLargestStepWithoutBlocking) {
    setConfig(kSkin, u"t-red"_s);
    setConfig(kEnTransparent, u"1"_s);
    ControlPanelDlg w;
    w.show();
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    for (auto [target, expected] : {std::pair{200, 187}, {255, 255}, {40, 34}}) {
        QElapsedTimer timer;
        timer.start();
        w.ChangeBackground(m_blue, target);
        EXPECT_LT(timer.elapsed(), 45) << "the fade must not hold the window";
        EXPECT_TRUE(w.isFading());
        ASSERT_TRUE(done.wait(3000)) << target;
        EXPECT_EQ(w.canvas().opacity(), expected) << target;
        EXPECT_FALSE(w.isFading());
    }
    // Below the first step the opacity stays, and the picture changes at once.
    w.ChangeBackground(m_red, 10);
    EXPECT_EQ(done.count(), 4);
    EXPECT_FALSE(w.isFading());
    EXPECT_EQ(w.canvas().opacity(), 34);
    EXPECT_GT(bodyPixel(w).red(), 150);
}

TEST_F(ControlPanelDlgTest, RandomSkinNeedsTwoSkinsAndLocksTheButtonWhileFading) {
    setConfig(kEnTransparent, u"1"_s);
    setConfig(kTransparent, u"255"_s);
    MainWindowTestData::setSkinList({m_red});
    setConfig(kSkin, u"t-red"_s);
    ControlPanelDlg w;
    w.show();
    UIButton* button = w.controls().skinButton;
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    w.ApplyRandomSkin();
    EXPECT_EQ(done.count(), 0);
    EXPECT_TRUE(button->isEnabled());

    MainWindowTestData::setSkinList({m_red, m_blue});
    bool sawBlue = false;
    for (int i = 0; i < 12 && !sawBlue; ++i) {
        w.ApplyRandomSkin();
        EXPECT_FALSE(button->isEnabled());
        w.ApplyRandomSkin();  // a second press while the change runs does nothing
        ASSERT_TRUE(done.wait(3000));
        EXPECT_TRUE(button->isEnabled());
        EXPECT_EQ(w.canvas().opacity(), 255);
        const QColor body = bodyPixel(w);
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
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(w.canvas().opacity(), 255);
}

TEST_F(ControlPanelDlgTest, ButtonsSwapTheirPicturesAndTheSettingsAreKept) {
    setConfig(kLoop, u"1"_s);
    setConfig(kMute, u"1"_s);
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
        // Escape and Return do not close the window.
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            press.ignore();
            EXPECT_TRUE(QApplication::sendEvent(&w, &press) && press.isAccepted()) << key;
            EXPECT_TRUE(w.isVisible());
        }
    }
    EXPECT_EQ(config(kLoop), u"2"_s);
    EXPECT_EQ(config(kMute), u"2"_s);
    EXPECT_EQ(config(kVolume), u"17"_s);
    EXPECT_EQ(config(kLastPlayFile), u"<none>"_s);
}

TEST_F(ControlPanelDlgTest, BodyDragsTheWindowAndEdgesResizeIt) {
    setConfig(kWndSize, u"360,600"_s);
    ControlPanelDlg w;
    w.move(200, 100);
    w.show();
    drag(w, QPoint(150, 120), QPoint(30, 20));
    EXPECT_EQ(w.geometry(), QRect(230, 120, 360, 600));
    // A press on a control is the control's, not a drag.
    drag(w, w.controls().playButton->rect().center(), QPoint(30, 20));
    EXPECT_EQ(w.pos(), QPoint(230, 120));
    drag(w, QPoint(359, 300), QPoint(40, 0));
    EXPECT_EQ(w.geometry(), QRect(230, 120, 400, 600));
    EXPECT_EQ(w.controls().closeButton->x(), 400 - 33);  // the controls follow the new size
    drag(w, QPoint(150, 598), QPoint(-500, -400));
    EXPECT_EQ(w.size(), QSize(400, 526));
    EXPECT_EQ(w.controls().musicList->height(), 526 - 254);
}

TEST_F(ControlPanelDlgTest, HandedOverFileShowsTheWindowAndJoinsTheSavedList) {
    ControlPanelDlg w;
    ASSERT_FALSE(w.isVisible());
    UIList* list = w.controls().musicList;
    const int before = list->GetListCount();
    w.OpenHandedOverFile(u"/music/歌手/01.Intro.mp3"_s);
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(list->GetListCount(), before + 1);
    EXPECT_EQ(list->items().last().title, u"01"_s);
    EXPECT_TRUE(list->hasSongs());
    ControlPanelDlg again;  // the saved list comes back at the next start
    EXPECT_EQ(again.controls().musicList->GetListCount(), before + 1);
    EXPECT_EQ(again.controls().musicList->items().last().title, u"01"_s);
    EXPECT_TRUE(again.controls().musicList->hasSongs());
}

}  // namespace
