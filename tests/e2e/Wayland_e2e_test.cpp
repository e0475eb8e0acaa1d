// The built player under a Wayland compositor: weston's headless backend, with its socket in a
// private runtime folder. The window has to come up translucent (seen on weston's own
// screenshots, which go to tests/artifacts/e2e/) and a handed-over file has to play. Skipped
// when weston or Qt's Wayland platform plugin is not installed.

#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLibraryInfo>

#include <cmath>
#include <utility>

namespace {

using namespace E2eSupport;

constexpr char kProgram[] = ORVO_OUT_DIR "/OrvoPlayer";
constexpr char kSocket[] = "orvo-e2e";
constexpr int kWidth = 320, kHeight = 560;
// Height of weston's panel, whose clock changes by itself.
constexpr int kPanel = 40;

QImage belowPanel(const QImage& shot) {
    return shot.copy(0, kPanel, shot.width(), shot.height() - kPanel);
}

// Weston fades its output in from black: two black shots in a row are not the desktop yet.
bool showsPattern(const QImage& shot) {
    const QImage area = belowPanel(shot);
    for (int y = 0; y < area.height(); y += 7)
        for (int x = 0; x < area.width(); x += 7)
            if (area.pixel(x, y) != area.pixel(0, 0)) return true;
    return false;
}

// How much of what lies under the box shows through in shown: the correlation of the
// horizontal pixel steps of both pictures. Fine texture of the desktop seen through a
// translucent window keeps its steps; an opaque window's own picture does not have them.
double seenThrough(const QImage& shown, const QImage& under, const QRect& box) {
    double both = 0, shownOnly = 0, underOnly = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x < box.right(); ++x) {
            const double a = qGray(shown.pixel(x + 1, y)) - qGray(shown.pixel(x, y));
            const double b = qGray(under.pixel(x + 1, y)) - qGray(under.pixel(x, y));
            both += a * b, shownOnly += a * a, underOnly += b * b;
        }
    }
    return shownOnly > 0 && underOnly > 0 ? both / std::sqrt(shownOnly * underOnly) : 0;
}

class WaylandE2E : public ::testing::Test {
protected:
    void SetUp() override {
        const QString plugin =
            QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so";
        if (const QStringList tools = missingTools({"weston", "weston-screenshooter", "ffmpeg"});
            !tools.isEmpty() || !QFile::exists(plugin))
            GTEST_SKIP() << "needs weston, weston-screenshooter, ffmpeg and Qt's Wayland plugin";
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkdir(m_run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        ASSERT_TRUE(QDir().mkpath(m_root.path() + "/data"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove("DISPLAY");  // nothing may fall back to X11
        m_env.insert("XDG_RUNTIME_DIR", m_run);
        m_env.insert("WAYLAND_DISPLAY", kSocket);
        // --debug lets weston-screenshooter read the output; pixman renders into memory.
        m_weston = &m_processes.start(
            "weston",
            {"--backend=headless-backend.so", "--use-pixman", "--no-config", "--debug",
             "--idle-time=0", QStringLiteral("--socket=%1").arg(kSocket), "--width=800",
             "--height=700", "--log=" + m_root.path() + "/weston.log"},
            m_env);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(m_run + '/' + kSocket); }, 20000))
            << "weston did not start";
    }

