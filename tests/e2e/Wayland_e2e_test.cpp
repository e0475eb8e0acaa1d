// The built player under weston's headless backend (its socket in the private runtime folder):
// the window comes up translucent on weston's own screenshots and a file given to it plays.
// Skipped when weston or Qt's Wayland platform plugin is not installed.

#include "PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <cmath>
#include <utility>

namespace {

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

// How much of what lies under the box shows through: the correlation of the horizontal pixel
// steps of both pictures, which the desktop's texture keeps through a translucent window only.
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

class WaylandE2E : public PlayerE2E {
protected:
    WaylandE2E() { m_tools = {"weston", "weston-screenshooter", "ffmpeg"}, m_x11 = false; }
};

TEST_F(WaylandE2E, TranslucentWindowComesUpAndAHandedOverFilePlays) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       "/platforms/libqwayland-generic.so"))
        GTEST_SKIP() << "needs Qt's Wayland plugin";
    // --debug lets weston-screenshooter read the output; pixman renders into memory.
    m_env.insert("WAYLAND_DISPLAY", "orvo-e2e");
    QProcess* weston =
        run("weston", {"--backend=headless-backend.so", "--use-pixman", "--no-config", "--debug",
                       "--idle-time=0", "--socket=orvo-e2e", "--width=800", "--height=700",
                       "--log=" + m_root.path() + "/weston.log"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFile::exists(m_env.value("XDG_RUNTIME_DIR") + "/orvo-e2e"); }, 20000))
        << "weston did not start";
    const QString song = this->song(m_root.path() + "/tone.flac", 0);
    ASSERT_FALSE(song.isEmpty());
    // Translucency on at 170 lets the desktop through.
    writeConfig({{"entransparent", "1"}, {"transparent", "170"}});
    // The desktop once weston's start-up fade is over: its last steps change little, so the
    // pattern has to stay the same over three shots 300 ms apart.
    QImage desktop = screenshot("wayland-0-desktop"), previous;
    ASSERT_FALSE(desktop.isNull()) << "no screenshot from weston";
    int alike = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QTest::qWait(300);
            previous = std::exchange(desktop, screenshot("wayland-0-desktop"));
            const bool same = showsPattern(desktop) && belowPanel(desktop) == belowPanel(previous);
            alike = same ? alike + 1 : 0;
            return alike >= 2;
        },
        20000));

    m_env.insert("QT_QPA_PLATFORM", "wayland");
    // Qt's Wayland plugin leaves its display data to the end of the process, where a sanitizer
    // build's leak checker reports them; the program's own memory is checked by the X11 runs.
    const QString asan = m_env.value("ASAN_OPTIONS");
    m_env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ':') + "detect_leaks=0");
    QProcess* player = this->player({song});
    ASSERT_TRUE(hears("A"));

    // The window: about its area of the output changed, and part of what lies under it shows
    // through.
    QImage shown;
    QRect window;
    qsizetype changed = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shown = screenshot("wayland-1-playing");
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
    // Measured: about 0.17 at this opacity, 0.00 for the same window opaque.
    EXPECT_GT(seenThrough(shown, desktop, window.adjusted(10, 10, -10, -10)), 0.08);
    EXPECT_TRUE(terminate(player));
    EXPECT_EQ(weston->state(), QProcess::Running);
}

}  // namespace
