#pragma once
// A private X server for an end-to-end run: Xvfb picks a free display and writes its number once
// it takes connections. The server ends with the object, so end the programs on it first.

#include <QProcess>
#include <QString>
#include <QStringList>

class PrivateDisplay {
public:
    explicit PrivateDisplay(const QString& screen = QStringLiteral("800x700x24")) {
        m_xvfb.setStandardErrorFile(QProcess::nullDevice());
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
        m_xvfb.waitForReadyRead(20000);  // the number comes in one write
        bool ok = false;
        const int number = m_xvfb.readAll().trimmed().toInt(&ok);
        if (ok) m_name = QStringLiteral(":%1").arg(number);
    }
    ~PrivateDisplay() {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000)) m_xvfb.kill(), m_xvfb.waitForFinished(5000);
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N", or empty when the server did not start.
    QString name() const { return m_name; }

    // Runs a tool (xdotool, import) on this display with env; its output lines. A tool that
    // hangs is killed after 15 s.
    QStringList run(const QString& tool, const QStringList& args,
                    QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) const {
        QProcess process;
        env.insert("DISPLAY", m_name);
        process.setProcessEnvironment(env);
        process.start(tool, args);
        if (!process.waitForFinished(15000)) process.kill(), process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QProcess m_xvfb;
    QString m_name;
};
