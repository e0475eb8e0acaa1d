// The player driven as a user would: hand-overs, the window's buttons, a dropped folder (through
// the program's drop hook, which delivers a real drop event), closing and starting again, list
// edits. Every song has its own tone in the capture; what the buttons and edits mean is
// checked in tests/core and tests/controls, here that the window wires them.

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

// Window 320 x 560, opaque: centres of the buttons as the window lays them out.
const QPoint kPlay(160, 199), kPrevious(111, 199), kNext(208, 199), kClose(303, 12),
    kLoop(125, 544), kClear(191, 544), kMute(252, 206);
// The list's rows: 20 pixels from y 223.
QPoint row(int i) { return QPoint(60, 233 + 20 * i); }

using PlaybackE2E = PlayerE2E;

TEST_F(PlaybackE2E, HandOverButtonsDropClearCloseAndResume) {
    makeSongs(6);
    writeConfig({{"soundeffect", "3"}});
    QProcess* first = player();
    // A folder handed over: its two songs are appended in name order and the first plays.
    ASSERT_EQ(second({m_root.path() + "/music/album"}), 0);
    EXPECT_EQ(playList(), m_songs.mid(0, 2));
    ASSERT_TRUE(hears("A"));
    screenshot("1-playing-A");
    // A single file handed over while A plays: appended at the end, and it plays.
    ASSERT_EQ(second({m_songs[2]}), 0);
    EXPECT_EQ(playList(), m_songs.mid(0, 3));
    ASSERT_TRUE(hears("AC"));
    // Previous, next, next past the last song (wraps to the first), mute and unmute.
    const std::pair<QPoint, QString> steps[] = {{kPrevious, "ACB"},
                                                {kNext, "ACBC"},
                                                {kNext, "ACBCA"},
                                                {kMute, "ACBCA-"},
                                                {kMute, "ACBCA-A"}};
    for (const auto& [button, tail] : steps) {
        click(button);
        ASSERT_TRUE(hears(tail)) << tail.toStdString() << " " << heard().toStdString();
    }
    // Play while playing stops: nothing more is heard. Play again starts the song anew.
    click(kPlay);
    EXPECT_FALSE(grows());
    click(kPlay);
    EXPECT_TRUE(grows(5000));
    EXPECT_TRUE(hears("ACBCA-A"));
    // List loop on: after the last song the first follows by itself.
    click(kLoop);
    click(kNext);
    click(kNext);
    ASSERT_TRUE(hears("CAB", 30000)) << heard().toStdString();

    // A dropped folder joins the list; a double click on its row plays it.
    QFile drop(m_root.path() + "/drop.uris");
    ASSERT_TRUE(drop.open(QIODevice::WriteOnly) &&
                drop.write(QUrl::fromLocalFile(m_root.path() + "/drop").toEncoded() + "\r\n") > 0);
    drop.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playList() == m_songs; }, 10000));
    mouse(row(3), {"click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_TRUE(hears("D")) << heard().toStdString();

    // Closing writes the settings.
    click(kClose);
    ASSERT_TRUE(ended(first));
    const QStringList kept = {config("wndsize"), config("loop"), config("mute"), config("volume"),
                              config("soundeffect")};
    EXPECT_EQ(kept, (QStringList{"320,560", "2", "1", "30", "3"}));
    const QString last = config("lastplayfile");
    ASSERT_TRUE(m_songs.contains(last));

    // With autoplay the next start resumes the last song; clearing silences it.
    writeConfig({{"autoplay", "1"}, {"lastplayfile", last}});
    first = player();
    ASSERT_TRUE(hears(QString(QChar(char16_t('A' + m_songs.indexOf(last))))));
    click(kClear);
    EXPECT_TRUE(QTest::qWaitFor([&] { return playList().isEmpty(); }, 5000));
    EXPECT_FALSE(grows());
    click(kClose);
    ASSERT_TRUE(ended(first));
    EXPECT_EQ(config("lastplayfile"), QString());
}

// Editing the list with the mouse and keys: a selection removed with Delete, a row dragged, the
// list's menu; checked against playlist.xml, the window title and the capture.
TEST_F(PlaybackE2E, SelectDeleteDragAndTheMenuKeepOrStopThePlayingSong) {
    makeSongs(40);
    const auto shown = [&] { return xdotool({"getwindowname", m_window}).value(0); };
    const auto listIs = [&](const QString& letters) {
        QStringList paths;
        for (QChar c : letters) paths << m_songs[c.unicode() - 'A'];
        return QTest::qWaitFor([&] { return playList() == paths; }, 5000);
    };
    // The folder a menu opens goes to a stand-in for the desktop's opener.
    const QString bin = m_root.path() + "/bin", opened = m_root.path() + "/opened.txt";
    QDir().mkpath(bin);
    QFile opener(bin + "/xdg-open");
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly) &&
                opener.write("#!/bin/sh\necho \"$1\" >> \"" + opened.toUtf8() + "\"\n") > 0 &&
                opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    opener.close();
    m_env.insert("PATH", bin + ':' + m_env.value("PATH"));
    player();
    ASSERT_EQ(second(m_songs), 0);
    ASSERT_TRUE(listIs("ABCD"));
    ASSERT_TRUE(hears("A"));
    xdotool({"windowfocus", "--sync", m_window});
    mouse(row(2), {"click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_TRUE(hears("AC")) << heard().toStdString();

    // A, then D with Ctrl: both selected, C marked as playing, B under the mouse.
    mouse(row(0), {"click", "1"});
    mouse(row(3), {"keydown", "ctrl", "click", "1", "keyup", "ctrl"});
    mouse(row(1));
    xdotool({"key", "Delete"});
    ASSERT_TRUE(listIs("BC"));
    // B dragged below C: through both edits C stayed marked and went on playing.
    mouse(row(0), {"mousedown", "1"});
    for (int y : {240, 250, 262}) mouse(QPoint(62, y));
    xdotool({"mouseup", "1"});
    ASSERT_TRUE(listIs("CB"));
    EXPECT_EQ(shown(), "欧沃播放器-Song C");
    EXPECT_TRUE(grows(3000));
    EXPECT_TRUE(heard().endsWith("AC")) << heard().toStdString();

    // The menu on B opens its folder; on C it removes the playing song, which stops.
    mouse(row(1),
          {"click", "3", "sleep", "0.5", "key", "--delay", "100", "Down", "Down", "Return"});
    const QString folder = QUrl::fromLocalFile(m_root.path() + "/music/album").toString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return text(opened).trimmed() == folder; }, 5000));
    mouse(row(0), {"click", "3", "sleep", "0.5", "key", "--delay", "100", "Down", "Return"});
    ASSERT_TRUE(listIs("B"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == "欧沃播放器"; }, 3000));
    EXPECT_FALSE(grows(2000));
}

}  // namespace
