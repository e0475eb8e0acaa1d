// Runs the built player as real processes on a private X server (offscreen when Xvfb is
// missing), looking only at the data folder, exit codes, the socket and the X windows.

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <memory>

namespace {

bool accepts(const QString& socketPath) {
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    return probe.waitForConnected(200);
}

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";
constexpr char kInstanceKey[] = "BA77185C-A5D5-406c-86FC-0974C8BA9337";

class SingleInstanceE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(kProgram) && m_root.isValid());
        for (const QString& dir : {m_dataDir, m_runDir, m_musicDir})
            ASSERT_TRUE(QDir().mkdir(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        ASSERT_TRUE(QFile::copy(ORVO_SOURCE_DIR "/config.xml", m_dataDir + "/config.xml"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("QT_QPA_PLATFORM", "offscreen");
        m_env.insert("ORVO_AUDIO_OUTPUT", "null");
        m_env.insert("ORVO_DATA_DIR", m_dataDir);
        m_env.insert("XDG_RUNTIME_DIR", m_runDir);
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) return;
        // Xvfb picks a free display and writes its number once it takes connections.
        m_xvfb.setStandardErrorFile(QProcess::nullDevice());
        m_xvfb.start("Xvfb",
                     {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        m_xvfb.waitForReadyRead(20000);  // the number comes in one write
        bool ok = false;
        const int display = m_xvfb.readAll().trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb did not start";
        m_env.insert("DISPLAY", QStringLiteral(":%1").arg(display));
        m_env.insert("QT_QPA_PLATFORM", "xcb");
    }

    void TearDown() override {
        for (auto& process : m_processes) process->kill(), process->waitForFinished(10000);
        m_xvfb.terminate();  // after the players, so none dies of a lost display
        if (!m_xvfb.waitForFinished(5000)) m_xvfb.kill(), m_xvfb.waitForFinished(5000);
    }

    // xdotool's output lines, or an empty list when it failed or timed out (it is killed then).
    QStringList xdotool(const QStringList& args, int ms = 10000) {
        QProcess tool;
        tool.setProcessEnvironment(m_env);
        tool.start("xdotool", args);
        if (!tool.waitForFinished(ms)) tool.kill(), tool.waitForFinished(5000);
        if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) return {};
        return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QProcess* launch(const QStringList& args, const QString& workingDir = QString()) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_env);
        process->setWorkingDirectory(workingDir.isEmpty() ? m_root.path() : workingDir);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // As another user when asked: setpriv runs the program with that user's ids.
        if (m_asUser.isEmpty()) {
            process->start(kProgram, args);
        } else {
            process->start("setpriv", m_asUser + QStringList{"--", kProgram} + args);
        }
        EXPECT_TRUE(process->waitForStarted(10000));
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    // A first start, returned once its socket answers.
    QProcess* launchFirst(const QStringList& args = {}) {
        QProcess* first = launch(args);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return first->state() == QProcess::NotRunning || accepts(m_server); }, 30000));
        EXPECT_EQ(first->state(), QProcess::Running);
        return first;
    }

    int secondStart(const QStringList& args, const QString& workingDir = QString()) {
        QProcess* second = launch(args, workingDir);
        if (!second->waitForFinished(30000)) return -1;
        return second->exitStatus() == QProcess::NormalExit ? second->exitCode() : -2;
    }

    QStringList playListPaths() const {
        QFile file(m_dataDir + "/playlist.xml");
        if (!file.open(QIODevice::ReadOnly)) return {};
        // A declaration, then a sequence of top-level elements: wrap the elements.
        const QByteArray content = file.readAll();
        QXmlStreamReader reader("<list>" + content.mid(content.indexOf("?>") + 2) + "</list>");
        QStringList paths;
        reader.readNextStartElement();
        while (reader.readNextStartElement()) {
            paths.append(reader.attributes().value("value").toString());
            reader.skipCurrentElement();
        }
        EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
        return paths;
    }

    QString musicFile(const QString& name) const {
        QFile file(m_musicDir + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }

    QTemporaryDir m_root;
    const QString m_dataDir = m_root.path() + "/data";
    const QString m_runDir = m_root.path() + "/run";
    const QString m_musicDir = m_root.path() + "/music";
    QString m_server = m_runDir + QStringLiteral("/%1-%2").arg(kInstanceKey).arg(::getuid());
    QProcessEnvironment m_env;
    QStringList m_asUser;  // setpriv's options; empty: as ourselves
    QProcess m_xvfb;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(SingleInstanceE2E, AHiddenWindowComesBackWhenAFileIsHandedOver) {
    if (m_xvfb.state() != QProcess::Running || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    launchFirst();
    // --sync waits until the window, titled with the player's name, is mapped.
    const QStringList find = {"search", "--sync", "--onlyvisible", "--name", "欧沃播放器"};
    const QStringList mapped = xdotool(find);
    ASSERT_EQ(mapped.size(), 1) << "no single mapped window: " << mapped.join(' ').toStdString();
    // Another client unmaps it behind the player's back: Qt still thinks it is shown.
    xdotool({"windowunmap", "--sync", mapped[0]}, 5000);
    ASSERT_TRUE(xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty());
    EXPECT_EQ(secondStart({musicFile("back.mp3")}), 0);
    EXPECT_EQ(xdotool(find, 5000).join('|').toStdString(), mapped[0].toStdString())
        << "the hand-over did not map the window again";
}

// After a killed instance, the next serves later starts despite bad bytes (each kind is refused in
// the unit tests) and idle connections beyond its limit, and a SIGTERM ends it cleanly.
TEST_F(SingleInstanceE2E, LaterStartsHandOverToAnInstanceThatReplacedAKilledOneAndEndsCleanly) {
    QProcess* killed = launchFirst();
    killed->kill();
    ASSERT_TRUE(killed->waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(m_server));
    // Its own command line's files join the list as handed-over ones do.
    const QString own = musicFile("own.ogg");
    QProcess* first = launchFirst({own});
    const QString song = musicFile("歌 一.mp3");
    // A relative name arrives absolute: the running player has another working folder.
    EXPECT_EQ(secondStart({"歌 一.mp3"}, m_musicDir), 0);
    // The answer comes after the file was taken, so it is already saved.
    EXPECT_EQ(playListPaths(), (QStringList{own, song}));
    EXPECT_EQ(secondStart({}), 0);  // only comes forward: no empty entry
    QList<QByteArray> hostile = {
        QByteArray("\x13\x37garbage\xff\xfe\x00 not a message at all", 32),
        QByteArray("\x00\x00\x00\x28/\x00h\x00", 8),                  // 40 announced, 4 sent
        QByteArray("\x00\x01\x38\x80", 4) + QByteArray(80000, 'x')};  // too long, really sent
    hostile.resize(hostile.size() + 100);
    std::vector<std::unique_ptr<QLocalSocket>> peers;
    for (const QByteArray& bytes : hostile) {
        peers.push_back(std::make_unique<QLocalSocket>());
        peers.back()->connectToServer(m_server);
        EXPECT_TRUE(peers.back()->waitForConnected(3000));
        peers.back()->write(bytes);
        peers.back()->waitForBytesWritten(1000);
    }
    const QString other = musicFile("two.flac");
    const QString last = musicFile("a last.mp3");  // sorts before the other: order is kept
    EXPECT_EQ(secondStart({other, last}), 0);
    EXPECT_EQ(playListPaths(), (QStringList{own, song, other, last}));
    first->terminate();  // as when the session ends
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(m_server));
    EXPECT_FALSE(QFile::exists(m_server + ".lock"));
}

// A hand-over that nobody takes (the lock is held, nobody answers) is not a silent success.
TEST_F(SingleInstanceE2E, AHandOverThatFailsIsReportedAndExitsNonZero) {
    QLockFile lock(m_server + ".lock");  // we are the "running instance" that never listens
    ASSERT_TRUE(lock.tryLock(0));
    QProcess second;
    second.setProcessEnvironment(m_env);
    second.start(kProgram, {musicFile("lost.mp3")});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("nothing was handed over"));
}

