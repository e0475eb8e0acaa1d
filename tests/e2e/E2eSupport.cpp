#include "E2eSupport.h"

#include <QtCore/qtestsupport_core.h>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <ranges>

namespace E2eSupport {

QString makeToneSong(const QString& path, int hz) {
    QProcess ff;
    const QString tone = QStringLiteral("0.5*sin(2*PI*%1*t)").arg(hz);
    ff.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        QStringLiteral("aevalsrc=%1|%1:s=44100:d=6").arg(tone), path});
    return ff.waitForFinished(30000) && ff.exitCode() == 0 ? path : QString();
}

double toneLevel(const QString& capture, int hz) {
    constexpr qint64 kHeader = 44, kFrames = 8820, kFrameBytes = 4;
    QFile file(capture);
    const qint64 frames = (file.size() - kHeader) / kFrameBytes;
    if (frames < kFrames || !file.open(QIODevice::ReadOnly) ||
        !file.seek(kHeader + (frames - kFrames) * kFrameBytes))
        return 0;
    const QByteArray bytes = file.read(kFrames * kFrameBytes);
    if (bytes.size() != kFrames * kFrameBytes) return 0;
    const auto* pcm = reinterpret_cast<const qint16*>(bytes.constData());
    const double w = 2 * std::numbers::pi * hz / 44100.0;
    std::complex<double> sum;
    for (qint64 i = 0; i < kFrames; ++i) sum += pcm[i * 2] / 32768.0 * std::polar(1.0, w * i);
    return 2 * std::abs(sum) / kFrames;
}

bool hearsTone(const QString& capture, int hz, int ms) {
    return QTest::qWaitFor([&] { return toneLevel(capture, hz) > 0.05; }, ms);
}

QStringList missingTools(const QStringList& tools) {
    QStringList missing;
    std::ranges::copy_if(tools, std::back_inserter(missing), [](const QString& tool) {
        return QStandardPaths::findExecutable(tool).isEmpty();
    });
    return missing;
}

Processes::~Processes() {
    // Asked to end first, so a compositor takes its helper clients along; killed when it won't.
    for (auto& p : m_list | std::views::reverse) {
        if (!terminate(*p, 5000)) p->kill();
        p->waitForFinished(10000);
    }
}

QProcess& Processes::start(const QString& program, const QStringList& args,
                           const QProcessEnvironment& env, const QString& workingDir) {
    auto p = std::make_shared<QProcess>();
    p->setProcessEnvironment(env);
    if (!workingDir.isEmpty()) p->setWorkingDirectory(workingDir);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, args);
    p->waitForStarted(10000);
    m_list << p;
    return *p;
}

bool Processes::terminate(QProcess& p, int ms) {
    if (p.state() == QProcess::NotRunning) return p.exitStatus() == QProcess::NormalExit;
    p.terminate();
    return p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit;
}

QString startXvfb(Processes& processes) {
    QProcess& xvfb = processes.start(
        "Xvfb", {"-displayfd", "1", "-screen", "0", "800x700x24", "-nolisten", "tcp"},
        QProcessEnvironment::systemEnvironment());
    xvfb.waitForReadyRead(20000);  // the number comes in one write
    bool ok = false;
    const int display = xvfb.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? QStringLiteral(":%1").arg(display) : QString();
}

}  // namespace E2eSupport
