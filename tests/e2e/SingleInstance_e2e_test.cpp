// Runs the built player as real processes on a private X server (offscreen when Xvfb is
// missing): a first start, later starts handing files over, a hidden window brought back, a
// killed instance, and hostile bytes on the instance socket. Looks only at the data folder, exit
// codes, the socket and the X windows, not at the main window's widgets.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>
#include <functional>
#include <memory>

namespace {

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";
constexpr char kInstanceKey[] = "BA77185C-A5D5-406c-86FC-0974C8BA9337";

bool waitUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return pred();
}

bool accepts(const QString& socketPath) {
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    return probe.waitForConnected(200);
}

class SingleInstanceE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(QString::fromUtf8(kProgram)) && m_root.isValid());
        for (const QString& dir : {m_dataDir, m_runDir, m_musicDir}) ASSERT_TRUE(QDir().mkdir(dir));
        QFile::setPermissions(m_runDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(QFile::copy(ORVO_SOURCE_DIR "/config.xml", m_dataDir + "/config.xml"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("DISPLAY"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) startDisplay();
        m_env.insert(QStringLiteral("ORVO_AUDIO_OUTPUT"), QStringLiteral("null"));
        m_env.insert(QStringLiteral("ORVO_DATA_DIR"), m_dataDir);
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runDir);
    }

    void TearDown() override {
        for (auto& process : m_processes) {
            process->kill();  // nothing happens to one that has ended
            process->waitForFinished(10000);
        }
        m_xvfb.terminate();  // after the players, so none dies of a lost display
        if (!m_xvfb.waitForFinished(5000)) m_xvfb.kill(), m_xvfb.waitForFinished(5000);
    }

    // Xvfb picks a free display and writes its number once it takes connections.
    void startDisplay() {
        m_xvfb.setStandardErrorFile(QProcess::nullDevice());
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        waitUntil([&] { return m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning; },
                  20000);
        bool ok = false;
        const int display = m_xvfb.readLine().trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb did not start";
        ASSERT_TRUE(waitUntil(
            [&] { return accepts(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)); }, 10000));
        m_env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }

    // xdotool's output lines, or an empty list when it failed or timed out (it is killed then).
    QStringList xdotool(const QStringList& args, int ms = 10000) {
        QProcess tool;
        tool.setProcessEnvironment(m_env);
        tool.start(QStringLiteral("xdotool"), args);
        if (!tool.waitForFinished(ms)) tool.kill(), tool.waitForFinished(5000);
        if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) return {};
        return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QString serverName() const {
        return m_runDir + QStringLiteral("/%1-%2").arg(QLatin1String(kInstanceKey)).arg(::getuid());
    }

    QProcess* launch(const QStringList& args, const QString& workingDir = QString()) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QString::fromUtf8(kProgram));
        process->setArguments(args);
        process->setProcessEnvironment(m_env);
        process->setWorkingDirectory(workingDir.isEmpty() ? m_root.path() : workingDir);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start();
        EXPECT_TRUE(process->waitForStarted(10000));
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    // A first start, returned once its socket answers.
    QProcess* launchFirst() {
        QProcess* first = launch({});
        EXPECT_TRUE(waitUntil(
            [&] { return first->state() == QProcess::NotRunning || accepts(serverName()); },
            30000));
        EXPECT_EQ(first->state(), QProcess::Running);
        return first;
    }

    // A later start; its exit code.
    int secondStart(const QStringList& args, const QString& workingDir = QString()) {
        QProcess* second = launch(args, workingDir);
        if (!second->waitForFinished(30000)) return -1;
        return second->exitStatus() == QProcess::NormalExit ? second->exitCode() : -2;
    }

    QStringList playListPaths() const {
        QFile file(m_dataDir + QStringLiteral("/playlist.xml"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QByteArray content = file.readAll();
        // The file is a declaration and a sequence of top-level elements: wrap them.
        if (content.startsWith("<?")) content.remove(0, content.indexOf("?>") + 2);
        QXmlStreamReader reader("<list>" + content + "</list>");
        QStringList paths;
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("list")) continue;
            paths.append(reader.attributes().value(QLatin1String("value")).toString());
            reader.skipCurrentElement();
        }
        EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
        return paths;
    }

    QString musicFile(const QString& name) const {
        QFile file(m_musicDir + QLatin1Char('/') + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }

    QTemporaryDir m_root;
    const QString m_dataDir = m_root.path() + "/data";
    const QString m_runDir = m_root.path() + "/run";
    const QString m_musicDir = m_root.path() + "/music";
    QProcessEnvironment m_env;
    QProcess m_xvfb;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(SingleInstanceE2E, LaterStartsHandTheirFileOverAndEnd) {
    QProcess* first = launchFirst();
    const QString song = musicFile(QStringLiteral("歌 一.mp3"));
    // A relative name arrives absolute: the running player has another working folder.
    EXPECT_EQ(secondStart({QStringLiteral("歌 一.mp3")}, m_musicDir), 0);
    // The answer comes after the file was taken, so it is already saved.
    EXPECT_EQ(playListPaths(), QStringList{song});
    // Without a file the player only comes forward: no empty entry.
    EXPECT_EQ(secondStart({}), 0);
    const QString other = musicFile(QStringLiteral("two.flac"));
    EXPECT_EQ(secondStart({other}), 0);
    EXPECT_EQ(playListPaths(), (QStringList{song, other}));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceE2E, AHiddenWindowComesBackWhenAFileIsHandedOver) {
    if (!m_env.contains(QStringLiteral("DISPLAY")) ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "needs Xvfb and xdotool";
    }
    QProcess* first = launchFirst();
    // --sync waits until the window is mapped; the title is the player's name.
    const QStringList mapped =
        xdotool({"search", "--sync", "--onlyvisible", "--name", "欧沃播放器"});
    ASSERT_EQ(mapped.size(), 1) << "no single mapped window: " << mapped.join(' ').toStdString();
    EXPECT_EQ(xdotool({"getwindowname", mapped[0]}).join('|').toStdString(), "欧沃播放器");
    // Another client unmaps it behind the player's back: Qt still thinks it is shown.
    xdotool({"windowunmap", "--sync", mapped[0]}, 5000);
    ASSERT_TRUE(xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty());
    const QString song = musicFile(QStringLiteral("back.mp3"));
    EXPECT_EQ(secondStart({song}), 0);
    EXPECT_EQ(playListPaths(), QStringList{song});
    const QStringList back =
        xdotool({"search", "--sync", "--onlyvisible", "--name", "欧沃播放器"}, 5000);
    EXPECT_EQ(back.join('|').toStdString(), mapped[0].toStdString())
        << "the hand-over did not map the window again";
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceE2E, AKilledInstanceDoesNotBlockTheNextStartATerminatedOneEndsCleanly) {
    QProcess* first = launchFirst();
    first->kill();
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(serverName()));  // its lock and socket files stay behind

    QProcess* next = launchFirst();
    const QString song = musicFile(QStringLiteral("revived.mp3"));
    EXPECT_EQ(secondStart({song}), 0);
    EXPECT_EQ(playListPaths(), QStringList{song});
    next->terminate();  // SIGTERM, as when the session ends
    ASSERT_TRUE(next->waitForFinished(10000));
    EXPECT_EQ(next->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(serverName()));
    EXPECT_FALSE(QFile::exists(serverName() + QStringLiteral(".lock")));
}

