// The settings sheet of the built player, opened by the options button: a picture imported
// through the file dialog becomes the background and is kept over a restart. What the pages
// write, and deleting a background, are checked on the pages themselves (tests/settings).

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
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

    QImage m_opened;
    int m_rowHeight = 0;
};

TEST_F(SettingsE2E, AnImportedBackgroundIsPickedAndKeptOverARestart) {
    QProcess* running = player();
    QString sheet = openSheet();
    ASSERT_FALSE(sheet.isEmpty()) << "the options button opened no sheet";
    ASSERT_GT(m_rowHeight, 20);
    EXPECT_EQ(m_opened.pixel(kList.x() + 4, row(0).y()), kBlue);  // at "关于"
    const QImage first = m_opened;
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(QColor(30, 170, 70));
    const QString jpeg = m_root.path() + "/green.jpg";
    ASSERT_TRUE(picture.save(jpeg, "JPG", 95));
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
    click(kPage + QPoint(46, 158), sheet);  // the fifth item of the page's 4-wide grid
    click(kOk, sheet);
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGreen(screenshot("settings-picked")); }, 5000));
    EXPECT_EQ(config("skin"), id);

    // The next opening starts at "关于" again, as the first did.
    const auto closed = [&] {
        return xdotool({"search", "--onlyvisible", "--name", "播放器设置"}).isEmpty();
    };
    ASSERT_TRUE(QTest::qWaitFor(closed, 5000));
    sheet = openSheet();
    click(kOk, sheet);
    for (const QRect& area : {kBand, QRect(kPage, QSize(280, 350))})
        EXPECT_EQ(m_opened.copy(area), first.copy(area));

    ASSERT_TRUE(terminate(running));
    player();
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGreen(screenshot("settings-restarted")); }, 5000));
}

}  // namespace
