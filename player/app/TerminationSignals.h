#pragma once
// Turns SIGTERM and SIGINT into an orderly quit of the event loop, so that a player ended by the
// session or from a terminal still destroys its main window (which saves the settings) and
// releases its instance lock and socket instead of leaving them to the next start.
// Threads: construct on the UI thread; the signal handler only writes one byte to a socket.

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; the previous ones come back on destruction.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_installed; }

signals:
    void terminationRequested(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
