#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>

#include <complex>
#include <numbers>
#include <ranges>

const QList<int> PlayerE2E::kTones = {600, 1200, 2400, 4800};

void PlayerE2E::SetUp() {
    for (const QString& tool : m_tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << "needs " << tool.toStdString();
    ASSERT_TRUE(m_root.isValid());
    for (const char* dir : {"data", "home dir", "music/album", "drop"})
        ASSERT_TRUE(QDir(m_root.path()).mkpath(dir));
    ASSERT_TRUE(QDir().mkdir(m_root.path() + "/run",
                             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (m_program.isEmpty()) m_program = ORVO_OUT_DIR "/OrvoPlayer";
    m_server =
        m_root.path() + "/run/BA77185C-A5D5-406c-86FC-0974C8BA9337-" + QString::number(::getuid());
    writeConfig();
    m_env = QProcessEnvironment::systemEnvironment();
    // Nothing of the user's may be reached: no desktop bus unless a test brings its own.
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                             "XDG_CACHE_HOME", "QT_SCALE_FACTOR", "DISPLAY", "WAYLAND_DISPLAY"})
        m_env.remove(name);
    m_env.insert("HOME", m_root.path() + "/home dir");
    m_env.insert("ORVO_AUDIO_OUTPUT", "null");
    m_env.insert("ORVO_DATA_DIR", m_data);
    m_env.insert("XDG_RUNTIME_DIR", m_root.path() + "/run");
    m_env.insert("ORVO_TEST_DROP", m_root.path() + "/drop.uris");
    if (!m_x11) return;
    QProcess* xvfb =
        run("Xvfb", {"-displayfd", "1", "-screen", "0", "800x700x24", "-nolisten", "tcp"});
    xvfb->waitForReadyRead(20000);  // the number comes in one write
    bool ok = false;
    const int display = xvfb->readAllStandardOutput().trimmed().toInt(&ok);
    ASSERT_TRUE(ok) << "Xvfb did not start";
    m_env.insert("DISPLAY", QStringLiteral(":%1").arg(display));
    m_env.insert("QT_QPA_PLATFORM", "xcb");
}

void PlayerE2E::TearDown() {
    // Asked to end first, so a compositor takes its own clients along; killed when it won't.
    for (auto& p : m_processes | std::views::reverse)
        if (!terminate(p.get(), 5000)) p->kill(), p->waitForFinished(10000);
}

QString PlayerE2E::song(const QString& path, int letter, int seconds) {
    QProcess ff;
    const QString tone = QStringLiteral("0.5*sin(2*PI*%1*t)").arg(kTones[letter]);
    ff.start("ffmpeg", {"-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                        QStringLiteral("aevalsrc=%1|%1:s=44100:d=%2").arg(tone).arg(seconds),
                        "-metadata", QStringLiteral("title=Song %1").arg(QChar('A' + letter)),
                        "-metadata", "artist=Orvo Tones", path});
    return ff.waitForFinished(30000) && ff.exitCode() == 0 ? path : QString();
}

void PlayerE2E::makeSongs(int seconds) {
    m_songs.clear();
    for (int i = 0; i < kTones.size(); ++i) {
        const QString dir = i < 2 ? "music/album" : i == 2 ? "music" : "drop";
        m_songs << song(QStringLiteral("%1/%2/%3.flac").arg(m_root.path(), dir, QChar('A' + i)), i,
                        seconds);
        ASSERT_FALSE(m_songs.back().isEmpty());
    }
}

void PlayerE2E::writeConfig(const QMap<QString, QString>& values) {
    QString settings = text(ORVO_SOURCE_DIR "/config.xml");
    QMap<QString, QString> all = values;
    all.insert("entransparent", values.value("entransparent", "0"));
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        settings.replace(QRegularExpression("<" + it.key() + " value=\"[^\"]*\""),
                         "<" + it.key() + " value=\"" + it.value() + "\"");
    QFile file(m_data + "/config.xml");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(settings.toUtf8()) > 0);
}

QProcess* PlayerE2E::run(const QString& program, const QStringList& args, const QString& dir) {
    auto p = std::make_shared<QProcess>();
    p->setProcessEnvironment(m_env);
    p->setWorkingDirectory(dir.isEmpty() ? m_root.path() : dir);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (program == m_program && !m_runAs.isEmpty())
        p->start("setpriv", m_runAs + QStringList{"--", program} + args);
    else
        p->start(program, args);
    EXPECT_TRUE(p->waitForStarted(10000)) << program.toStdString();
    m_processes << p;
    return p.get();
}

