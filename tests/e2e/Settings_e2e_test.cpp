// The settings sheet of the built player on a private X server: the options button opens it at
// "关于"; boxes checked on the association and player pages and OK leave the autostart entry,
// the desktop entries and the MIME defaults in a temporary HOME, naming the program's full path.
// Screenshots go to tests/artifacts/e2e/.

#include "tests/e2e/PrivateDisplay.h"

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";
// Window 320 x 560, opaque: the options button; the sheet as it lays itself out around the
// about page (page area at 174, 35; list from 10, 10; OK at 298, 397, 75 x 23).
const QPoint kOptions(259, 544), kPage(174, 35), kList(10, 10), kOk(335, 408);
const QRect kBand(173, 9, 282, 26);
constexpr QRgb kBlue = 0xff0084ff;

class SettingsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "import"})
            if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << "needs " << tool;
        ASSERT_TRUE(QFile::exists(kProgram) && m_root.isValid());
        for (const char* dir : {"data", "home dir"}) ASSERT_TRUE(QDir(m_root.path()).mkpath(dir));
        ASSERT_TRUE(QDir().mkdir(m_root.path() + "/run",
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QFile delivered(ORVO_SOURCE_DIR "/config.xml"), config(m_root.path() + "/data/config.xml");
        ASSERT_TRUE(delivered.open(QIODevice::ReadOnly) && config.open(QIODevice::WriteOnly));
        config.write(
            delivered.readAll().replace("entransparent value=\"1\"", "entransparent value=\"0\""));
        config.close();

        m_display = std::make_unique<PrivateDisplay>();
        ASSERT_FALSE(m_display->name().isEmpty()) << "Xvfb did not start";
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("DISPLAY", m_display->name());
        m_env.insert("QT_QPA_PLATFORM", "xcb");
        m_env.insert("ORVO_AUDIO_OUTPUT", "null");
        m_env.insert("ORVO_DATA_DIR", m_root.path() + "/data");
        m_env.insert("XDG_RUNTIME_DIR", m_root.path() + "/run");
        m_env.insert("HOME", home());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "QT_SCALE_FACTOR"})
            m_env.remove(name);
    }

    void TearDown() override {
        if (m_player.state() != QProcess::NotRunning) m_player.kill(), m_player.waitForFinished();
        m_display.reset();
    }

    QString home() const { return m_root.path() + "/home dir"; }

    QStringList xdotool(const QStringList& args) { return m_display->run("xdotool", args, m_env); }

    // The visible window whose whole title is title.
    QString window(const QString& title) {
        return xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}).value(0);
    }

    void click(const QString& window, QPoint at) {
        xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()),
                 "click", "1"});
        QTest::qWait(300);
    }

    QImage screenshot(const QString& window, const QString& name) {
        const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/e2e/");
        QDir().mkpath(dir);
        m_display->run("import", {"-window", window, dir + name + ".png"}, m_env);
        return QImage(dir + name + ".png").convertToFormat(QImage::Format_RGB32);
    }

    // The list's rows as runs of blue at x 4 of the list: the highlighted row's fill with its
    // separator, and each other row's two separator lines. Gives the row tops' spacing (height)
    // and how many rows there are.
    static std::pair<int, int> rows(const QImage& sheet) {
        QList<int> runEnds;
        for (int y = kList.y(); y < kPage.y() + 350; ++y) {
            const bool blue = sheet.pixel(kList.x() + 4, y) == kBlue;
            const bool next = sheet.pixel(kList.x() + 4, y + 1) == kBlue;
            if (blue && !next) runEnds << y + 1 - kList.y();
        }
        const int height = runEnds.size() > 1 ? runEnds[1] - runEnds[0] : 0;
        return {height, int(runEnds.size())};
    }

    static QString text(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir m_root;
    QProcessEnvironment m_env;
    std::unique_ptr<PrivateDisplay> m_display;
    QProcess m_player;
};

