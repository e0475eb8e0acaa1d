#pragma once
// What the end-to-end tests of an installed copy and of the Wayland session share: tone songs,
// what a null output capture holds, a private folder tree, and ending started processes.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace E2eSupport {

// A 6 s file of a sine tone at hz, through ffmpeg (the format follows the name). Empty when
// ffmpeg failed.
QString makeToneSong(const QString& path, int hz);

// The amplitude (0..1) of hz in the last 0.2 s of a 16-bit stereo 44.1 kHz capture, 0 when the
// capture is shorter or missing.
double toneLevel(const QString& capture, int hz);

// Waits (at most ms) until the capture's latest part is dominated by hz.
bool hearsTone(const QString& capture, int hz, int ms = 20000);

// The names of the programs among tools that are not installed.
QStringList missingTools(const QStringList& tools);

// Processes that a test starts, each killed and waited for when the list ends (reverse order, so
// a display server outlives its clients).
class Processes {
public:
    ~Processes();
    QProcess& start(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                    const QString& workingDir = QString());
    // Ends p with SIGTERM and waits; true when it exited by itself in time.
    static bool terminate(QProcess& p, int ms = 15000);

private:
    QList<std::shared_ptr<QProcess>> m_list;
};

// Xvfb on a free display; returns ":N", or an empty string when it did not start.
QString startXvfb(Processes& processes);

}  // namespace E2eSupport
