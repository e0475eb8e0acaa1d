// Editing the play list in the built player with the mouse and keys: a selection removed with
// Delete, a row dragged, the list's menu. Checked against playlist.xml, the window title (the
// song shown as playing) and the null output's capture (the song heard, and whether it goes on).

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

// Rows of 20 pixels from y 223 in the opaque 320 x 560 window.
QPoint row(int i) { return QPoint(60, 233 + 20 * i); }

class PlayListEditE2E : public PlayerE2E {
protected:
    PlayListEditE2E() { m_songSeconds = 40; }
    void SetUp() override {
        PlayerE2E::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The folder a menu opens goes to a stand-in for the desktop's opener.
        const QString bin = m_root.path() + "/bin";
        QDir().mkpath(bin);
        QFile opener(bin + "/xdg-open");
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\necho \"$1\" >> \"" + m_opened.toUtf8() + "\"\n");
        opener.close();
        opener.setPermissions(opener.permissions() | QFile::ExeOwner);
        m_env.insert("PATH", bin + ':' + m_env.value("PATH"));
    }
    QString shown() { return xdotool({"getwindowname", m_window}).value(0); }
    bool listIs(const QString& letters) {
        QStringList paths;
        for (QChar c : letters) paths << m_songs[c.unicode() - 'A'];
        return QTest::qWaitFor([&] { return playList() == paths.join('|'); }, 5000);
    }
    // Whether the capture grows by a second's worth within three seconds.
    bool stillPlaying(const QString& capture) {
        const qint64 size = QFile(capture).size();
        return QTest::qWaitFor([&] { return QFile(capture).size() > size + 44100 * 4; }, 3000);
    }
    // The mouse to a point of the window, then what follows (xdotool's commands).
    void mouse(QPoint at, const QStringList& then = {}) {
        xdotool(QStringList{"mousemove", "--window", m_window, QString::number(at.x()),
                            QString::number(at.y())} +
                then);
        QTest::qWait(300);
    }

    const QString m_opened = m_root.path() + "/opened.txt";
};

TEST_F(PlayListEditE2E, SelectDeleteDragAndTheMenuKeepOrStopThePlayingSong) {
    const QString capture = m_root.path() + "/edit.wav";
    start({}, capture);
    ASSERT_TRUE(ended(start(m_songs)));
    ASSERT_TRUE(listIs("ABCD"));
    ASSERT_TRUE(hears(capture, "A"));
    xdotool({"windowfocus", "--sync", m_window});
    mouse(row(2), {"click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_TRUE(hears(capture, "AC")) << heard(capture).toStdString();

    // A, then D with Ctrl: both selected, C marked as playing, B under the mouse.
    mouse(row(0), {"click", "1"});
    mouse(row(3), {"keydown", "ctrl", "click", "1", "keyup", "ctrl"});
    mouse(row(1));
    screenshot("edit-1-selected");
    xdotool({"key", "Delete"});
    ASSERT_TRUE(listIs("BC"));
    EXPECT_EQ(shown(), "欧沃播放器-Song C");
    EXPECT_TRUE(stillPlaying(capture));

    // B dragged below C.
    mouse(row(0), {"mousedown", "1"});
    for (int y : {240, 250, 262}) mouse(QPoint(62, y));
    screenshot("edit-2-dragging");
    xdotool({"mouseup", "1"});
    ASSERT_TRUE(listIs("CB"));
    EXPECT_EQ(shown(), "欧沃播放器-Song C");
    EXPECT_TRUE(stillPlaying(capture));
    EXPECT_TRUE(heard(capture).endsWith("AC")) << heard(capture).toStdString();

    // The menu on B opens its folder; on C it removes the playing song, which stops.
    mouse(row(1),
          {"click", "3", "sleep", "0.5", "key", "--delay", "100", "Down", "Down", "Return"});
    const QByteArray folder = QUrl::fromLocalFile(m_root.path() + "/music/album").toEncoded();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QFile opened(m_opened);
            return opened.open(QIODevice::ReadOnly) && opened.readAll().trimmed() == folder;
        },
        5000));
    mouse(row(0), {"click", "3", "sleep", "0.5", "key", "--delay", "100", "Down", "Return"});
    ASSERT_TRUE(listIs("B"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == "欧沃播放器"; }, 3000));
    EXPECT_FALSE(stillPlaying(capture));
    screenshot("edit-3-removed-playing");
}

}  // namespace
