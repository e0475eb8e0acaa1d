// The settings sheet of the built player: the options button opens it at "关于"; boxes checked
// on the association and player pages and OK leave the autostart entry, the desktop entries and
// the MIME defaults in the private HOME, naming the program's full path. An imported background
// is picked, kept over a restart and deleted.

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Window 320 x 560, opaque: the options button; the sheet as it lays itself out around the
// about page (page area at 174, 35; list from 10, 10; OK at 298, 397, 75 x 23).
const QPoint kOptions(259, 544), kPage(174, 35), kList(10, 10), kOk(335, 408);
const QRect kBand(173, 9, 282, 26);
constexpr QRgb kBlue = 0xff0084ff;

class SettingsE2E : public PlayerE2E {
protected:
    SettingsE2E() { m_tools = {"Xvfb", "xdotool", "import"}; }

    // The sheet from the options button, shot as it opens (m_opened), and its rows' height: the
    // distance of the first two runs of blue at x 4 of the list (the highlighted row's fill with
    // its separator, then the next row's separator lines).
    QString openSheet() {
        EXPECT_TRUE(QTest::qWaitFor(  // the last one has gone
            [&] {
                return xdotool({"search", "--onlyvisible", "--name", "播放器设置"}).isEmpty();
            },
            5000));
        click(kOptions);
        const QString sheet = window("播放器设置");
        m_opened = screenshot("settings-opened", sheet);
        QList<int> ends;
        for (int y = kList.y(); y < kPage.y() + 350 && !m_opened.isNull(); ++y)
            if (m_opened.pixel(kList.x() + 4, y) == kBlue &&
                m_opened.pixel(kList.x() + 4, y + 1) != kBlue)
                ends << y;
        m_rowHeight = ends.size() > 1 ? ends[1] - ends[0] : 0;
        return sheet;
    }
    QPoint row(int i) const { return kList + QPoint(60, i * m_rowHeight + m_rowHeight / 2); }
    QString home() const { return m_env.value("HOME"); }

    QImage m_opened;
    int m_rowHeight = 0;
};

TEST_F(SettingsE2E, PagesWriteTheDesktopFilesAndAnImportedBackgroundIsKeptAndDeleted) {
    QProcess* running = player();
    QString sheet = openSheet();
    const QImage first = m_opened;
    ASSERT_FALSE(sheet.isEmpty()) << "the options button opened no sheet";
    // At "关于": the first row is the highlighted one (the sheet's pixels are its unit test's).
    ASSERT_GT(m_rowHeight, 20);
    EXPECT_EQ(first.pixel(kList.x() + 4, row(0).y()), kBlue);

    // The association page, then the player page.
    click(row(2), sheet);
    for (int box : {0, 4}) click(kPage + QPoint(32, 28 + box * 32 + 11), sheet);  // MP3, OGG
    click(row(3), sheet);
    click(kPage + QPoint(28, 104 + 11), sheet);  // 开机自动开启播放器
    click(kOk, sheet);

    const QString program = QFileInfo(m_program).canonicalFilePath();
    const QString autostart = home() + "/.config/autostart/Orvoplayer.desktop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(autostart); }, 10000));
    EXPECT_TRUE(text(autostart).contains("\nExec=" + program + "\n"))
        << text(autostart).toStdString();
    const QString entries = home() + "/.local/share/applications/Orvoplayer.%1.desktop";
    for (const char* type : {"mp3", "ogg"}) {
        EXPECT_TRUE(text(entries.arg(type)).contains("\nExec=" + program + " %F\n")) << type;
        EXPECT_TRUE(
            text(entries.arg(type)).contains(QFileInfo(program).path() + "/res/" + type + ".ico"));
    }
    EXPECT_FALSE(QFile::exists(entries.arg("wma")));
    EXPECT_TRUE(
        text(home() + "/.config/mimeapps.list").contains("\naudio/mpeg=Orvoplayer.mp3.desktop;\n"));

    // The next opening starts at "关于" again. On the interface page, a picture imported through
    // the file dialog joins the background list, becomes the background when picked and OK is
    // pressed, and still is after a restart; deleted, it is gone from skinlist.xml and skin/.
    sheet = openSheet();
    const QRect page(kPage, QSize(280, 350));
    EXPECT_EQ(m_opened.copy(kBand), first.copy(kBand));
    EXPECT_EQ(m_opened.copy(page), first.copy(page));
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(QColor(30, 170, 70));
    const QString jpeg = m_root.path() + "/green.jpg";
    ASSERT_TRUE(picture.save(jpeg, "JPG", 95));
    // Page layout (page coordinates): list items on a 45 × 40 grid.
    const auto item = [](int i) { return kPage + QPoint(46 + i % 4 * 45, 118 + i / 4 * 40); };
    const auto skins = [&] { return text(m_data + "/skinlist.xml"); };
    const auto isGreen = [](const QImage& shot) {
        const QColor c = shot.pixelColor(150, 120);
        return qAbs(c.red() - 30) + qAbs(c.green() - 170) + qAbs(c.blue() - 70) < 40;
    };
    click(row(1), sheet);                   // 界面设置
    click(kPage + QPoint(220, 51), sheet);  // the import button
    const QString dialog = window("打开");
    ASSERT_FALSE(dialog.isEmpty()) << "no file dialog";
    xdotool({"windowfocus", "--sync", dialog});
    xdotool({"type", "--delay", "10", jpeg});
    xdotool({"key", "Return"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return skins().count("<SKIN") == 5; }, 10000));
    const QString id =
        QRegularExpression("<SKIN id=\"(\\{[0-9A-F-]{36}\\})\"").match(skins()).captured(1);
    ASSERT_FALSE(id.isEmpty()) << skins().toStdString();
    click(item(4), sheet);
    click(kOk, sheet);
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGreen(screenshot("settings-picked")); }, 5000));
    EXPECT_EQ(config("skin"), id);

    ASSERT_TRUE(terminate(running));
    player();
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGreen(screenshot("settings-restarted")); }, 5000));

    // The one in use stays; after picking the first, the imported one can go.
    sheet = openSheet();
    click(row(1), sheet);
    click(item(0), sheet);
    mouse(item(4), {"click", "3"}, sheet);
    const QString question = window("标题");
    ASSERT_FALSE(question.isEmpty()) << "no question before deleting";
    xdotool({"windowfocus", "--sync", question});
    xdotool({"key", "Return"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !skins().contains(id); }, 5000));
    EXPECT_EQ(skins().count("<SKIN"), 4);
    EXPECT_FALSE(QFileInfo::exists(m_data + "/skin/" + id));
    click(kOk, sheet);
}

}  // namespace