// Without XDG_RUNTIME_DIR the lock and socket would go to the shared temp folder, where another
// user (root here) may take the names first: the user's own cache folder serves instead.
TEST_F(SingleInstanceE2E, AnotherUsersFoldersInTheTempFolderDoNotSwitchHandOverOff) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to run the player as nobody";
    constexpr uid_t kNobody = 65534;
    // The cache folder's path is short: a socket's path has a length limit.
    const QString tmp = m_root.path() + "/tmp", home = m_root.path() + "/home",
                  cache = m_root.path() + "/c";
    ASSERT_TRUE(QDir().mkdir(tmp) && QDir().mkdir(home) && QDir().mkdir(cache));
    ASSERT_EQ(::chmod(QFile::encodeName(tmp).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_root.path()).constData(), 0711), 0);
    for (const QString& taken :
         {QStringLiteral("runtime-nobody"), QStringLiteral("orvoplayer-%1").arg(kNobody)})
        ASSERT_TRUE(QDir().mkdir(tmp + "/" + taken, QFile::ReadOwner | QFile::ExeOwner));
    for (const QString& ours : {home, cache, m_dataDir, m_dataDir + "/config.xml", m_musicDir})
        ASSERT_EQ(::chown(QFile::encodeName(ours).constData(), kNobody, kNobody), 0);
    m_env.remove("XDG_RUNTIME_DIR");
    m_env.insert("TMPDIR", tmp);
    m_env.insert("HOME", home);
    m_env.insert("XDG_CACHE_HOME", cache);
    m_env.insert("QT_QPA_PLATFORM", "offscreen");  // the X server is root's
    m_asUser = {"--reuid=65534", "--regid=65534", "--clear-groups"};
    m_server = QStringLiteral("%1/orvoplayer-%2/%3-%2").arg(cache).arg(kNobody).arg(kInstanceKey);
    launchFirst();
    const QString song = musicFile("mine.mp3");
    EXPECT_EQ(secondStart({song}), 0);
    EXPECT_EQ(playListPaths(), QStringList{song});
}

