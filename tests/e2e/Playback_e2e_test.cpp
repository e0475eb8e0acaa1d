// The built player on a private X server, driven as a user would: hand-overs, clicks on the
// laid-out buttons, a dropped folder (through the program's drop hook, which delivers a real
// drop event), closing and starting again. What was heard is read from the null output's capture:
// every song has its own tone. Screenshots of each state go to tests/artifacts/e2e/.

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";
// Songs A to D and their tones; 6 s each, long enough for a few clicks on a busy machine.
const QList<int> kTones = {600, 1200, 2400, 4800};

// Window 320 x 560, opaque: centres of the buttons as the window lays them out.
const QPoint kPlay(160, 199), kPrevious(111, 199), kNext(208, 199), kClose(303, 12),
    kLoop(125, 544), kClear(191, 544), kMute(252, 206);

class PlaybackE2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty() ||
            QStandardPaths::findExecutable("ffmpeg").isEmpty())
            GTEST_SKIP() << "needs Xvfb, xdotool and ffmpeg";
        ASSERT_TRUE(QFile::exists(kProgram) && m_root.isValid());
        for (const char* dir : {"data", "run", "music", "music/album", "drop"})
            ASSERT_TRUE(QDir(m_root.path()).mkpath(dir));
        QDir(m_root.path() + "/run").removeRecursively();
        ASSERT_TRUE(QDir().mkdir(m_root.path() + "/run",
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        for (int i = 0; i < kTones.size(); ++i) {
            const QString dir = i < 2 ? "music/album" : i == 2 ? "music" : "drop";
            m_songs << song(dir, QChar('A' + i), kTones[i]);
        }
        writeConfig("0");
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x700x24", "-nolisten", "tcp"});
        m_xvfb.waitForReadyRead(20000);
        bool ok = false;
        const int display = m_xvfb.readAll().trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb did not start";
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("DISPLAY", QStringLiteral(":%1").arg(display));
        m_env.insert("QT_QPA_PLATFORM", "xcb");
        m_env.insert("ORVO_AUDIO_OUTPUT", "null");
        m_env.insert("ORVO_DATA_DIR", m_root.path() + "/data");
        m_env.insert("XDG_RUNTIME_DIR", m_root.path() + "/run");
        m_env.insert("ORVO_TEST_DROP", m_root.path() + "/drop.uris");
    }

    void TearDown() override {
        for (QProcess* p : m_players) p->kill(), p->waitForFinished(10000), delete p;
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }

    QString song(const QString& dir, QChar name, int hz) {
        const QString path = QStringLiteral("%1/%2/%3.flac").arg(m_root.path(), dir, name);
        QProcess ff;
        const QString tone = QStringLiteral("0.5*sin(2*PI*%1*t)").arg(hz);
        ff.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                            QStringLiteral("aevalsrc=%1|%1:s=44100:d=6").arg(tone), "-metadata",
                            QStringLiteral("title=Song %1").arg(name), path});
        EXPECT_TRUE(ff.waitForFinished(30000) && ff.exitCode() == 0);
        return path;
    }

    void writeConfig(const QString& autoplay) {
        QFile config(m_root.path() + "/data/config.xml");
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<?xml version=\"1.0\" ?>\n<skin value=\"1\" />\n"
                                    "<wndsize value=\"320,560\" />\n<loop value=\"1\" />\n"
                                    "<mute value=\"1\" />\n<volume value=\"30\" />\n"
                                    "<lastplayfile value=\"%1\" />\n"
                                    "<entransparent value=\"0\" />\n"
                                    "<transparent value=\"255\" />\n<autoplay value=\"%2\" />\n"
                                    "<soundeffect value=\"3\" />\n")
                         .arg(m_lastPlayed, autoplay)
                         .toUtf8());
    }

    // A player process; a first start returns once its window is mapped.
    QProcess* start(const QStringList& args, const QString& capture = QString()) {
        auto* p = new QProcess;
        QProcessEnvironment env = m_env;
        if (!capture.isEmpty()) env.insert("ORVO_AUDIO_CAPTURE", capture);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(kProgram, args);
        EXPECT_TRUE(p->waitForStarted(10000));
        m_players << p;
        if (!capture.isEmpty()) {
            const QStringList found =
                xdotool({"search", "--sync", "--onlyvisible", "--name", "欧沃播放器"});
            EXPECT_EQ(found.size(), 1);
            m_window = found.value(0);
        }
        return p;
    }

    // Waits for the end of p (which may have come while events were processed).
    static bool ended(QProcess* p) {
        return p->state() == QProcess::NotRunning || p->waitForFinished(15000);
    }

    QStringList xdotool(const QStringList& args) {
        QProcess tool;
        tool.setProcessEnvironment(m_env);
        tool.start("xdotool", args);
        if (!tool.waitForFinished(15000)) tool.kill(), tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    void click(QPoint at) {
        xdotool({"mousemove", "--window", m_window, QString::number(at.x()),
                 QString::number(at.y()), "click", "1"});
        QTest::qWait(300);
    }

    void screenshot(const QString& name) {
        const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/e2e/");
        QDir().mkpath(dir);
        QProcess shot;
        shot.setProcessEnvironment(m_env);
        shot.start("import", {"-window", m_window, dir + name + ".png"});
        shot.waitForFinished(15000);
    }

    // The songs heard so far, in order: each run of 0.1 s blocks dominated by one song's tone
    // ("A" .. "D"), "-" for a run of silence (muted), runs shorter than 0.3 s left out. Blocks
    // already looked at are kept, so polling stays cheap as the capture grows.
    QString heard(const QString& capture) {
        QString& blocks = m_blocks[capture];
        QFile file(capture);
        if (file.open(QIODevice::ReadOnly) && file.seek(44 + qint64(blocks.size()) * kBlock * 4)) {
            const QByteArray bytes = file.readAll();
            const auto* pcm = reinterpret_cast<const qint16*>(bytes.constData());
            for (qsizetype at = 0; (at + kBlock) * 4 <= bytes.size(); at += kBlock) {
                QChar block = '-';
                double best = 0.05;
                for (int s = 0; s < kTones.size(); ++s) {
                    const double w = 2 * std::numbers::pi * kTones[s] / 44100.0;
                    std::complex<double> sum;
                    for (int i = 0; i < kBlock; ++i)
                        sum += pcm[(at + i) * 2] / 32768.0 * std::polar(1.0, w * i);
                    if (2 * std::abs(sum) / kBlock > best)
                        best = 2 * std::abs(sum) / kBlock, block = QChar('A' + s);
                }
                blocks += block;
            }
        }
        QString runs;
        for (qsizetype i = 2; i < blocks.size(); ++i) {
            const bool run = blocks[i] == blocks[i - 1] && blocks[i] == blocks[i - 2];
            if (run && (runs.isEmpty() || runs.back() != blocks[i])) runs += blocks[i];
        }
        return runs;
    }

    // Waits until what was heard ends with tail.
    bool hears(const QString& capture, const QString& tail, int ms = 15000) {
        return QTest::qWaitFor([&] { return heard(capture).endsWith(tail); }, ms);
    }

    // The paths in playlist.xml, joined by "|" (readable when a check fails).
    QString playList() const {
        QFile file(m_root.path() + "/data/playlist.xml");
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList paths;
        static const QRegularExpression path(QStringLiteral("<MU value=\"([^\"]*)\""));
        for (auto m = path.globalMatch(QString::fromUtf8(file.readAll())); m.hasNext();)
            paths << m.next().captured(1);
        return paths.join('|');
    }

    QString config(const QString& key) const {
        QFile file(m_root.path() + "/data/config.xml");
        if (!file.open(QIODevice::ReadOnly)) return "<missing>";
        const QRegularExpression re("<" + key + " value=\"([^\"]*)\"");
        return re.match(QString::fromUtf8(file.readAll())).captured(1);
    }

    QTemporaryDir m_root;
    QProcessEnvironment m_env;
    QProcess m_xvfb;
    QList<QProcess*> m_players;
    QStringList m_songs;
    QString m_window;
    QString m_lastPlayed;
    static constexpr int kBlock = 4410;
    QMap<QString, QString> m_blocks;
};

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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
