#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";

}  // namespace

const QList<int> PlayerE2E::kTones = {600, 1200, 2400, 4800};

void PlayerE2E::SetUp() {
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
    // No desktop bus unless a test brings its own: the player must not reach the user's.
    m_env.remove("DBUS_SESSION_BUS_ADDRESS");
    m_env.insert("DISPLAY", QStringLiteral(":%1").arg(display));
    m_env.insert("QT_QPA_PLATFORM", "xcb");
    m_env.insert("ORVO_AUDIO_OUTPUT", "null");
    m_env.insert("ORVO_DATA_DIR", m_root.path() + "/data");
    m_env.insert("XDG_RUNTIME_DIR", m_root.path() + "/run");
    m_env.insert("ORVO_TEST_DROP", m_root.path() + "/drop.uris");
}

void PlayerE2E::TearDown() {
    for (QProcess* p : m_players) p->kill(), p->waitForFinished(10000), delete p;
    m_xvfb.terminate();
    m_xvfb.waitForFinished(5000);
}

QString PlayerE2E::song(const QString& dir, QChar name, int hz) {
    const QString path = QStringLiteral("%1/%2/%3.flac").arg(m_root.path(), dir, name);
    QProcess ff;
    const QString tone = QStringLiteral("0.5*sin(2*PI*%1*t)").arg(hz);
    // -y: a test may make a song of its own where the fixture already made one.
    QStringList args = {
        "-nostdin",  "-y",
        "-loglevel", "error",
        "-f",        "lavfi",
        "-i",        QStringLiteral("aevalsrc=%1|%1:s=44100:d=%2").arg(tone).arg(m_songSeconds)};
    args << "-metadata" << QStringLiteral("title=Song %1").arg(name);
    if (!m_songArtist.isEmpty())
        args << "-metadata"
             << "artist=" + m_songArtist;
    ff.start("ffmpeg", args << path);
    EXPECT_TRUE(ff.waitForFinished(30000) && ff.exitCode() == 0);
    return path;
}

void PlayerE2E::writeConfig(const QString& autoplay) {
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

QProcess* PlayerE2E::start(const QStringList& args, const QString& capture) {
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

bool PlayerE2E::ended(QProcess* p) {
    return p->state() == QProcess::NotRunning || p->waitForFinished(15000);
}

QStringList PlayerE2E::xdotool(const QStringList& args) {
    QProcess tool;
    tool.setProcessEnvironment(m_env);
    tool.start("xdotool", args);
    if (!tool.waitForFinished(15000)) tool.kill(), tool.waitForFinished();
    return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

void PlayerE2E::click(QPoint at) {
    xdotool({"mousemove", "--window", m_window, QString::number(at.x()), QString::number(at.y()),
             "click", "1"});
    QTest::qWait(300);
}

void PlayerE2E::screenshot(const QString& name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/e2e/");
    QDir().mkpath(dir);
    QProcess shot;
    shot.setProcessEnvironment(m_env);
    shot.start("import", {"-window", m_window, dir + name + ".png"});
    shot.waitForFinished(15000);
}

QString PlayerE2E::heard(const QString& capture) {
    // Blocks already looked at are kept, so polling stays cheap as the capture grows.
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

bool PlayerE2E::hears(const QString& capture, const QString& tail, int ms) {
    return QTest::qWaitFor([&] { return heard(capture).endsWith(tail); }, ms);
}

QString PlayerE2E::playList() const {
    QFile file(m_root.path() + "/data/playlist.xml");
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList paths;
    static const QRegularExpression path(QStringLiteral("<MU value=\"([^\"]*)\""));
    for (auto m = path.globalMatch(QString::fromUtf8(file.readAll())); m.hasNext();)
        paths << m.next().captured(1);
    return paths.join('|');
}

QString PlayerE2E::config(const QString& key) const {
    QFile file(m_root.path() + "/data/config.xml");
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    const QRegularExpression re("<" + key + " value=\"([^\"]*)\"");
    return re.match(QString::fromUtf8(file.readAll())).captured(1);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
