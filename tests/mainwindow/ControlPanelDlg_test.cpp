#include "mainwindow/ControlPanelDlg.h"
#include "mainwindow/PlaybackDisplay.h"
#include "mainwindow/SkinControls.h"

#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "core/ConfigKeys.h"
#include "core/Playback.h"
#include "tests/settings/SeededDataFixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTimer>

using namespace ConfigKeys;
using namespace Qt::StringLiterals;

namespace {

QColor bodyPixel(QWidget& w) { return w.grab().toImage().pixelColor(QPoint(150, 120)); }

QMap<IControl*, QRect> rectsOf(ControlPanelDlg& w) {
    QMap<IControl*, QRect> rects;
    for (IControl* c : w.controls().all()) rects.insert(c, c->rect());
    return rects;
}

// A press, a move by delta (in global coordinates, as a real drag) and a release.
void drag(QWidget& w, QPoint from, QPoint delta) {
    const QPoint start = w.mapToGlobal(from);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(w.mapFromGlobal(at)), QPointF(at), b, held, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, start + delta, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + delta, Qt::LeftButton, Qt::NoButton);
}

void click(QWidget& w, IControl* c) { drag(w, c->rect().center(), QPoint()); }

// The seeded data folder with two one-colour skins ("t-red", "t-blue") whose colours the tests
// look for.
class ControlPanelDlgTest : public SeededDataFixture {
protected:
    void SetUp() override {
        SeededDataFixture::SetUp();
        QList<tagUiBgSkinInfo> skins;
        StoreBinding::CallSkinList(1, &skins);
        for (const auto& [id, colour] : {std::pair{u"t-red"_s, QColor(200, 30, 30)},
                                         std::pair{u"t-blue"_s, QColor(30, 30, 200)}}) {
            const QString folder = DataDirectory::path() + u"skin/"_s + id;
            QImage picture(64, 112, QImage::Format_RGB32);
            picture.fill(colour);
            ASSERT_TRUE(QDir().mkpath(folder) && picture.save(folder + u"/bg.bmp"_s));
            skins.append({id, 0, u"bg.bmp"_s});
        }
        setSkinList(skins);
        m_red = StoreBinding::ReadSkinInfo(u"t-red"_s);
        m_blue = StoreBinding::ReadSkinInfo(u"t-blue"_s);
        setConfig({{kEnTransparent, u"0"_s}});
    }
    static void setSkinList(QList<tagUiBgSkinInfo> skins) { StoreBinding::CallSkinList(0, &skins); }

    tagUiBgSkinInfo m_red, m_blue;
};