TEST_F(SingleInstanceE2E, HostileBytesOnTheSocketDoNotHurtTheRunningPlayer) {
    QProcess* first = launchFirst();
    std::vector<std::unique_ptr<QLocalSocket>> peers;
    auto peer = [&](const QByteArray& bytes) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(serverName());
        EXPECT_TRUE(socket->waitForConnected(3000));
        socket->write(bytes);
        socket->waitForBytesWritten(1000);
        peers.push_back(std::move(socket));
    };
    peer(QByteArray("\x13\x37garbage\xff\xfe\x00 not a message at all", 32));
    peer(QByteArray("\xff\xff\xff\xff", 4));       // 4 GiB announced
    peer(QByteArray("\x00\x00\x00\x05hello", 9));  // odd byte count
    // Announces 40 bytes, sends 4.
    const QByteArray half("\x00\x00\x00\x28/\x00h\x00", 8);
    peer(half);  // then silence
    for (int i = 0; i < 100; ++i) peer(QByteArray());
    // A huge message really sent: the player must refuse it, not store it.
    peer(QByteArray("\x00\x01\x38\x80", 4) + QByteArray(80000, 'x'));

    const QString song = musicFile(QStringLiteral("still-works.mp3"));
    EXPECT_EQ(secondStart({song}), 0);
    EXPECT_EQ(playListPaths(), QStringList{song});
    EXPECT_EQ(first->state(), QProcess::Running);
    for (auto& socket : peers) socket->abort();
    // Nothing of the hostile traffic ended up in the list, and the player still answers.
    const QString last = musicFile(QStringLiteral("last.mp3"));
    EXPECT_EQ(secondStart({last}), 0);
    EXPECT_EQ(playListPaths(), (QStringList{song, last}));
    EXPECT_EQ(first->state(), QProcess::Running);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