TEST_F(SettingsE2E, OptionsButtonOpensAtAboutAndOkWritesTheDesktopFiles) {
    m_player.setProcessEnvironment(m_env);
    m_player.setProcessChannelMode(QProcess::ForwardedChannels);
    m_player.start(kProgram, {});
    ASSERT_TRUE(m_player.waitForStarted(10000));
    const QString main = window("欧沃播放器");
    ASSERT_FALSE(main.isEmpty());

    click(main, kOptions);
    const QString sheet = window("播放器设置");
    ASSERT_FALSE(sheet.isEmpty()) << "the options button opened no sheet";
    const QImage first = screenshot(sheet, "settings-1-about");
    ASSERT_EQ(first.size(), QSize(474, 430));
    // At "关于": the first row is the highlighted one, under the caption band.
    const auto [h, count] = rows(first);
    ASSERT_GE(count, 3);
    ASSERT_GT(h, 20);
    EXPECT_EQ(first.pixel(kList.x() + 4, kList.y() + h / 2), kBlue);
    EXPECT_EQ(first.pixel(kBand.x(), kBand.bottom()), 0xff5c84ffu);

    // The association page (after the interface page when there is one), then the player page.
    const int fileJoin = count >= 4 ? 2 : 1;
    const auto row = [&](int i) { return kList + QPoint(60, i * h + h / 2); };
    click(sheet, row(fileJoin));
    for (int box : {0, 4}) click(sheet, kPage + QPoint(32, 28 + box * 32 + 11));  // MP3, OGG
    const QImage associations = screenshot(sheet, "settings-2-associations");
    EXPECT_NE(associations.copy(kBand), first.copy(kBand));
    click(sheet, row(fileJoin + 1));
    click(sheet, kPage + QPoint(28, 104 + 11));  // 开机自动开启播放器
    screenshot(sheet, "settings-3-player");
    click(sheet, kOk);

    const QString program = QFileInfo(kProgram).canonicalFilePath();
    const QString autostart = home() + "/.config/autostart/Orvoplayer.desktop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(autostart); }, 10000));
    EXPECT_TRUE(text(autostart).contains("\nExec=" + program + "\n"))
        << text(autostart).toStdString();
    for (const char* type : {"mp3", "ogg"}) {
        const QString entry =
            home() + QStringLiteral("/.local/share/applications/Orvoplayer.%1.desktop").arg(type);
        EXPECT_TRUE(text(entry).contains("\nExec=" + program + " %F\n")) << type;
        EXPECT_TRUE(text(entry).contains(QFileInfo(program).path() + "/res/" + type + ".ico"));
    }
    EXPECT_FALSE(QFile::exists(home() + "/.local/share/applications/Orvoplayer.wma.desktop"));
    EXPECT_TRUE(
        text(home() + "/.config/mimeapps.list").contains("\naudio/mpeg=Orvoplayer.mp3.desktop;\n"));

    // The next opening starts at "关于" again.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return xdotool({"search", "--onlyvisible", "--name", "^播放器设置$"}).isEmpty();
        },
        5000));
    click(main, kOptions);
    const QString again = window("播放器设置");
    ASSERT_FALSE(again.isEmpty());
    const QImage second = screenshot(again, "settings-4-reopened");
    EXPECT_EQ(second.copy(kBand), first.copy(kBand));
    EXPECT_EQ(second.copy(QRect(kPage, QSize(280, 350))),
              first.copy(QRect(kPage, QSize(280, 350))));
    xdotool({"key", "--window", again, "Escape"});
}

// The interface page: a picture imported through the file dialog joins the background list,
// becomes the background when picked and OK is pressed, and still is after a restart; deleted,
// it is gone from skinlist.xml and skin/.
TEST_F(SettingsE2E, ImportedBackgroundIsPickedKeptAndDeleted) {
    const QColor green(30, 170, 70);
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(green);
    const QString jpeg = m_root.path() + "/green.jpg";
    ASSERT_TRUE(picture.save(jpeg, "JPG", 95));
    // Page layout (page coordinates): the import button, and list items on a 45 × 40 grid.
    const QPoint importButton = kPage + QPoint(220, 51);
    const auto item = [](int i) { return kPage + QPoint(46 + i % 4 * 45, 118 + i / 4 * 40); };
    const auto skins = [&] { return text(m_root.path() + "/data/skinlist.xml"); };
    const auto isGreen = [&](const QImage& shot) {
        const QColor c = shot.pixelColor(150, 120);
        return qAbs(c.red() - green.red()) + qAbs(c.green() - green.green()) +
                   qAbs(c.blue() - green.blue()) <
               40;
    };
    const auto openPage = [&](const QString& main) {
        click(main, kOptions);
        const QString sheet = window("播放器设置");
        const int h = rows(screenshot(sheet, "settings-5-about")).first;
        click(sheet, kList + QPoint(60, h + h / 2));  // 界面设置
        return sheet;
    };
    const auto startPlayer = [&] {
        m_player.setProcessEnvironment(m_env);
        m_player.setProcessChannelMode(QProcess::ForwardedChannels);
        m_player.start(kProgram, {});
        EXPECT_TRUE(m_player.waitForStarted(10000));
        return window("欧沃播放器");
    };

    QString main = startPlayer();
    ASSERT_FALSE(main.isEmpty());
    QString sheet = openPage(main);
    click(sheet, importButton);
    const QString dialog = window("打开");
    ASSERT_FALSE(dialog.isEmpty()) << "no file dialog";
    xdotool({"windowfocus", "--sync", dialog});
    xdotool({"type", "--delay", "10", jpeg});
    xdotool({"key", "Return"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return skins().count("<SKIN") == 5; }, 10000));
    const QString id =
        QRegularExpression("<SKIN id=\"(\\{[0-9A-F-]{36}\\})\"").match(skins()).captured(1);
    ASSERT_FALSE(id.isEmpty()) << skins().toStdString();
    screenshot(sheet, "settings-6-imported");
    click(sheet, item(4));
    click(sheet, kOk);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return isGreen(screenshot(main, "settings-7-picked")); }, 5000));
    EXPECT_TRUE(text(m_root.path() + "/data/config.xml").contains("<skin value=\"" + id + "\""));

    m_player.terminate();
    ASSERT_TRUE(m_player.waitForFinished(10000));
    main = startPlayer();
    QTest::qWait(500);
    EXPECT_TRUE(isGreen(screenshot(main, "settings-8-restarted")));

    // The one in use stays; after picking the first, the imported one can go.
    sheet = openPage(main);
    click(sheet, item(0));
    xdotool({"mousemove", "--window", sheet, QString::number(item(4).x()),
             QString::number(item(4).y()), "click", "3"});
    const QString question = window("标题");
    ASSERT_FALSE(question.isEmpty()) << "no question before deleting";
    xdotool({"windowfocus", "--sync", question});
    xdotool({"key", "Return"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !skins().contains(id); }, 5000));
    EXPECT_EQ(skins().count("<SKIN"), 4);
    EXPECT_FALSE(QFileInfo::exists(m_root.path() + "/data/skin/" + id));
    click(sheet, kOk);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
