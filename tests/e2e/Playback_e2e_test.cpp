// The built player on a private X server, driven as a user would: hand-overs, clicks on the
// laid-out buttons, a dropped folder (through the program's drop hook, which delivers a real
// drop event), closing and starting again. What was heard is read from the null output's capture:
// every song has its own tone. Screenshots of each state go to tests/artifacts/e2e/.

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QFile>
#include <QUrl>

namespace {

// Window 320 x 560, opaque: centres of the buttons as the window lays them out.
const QPoint kPlay(160, 199), kPrevious(111, 199), kNext(208, 199), kClose(303, 12),
    kLoop(125, 544), kClear(191, 544), kMute(252, 206);

using PlaybackE2E = PlayerE2E;

TEST_F(PlaybackE2E, HandOverButtonsDropClearCloseAndResume) {
    const QString capture = m_root.path() + "/first.wav";
    QProcess* player = start({}, capture);
    // A folder handed over: its two songs are appended in name order and the first plays.
    QProcess* second = start({m_root.path() + "/music/album"});
    ASSERT_TRUE(ended(second));
    EXPECT_EQ(playList(), m_songs.mid(0, 2).join('|'));
    ASSERT_TRUE(hears(capture, "A"));
    screenshot("1-playing-A");
    // A single file handed over while A plays: appended at the end, and it plays.
    ASSERT_TRUE(ended(start({m_songs[2]})));
    EXPECT_EQ(playList(), m_songs.mid(0, 3).join('|'));
    ASSERT_TRUE(hears(capture, "AC"));

    click(kPrevious);
    ASSERT_TRUE(hears(capture, "ACB"));
    click(kNext);
    ASSERT_TRUE(hears(capture, "ACBC"));
    click(kNext);  // the last song: next wraps to the first
    ASSERT_TRUE(hears(capture, "ACBCA"));
    click(kMute);
    ASSERT_TRUE(hears(capture, "ACBCA-"));
    screenshot("2-muted");
    click(kMute);
    ASSERT_TRUE(hears(capture, "ACBCA-A"));
    // Play while playing stops: nothing more is heard. Play again starts the song anew.
    QTest::qWait(1200);
    screenshot("2-playing-progress");
    click(kPlay);
    QTest::qWait(500);
    const qint64 size = QFile(capture).size();
    QTest::qWait(1000);
    EXPECT_LE(QFile(capture).size(), size + 16384);
    screenshot("3-stopped");
    click(kPlay);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile(capture).size() > size + 44100; }, 5000));
    EXPECT_TRUE(heard(capture).endsWith("ACBCA-A"));
    // List loop on: after the last song the first follows by itself.
    click(kLoop);
    click(kNext);
    click(kNext);
    ASSERT_TRUE(hears(capture, "CAB", 30000)) << heard(capture).toStdString();

    // A dropped folder joins the list.
    QFile drop(m_root.path() + "/drop.uris");
    ASSERT_TRUE(drop.open(QIODevice::WriteOnly));
    drop.write(QUrl::fromLocalFile(m_root.path() + "/drop").toEncoded() + "\r\n");
    drop.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playList() == m_songs.join('|'); }, 10000));
    // A double click on the fourth row (rows of 20 pixels from y 223) plays it.
    xdotool({"mousemove", "--window", m_window, "60", "293", "click", "--repeat", "2", "--delay",
             "80", "1"});
    ASSERT_TRUE(hears(capture, "D")) << heard(capture).toStdString();
    screenshot("4-dropped");

    // Closing writes the settings.
    ASSERT_EQ(player->state(), QProcess::Running);
    click(kClose);
    ASSERT_TRUE(ended(player));
    const QStringList kept = {config("wndsize"), config("loop"), config("mute"), config("volume"),
                              config("soundeffect")};
    EXPECT_EQ(kept, (QStringList{"320,560", "2", "1", "30", "3"}));
    m_lastPlayed = config("lastplayfile");
    ASSERT_TRUE(m_songs.contains(m_lastPlayed));

    // With autoplay the next start resumes the last song; clearing silences it.
    QFile(m_root.path() + "/data/config.xml").remove();
    writeConfig("1");
    const QString resumed = m_root.path() + "/second.wav";
    player = start({}, resumed);
    const QString last = QString(QChar(char16_t('A' + m_songs.indexOf(m_lastPlayed))));
    ASSERT_TRUE(hears(resumed, last));
    screenshot("5-resumed");
    click(kClear);
    EXPECT_TRUE(QTest::qWaitFor([&] { return playList().isEmpty(); }, 5000));
    const qint64 cleared = QFile(resumed).size();
    QTest::qWait(1000);
    EXPECT_LE(QFile(resumed).size(), cleared + 16384);
    screenshot("6-cleared");
    click(kClose);
    ASSERT_TRUE(ended(player));
    EXPECT_EQ(config("lastplayfile"), QString());
}

}  // namespace