// Data files that are not regular files (a FIFO config, a play list and a skin picture linked to
// devices) must neither block nor fill the memory: the window still shows within seconds, and
// the start clears what it can.
TEST_F(SingleInstanceE2E, TheWindowShowsDespiteDataFilesThatAreNotRegularFiles) {
    QFile::remove(m_dataDir + "/config.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dataDir + "/config.xml").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", m_dataDir + "/playlist.xml"));
    ASSERT_TRUE(QDir().mkpath(m_dataDir + "/skin/1"));
    ASSERT_TRUE(QFile::link("/dev/urandom", m_dataDir + "/skin/1/1.bmp"));
    QFile skins(m_dataDir + "/skinlist.xml");
    ASSERT_TRUE(skins.open(QIODevice::WriteOnly));
    skins.write("<SKIN id=\"1\" fname=\"1.bmp\" maskcolor=\"0\" />\n");
    skins.close();
    // And the temporary of a save that a kill cut short, which the start removes.
    QFile stale(m_dataDir + "/.playlist.xml.orvo-save-Stale1");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("<MU value=\"/cut") > 0);
    ASSERT_TRUE(stale.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                  QFileDevice::FileModificationTime));
    stale.close();

    QElapsedTimer clock;
    clock.start();
    QProcess* player = launch({});
    // The socket listens once the window is built.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return player->state() == QProcess::NotRunning || accepts(m_server); }, 8000));
    ASSERT_EQ(player->state(), QProcess::Running);
    if (m_xvfb.state() == QProcess::Running &&
        !QStandardPaths::findExecutable("xdotool").isEmpty()) {
        const int left = qMax(1000, 8000 - int(clock.elapsed()));
        EXPECT_EQ(
            xdotool({"search", "--sync", "--onlyvisible", "--name", "欧沃播放器"}, left).size(), 1);
    }
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_FALSE(stale.exists());
    // Both were moved aside; the config was seeded with the delivered defaults.
    EXPECT_TRUE(QFileInfo(m_dataDir + "/config.xml").isFile());
    for (const char* name : {"/config.xml.bad", "/playlist.xml.bad"})
        EXPECT_TRUE(QFileInfo::exists(m_dataDir + name)) << name;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