TEST_F(ControlPanelDlgTest, BuildsTheSkinnedWindowSkinFallbackOpaqueChangeUnreadablePicture) {
    setConfig({{kSkin, u"t-blue"_s}});
    {
        ControlPanelDlg w;
        EXPECT_EQ(w.size(), QSize(320, 560));
        for (IControl* c : w.controls().all())  // else it would never be drawn
            EXPECT_TRUE(w.canvas().controls().contains(c)) << c->name().toStdString();
        w.show();
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
    setConfig({{kSkin, u"no-such-skin"_s}});
    EXPECT_EQ(ControlPanelDlg().skinId(), u"1"_s);
    // Ids and names that lead out of skin/<id>/ (here to a real picture) are not followed.
    setSkinList({m_red,
                 m_blue,
                 {u"../skin/t-red"_s, 0, u"bg.bmp"_s},
                 {u"t-out"_s, 0, u"../t-red/bg.bmp"_s}});
    for (const QString& id : {u"../skin/t-red"_s, u"t-out"_s}) {
        setConfig({{kSkin, id}});
        EXPECT_EQ(ControlPanelDlg().skinId(), u"1"_s) << id.toStdString();
    }
    // A picture that cannot be read keeps the skin (the canvas shows a dark fill).
    setSkinList({m_red, {u"t-broken"_s, 0, u"gone.bmp"_s}});
    setConfig({{kSkin, u"t-broken"_s}});
    EXPECT_EQ(ControlPanelDlg().skinId(), u"t-broken"_s);
}

// The margin is the shadow's; opacity acts only while translucent.
TEST_F(ControlPanelDlgTest, TranslucencyAddsAMarginKeepsTheContentInPlaceAndTheStoredSize) {
    setConfig({{kWndSize, u"400,600"_s}, {kEnTransparent, u"1"_s}, {kTransparent, QString()}});
    {
        ControlPanelDlg w;
        EXPECT_EQ(w.size(), QSize(410, 610));
        EXPECT_EQ(w.minimumSize(), QSize(313, 536));
        EXPECT_EQ(w.canvas().opacity(), 255);  // a missing value means fully opaque
        w.move(95, 115);
        w.show();
        const QMap<IControl*, QRect> rects = rectsOf(w);
        const auto closeOnScreen = [&] {
            return w.mapToGlobal(w.controls().closeButton->rect().topLeft());
        };
        EXPECT_EQ(closeOnScreen(), QPoint(95 + 410 - 33 - 5, 115 + 5));
        w.SetOpacity(90);
        EXPECT_EQ(w.canvas().opacity(), 90);
        w.SetTranslucent(false);
        EXPECT_FALSE(w.canvas().isTranslucent());
        EXPECT_EQ(w.geometry(), QRect(100, 120, 400, 600));
        EXPECT_EQ(config(kEnTransparent), u"0"_s);
        EXPECT_EQ(closeOnScreen(), QPoint(467, 120));  // the content stays where it was
        w.SetOpacity(60);                              // ignored while opaque
        EXPECT_EQ(w.canvas().opacity(), 90);
        w.SetTranslucent(true);
        EXPECT_TRUE(w.isTranslucent() && w.canvas().isTranslucent());
        EXPECT_EQ(w.geometry(), QRect(95, 115, 410, 610));
        EXPECT_EQ(w.canvas().windowSize(), QSize(410, 610));
        EXPECT_EQ(config(kEnTransparent), u"1"_s);
        EXPECT_EQ(rectsOf(w), rects);
    }
    EXPECT_EQ(config(kWndSize), u"400,600"_s);
    setConfig({{kEnTransparent, u"0"_s}, {kTransparent, u"200"_s}});
    EXPECT_EQ(ControlPanelDlg().canvas().opacity(), 200);
    setConfig({{kTransparent, u"abc"_s}});  // damaged: opaque, not 1 of 255
    EXPECT_EQ(ControlPanelDlg().canvas().opacity(), 255);
    // Taller than the screen: the caption buttons stay reachable.
    setConfig({{kWndSize, u"400,5000"_s}});
    ControlPanelDlg tall;
    const QRect area = tall.screen()->availableGeometry();
    EXPECT_GE(tall.y(), area.top());
    EXPECT_EQ(tall.x(), area.center().x() - 200);
}

// The fade's steps are proven in WindowGeometry's tests; here: it runs on the event loop, a press
// while it runs does nothing, and a random skin needs a second skin to choose.
TEST_F(ControlPanelDlgTest, FadeAndRandomSkinRunWithoutBlockingAndLockTheButton) {
    setConfig({{kEnTransparent, u"1"_s}, {kTransparent, u"255"_s}, {kSkin, u"t-red"_s}});
    // One usable skin: the others lead out of their folders.
    setSkinList(
        {m_red, {u".."_s, 0, u"skin/t-blue/bg.bmp"_s}, {u"t-x"_s, 0, u"../t-blue/bg.bmp"_s}});
    ControlPanelDlg w;
    w.show();
    UIButton* button = w.controls().skinButton;
    QSignalSpy done(&w, &ControlPanelDlg::backgroundChanged);
    QElapsedTimer timer;
    timer.start();
    w.ChangeBackground(m_blue, 200);
    EXPECT_LT(timer.elapsed(), 45) << "the fade must not hold the window";
    EXPECT_TRUE(w.isFading());
    ASSERT_TRUE(done.wait(3000));
    EXPECT_EQ(w.canvas().opacity(), 187);
    EXPECT_FALSE(w.isFading());
    // Below the first step the opacity stays, and the picture changes at once.
    w.ChangeBackground(m_red, 10);
    EXPECT_EQ(done.count(), 2);
    EXPECT_FALSE(w.isFading());
    EXPECT_EQ(w.canvas().opacity(), 187);
    EXPECT_GT(bodyPixel(w).red(), 150);

    w.ApplyRandomSkin();  // only one usable skin: nothing to change to
    EXPECT_EQ(done.count(), 2);
    EXPECT_TRUE(button->isEnabled());
    setSkinList({m_red, m_blue});
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

TEST_F(ControlPanelDlgTest, ButtonsSwapTheirPicturesAndTheNextStartReadsTheSettings) {
    setConfig({{kLoop, u"1"_s}, {kMute, u"1"_s}});
    {
        ControlPanelDlg w;
        w.show();
        SkinControls& c = w.controls();
        click(w, c.listxhButton);
        EXPECT_TRUE(w.isLoop());
        EXPECT_EQ(c.listxhButton->GetButtonImg(), 2);
        click(w, c.volumeIco);
        EXPECT_EQ(c.volumeIco->GetButtonImg(), 2);
        // Nothing to play: the play button goes back to its play picture once the click is done.
        click(w, c.playButton);
        QApplication::processEvents();
        EXPECT_EQ(c.playButton->GetButtonImg(), 1);
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
    const QStringList kept = {config(kLoop), config(kMute), config(kVolume), config(kLastPlayFile)};
    EXPECT_EQ(kept, (QStringList{u"2"_s, u"2"_s, u"17"_s, u"<none>"_s}));
    // The next start shows what was kept; a stored text that is no choice means off.
    const auto startsWith = [](bool looping, int volumeImg, int volume) {
        ControlPanelDlg w;
        EXPECT_EQ(w.isLoop(), looping);
        EXPECT_EQ(w.controls().listxhButton->GetButtonImg(), looping ? 2 : 1);
        EXPECT_EQ(w.controls().volumeIco->GetButtonImg(), volumeImg);
        EXPECT_EQ(w.controls().volumeSlider->value(), volume);
    };
    startsWith(true, 2, 17);
    setConfig({{kLoop, u"22"_s}, {kMute, u"x"_s}, {kVolume, u"7x"_s}});
    startsWith(false, 1, 7);
}

TEST_F(ControlPanelDlgTest, StartSettingsDragResizeTitleSoundEffectAndMinimiseWithoutTray) {
    // The store only replaces keys the file holds.
    QFile stored(DataDirectory::path() + u"config.xml"_s);
    ASSERT_TRUE(stored.open(QIODevice::ReadWrite));
    if (!stored.readAll().contains("soundeffect")) stored.write("<soundeffect value=\"0\" />\n");
    stored.close();
    setConfig({{kMute, u"2"_s}, {kVolume, u"20"_s}, {kSoundEffect, u"4"_s}});
    {
        ControlPanelDlg w;
        w.show();
        // Hit-test, resize arithmetic and presses are proven below the window; here the events
        // reach them: the body drags the window, the right edge resizes it.
        w.move(200, 100);
        drag(w, QPoint(150, 120), QPoint(30, 20));
        EXPECT_EQ(w.geometry(), QRect(230, 120, 320, 560));
        drag(w, QPoint(319, 300), QPoint(40, 0));
        EXPECT_EQ(w.geometry(), QRect(230, 120, 360, 560));
        EXPECT_EQ(w.controls().closeButton->x(), 360 - 33);  // the controls follow the new size
        EXPECT_TRUE(w.playback().isMuted());
        EXPECT_FLOAT_EQ(w.playback().volume(), 20.0f / 41.0f);
        EXPECT_EQ(w.playback().soundEffect(), 4);
        EXPECT_EQ(w.controls().positionSlider->value(), 0);  // no filled stretch at 00:00
        // A title wider than the window: the label stays inside, the marquee scrolls it.
        const QString title = QString(u"很长的歌名 "_s).repeated(12);
        w.display().SongStarted(title);
        UILable* name = w.controls().musicNameLable;
        EXPECT_EQ(w.windowTitle(), u"欧沃播放器-"_s + title);
        EXPECT_GE(name->x(), 0);
        EXPECT_LE(name->x() + name->width(), w.width());
        EXPECT_TRUE(w.display().isMarqueeRunning() && w.display().isProgressRunning());
        for (int i = 0; i < 5; ++i) w.display().OnMarqueeTimer();
        EXPECT_EQ(name->scrollOffset(), 5);
        w.display().SongStopped();
        EXPECT_EQ(w.windowTitle(), u"欧沃播放器"_s);
        EXPECT_FALSE(w.display().isMarqueeRunning() || w.display().isProgressRunning());
        EXPECT_EQ(name->text() + w.controls().totalTimeLable->text(), u"00:00"_s);
        // Offscreen there is no tray: minimising keeps the window reachable.
        click(w, w.controls().minButton);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.isMinimized());
        w.playback().SetSoundEffect(2);
    }
    EXPECT_EQ(config(kSoundEffect), u"2"_s);
}

TEST_F(ControlPanelDlgTest, AddButtonOpensTheFileDialogForSeveralFiles) {
    const QString folder = m_dir.path() + u"/music"_s;
    QDir().mkpath(folder);
    for (const char* name : {"a.mp3", "B.MP3", "c.txt"})
        QFile(folder + u'/' + name).open(QIODevice::WriteOnly);
    ControlPanelDlg w;
    w.show();
    const int before = w.controls().musicList->GetListCount();
    QString filter;
    for (bool accept : {false, true}) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            filter = dialog->nameFilters().value(0);
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->setDirectory(folder);
            dialog->selectFile(u"\"a.mp3\" \"B.MP3\""_s);
            QMetaObject::invokeMethod(dialog, accept ? "accept" : "reject");
        });
        click(w, w.controls().addButton);
    }
    EXPECT_TRUE(
        filter.startsWith(u"音乐文件格式 (*.mp1;*.mp2;*.mp3;*.wma;*.flac;*.aac;*.ogg;*.ape)"_s));
    QStringList added;
    for (const tagFileListInfo& e : w.controls().musicList->items().mid(before)) added << e.title;
    EXPECT_EQ(added, (QStringList{u"a"_s, u"B"_s}));
}

}  // namespace