    // A screenshot of weston's output, also kept as tests/artifacts/e2e/wayland-<name>.png.
    QImage screenshot(const QString& name) {
        const QString dir = m_root.path() + "/shot-" + name;
        QDir().mkpath(dir);
        QProcess shooter;
        shooter.setProcessEnvironment(m_env);
        shooter.setWorkingDirectory(dir);
        shooter.start("weston-screenshooter", {});
        if (!shooter.waitForFinished(20000)) shooter.kill(), shooter.waitForFinished();
        const QStringList shots = QDir(dir).entryList({"*.png"}, QDir::Files);
        if (shots.size() != 1) return {};
        const QString kept = ORVO_BUILD_DIR "/tests/artifacts/e2e/wayland-" + name + ".png";
        QDir().mkpath(QFileInfo(kept).path());
        QFile::remove(kept);
        QFile::copy(dir + '/' + shots[0], kept);
        const QImage shot(dir + '/' + shots[0]);
        QFile::remove(dir + '/' + shots[0]);  // the next one of this name is then alone
        return shot.convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir m_root;
    const QString m_run = m_root.path() + "/run";
    QProcessEnvironment m_env;
    Processes m_processes;
    QProcess* m_weston = nullptr;
};

TEST_F(WaylandE2E, TranslucentWindowComesUpAndAHandedOverFilePlays) {
    const QString song = makeToneSong(m_root.path() + "/tone.flac", 1000);
    ASSERT_FALSE(song.isEmpty());
    QFile delivered(ORVO_SOURCE_DIR "/config.xml"), config(m_root.path() + "/data/config.xml");
    ASSERT_TRUE(delivered.open(QIODevice::ReadOnly) && config.open(QIODevice::WriteOnly));
    // The delivered settings have translucency on at opacity 255; 170 lets the desktop through.
    QByteArray settings = delivered.readAll();
    ASSERT_TRUE(settings.contains("<entransparent value=\"1\" />"));
    settings.replace("<transparent value=\"255\" />", "<transparent value=\"170\" />");
    config.write(settings);
    config.close();
    // The desktop once weston's start-up fade is over, with its pattern below the panel.
    // The fade's last steps change little, so two shots in a row can match while it runs:
    // the desktop has to stay the same over three shots 300 ms apart.
    QImage desktop = screenshot("0-desktop"), previous;
    ASSERT_FALSE(desktop.isNull()) << "no screenshot from weston";
    int alike = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QTest::qWait(300);
            previous = std::exchange(desktop, screenshot("0-desktop"));
            const bool same = showsPattern(desktop) && belowPanel(desktop) == belowPanel(previous);
            alike = same ? alike + 1 : 0;
            return alike >= 2;
        },
        20000));

    QProcessEnvironment env = m_env;
    const QString capture = m_root.path() + "/heard.wav";
    env.insert("QT_QPA_PLATFORM", "wayland");
    // Qt's Wayland plugin leaves libwayland-client's queue and its own display data to the end
    // of the process, where the leak checker of a sanitizer build reports them; the program's own
    // memory is checked by the X11 runs.
    const QString asan = env.value("ASAN_OPTIONS");
    env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ':') + "detect_leaks=0");
    env.insert("ORVO_AUDIO_OUTPUT", "null");
    env.insert("ORVO_AUDIO_CAPTURE", capture);
    env.insert("ORVO_DATA_DIR", m_root.path() + "/data");
    QProcess& player = m_processes.start(kProgram, {song}, env);
    ASSERT_TRUE(hearsTone(capture, 1000));

    // The window: about its area of the output changed, and translucent, part of what lies
    // under it shows through (weston's background is a pattern, so a translucent window's
    // pixels keep varying with it where an opaque one would be flat skin).
    QImage shown;
    QRect window;
    qsizetype changed = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shown = screenshot("1-playing");
            changed = 0;
            window = QRect();
            if (shown.size() != desktop.size()) return false;
            for (int y = kPanel; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    if (shown.pixel(x, y) == desktop.pixel(x, y)) continue;
                    ++changed;
                    window |= QRect(x, y, 1, 1);
                }
            }
            return changed > kWidth * kHeight * 6 / 10;
        },
        15000))
        << changed << " pixels changed";
    EXPECT_LT(changed, kWidth * kHeight * 14 / 10);
    EXPECT_NEAR(window.width(), kWidth, 40);
    const double through = seenThrough(shown, desktop, window.adjusted(10, 10, -10, -10));
    // Measured: about 0.17 at this opacity, 0.00 for the same window opaque.
    EXPECT_GT(through, 0.08);

    EXPECT_TRUE(Processes::terminate(player));
    EXPECT_EQ(m_weston->state(), QProcess::Running);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