QProcess* PlayerE2E::player(const QStringList& args, const QString& dir) {
    m_capture = QStringLiteral("%1/heard-%2.wav").arg(m_data).arg(m_processes.size());
    m_blocks.clear();
    m_env.insert("ORVO_AUDIO_CAPTURE", m_capture);
    QProcess* p = run(m_program, args, dir);
    m_env.remove("ORVO_AUDIO_CAPTURE");
    const auto accepts = [&] {
        QLocalSocket probe;
        probe.connectToServer(m_server);
        return probe.waitForConnected(200);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended(p, 0) || accepts(); }, 30000));
    EXPECT_EQ(p->state(), QProcess::Running);
    if (m_env.value("QT_QPA_PLATFORM") == "xcb") {
        m_window = window("欧沃播放器");
        EXPECT_FALSE(m_window.isEmpty());
    }
    return p;
}

int PlayerE2E::second(const QStringList& args, const QString& dir) {
    QProcess* p = run(m_program, args, dir);
    return ended(p, 30000) && p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
}

bool PlayerE2E::ended(QProcess* p, int ms) {
    return p->state() == QProcess::NotRunning || p->waitForFinished(ms);
}

bool PlayerE2E::terminate(QProcess* p, int ms) {
    if (p->state() != QProcess::NotRunning) p->terminate();
    return ended(p, ms) && p->exitStatus() == QProcess::NormalExit;
}

QStringList PlayerE2E::xdotool(const QStringList& args, int ms) {
    QProcess tool;
    tool.setProcessEnvironment(m_env);
    tool.start("xdotool", args);
    if (!tool.waitForFinished(ms)) tool.kill(), tool.waitForFinished();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QString PlayerE2E::window(const QString& title, int ms) {
    return xdotool({"search", "--sync", "--onlyvisible", "--name", title}, ms).value(0);
}

void PlayerE2E::mouse(QPoint at, const QStringList& then, const QString& window) {
    xdotool(QStringList{"mousemove", "--window", window.isEmpty() ? m_window : window,
                        QString::number(at.x()), QString::number(at.y())} +
            then);
    QTest::qWait(300);  // apart from the next click, which would make a double click
}

QImage PlayerE2E::screenshot(const QString& name, const QString& window) {
    // import shoots one X window; weston-screenshooter the whole output, into its working folder.
    const QString dir = ORVO_BUILD_DIR "/tests/artifacts/e2e/" + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QProcess shot;
    shot.setProcessEnvironment(m_env);
    shot.setWorkingDirectory(dir);
    if (m_x11)
        shot.start("import", {"-window", window.isEmpty() ? m_window : window, dir + "/shot.png"});
    else
        shot.start("weston-screenshooter", {});
    if (!shot.waitForFinished(20000)) shot.kill(), shot.waitForFinished();
    const QStringList shots = QDir(dir).entryList({"*.png"}, QDir::Files);
    return shots.size() == 1 ? QImage(dir + '/' + shots[0]).convertToFormat(QImage::Format_RGB32)
                             : QImage();
}

QString PlayerE2E::heard() {
    // Blocks already looked at are kept, so polling stays cheap as the capture grows.
    constexpr int kBlock = 4410;
    QFile file(m_capture);
    if (file.open(QIODevice::ReadOnly) && file.seek(44 + qint64(m_blocks.size()) * kBlock * 4)) {
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
            m_blocks += block;
        }
    }
    QString runs;
    for (qsizetype i = 2; i < m_blocks.size(); ++i) {
        const bool run = m_blocks[i] == m_blocks[i - 1] && m_blocks[i] == m_blocks[i - 2];
        if (run && (runs.isEmpty() || runs.back() != m_blocks[i])) runs += m_blocks[i];
    }
    return runs;
}

bool PlayerE2E::hears(const QString& tail, int ms) {
    return QTest::qWaitFor([&] { return heard().endsWith(tail); }, ms);
}

bool PlayerE2E::grows(int ms) {
    const qint64 before = QFile(m_capture).size();
    return QTest::qWaitFor([&] { return QFile(m_capture).size() > before + 16384; }, ms);
}

QStringList PlayerE2E::playList() const {
    QStringList paths;
    static const QRegularExpression path(QStringLiteral("<MU value=\"([^\"]*)\""));
    for (auto m = path.globalMatch(text(m_data + "/playlist.xml")); m.hasNext();)
        paths << m.next().captured(1);
    return paths;
}

QString PlayerE2E::config(const QString& key) const {
    const QRegularExpression re("<" + key + " value=\"([^\"]*)\"");
    return re.match(text(m_data + "/config.xml")).captured(1);
}

QString PlayerE2E::text(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
