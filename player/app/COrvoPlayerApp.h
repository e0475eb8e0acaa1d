#pragma once
// The application object: start-up, the single-instance decision and the hand-over.
// A first start owns the per-user lock, shows the main window and listens on the local socket;
// a later start sends its command-line file to the running instance and exits 0, or non-zero
// with a message on stderr when the running instance did not take it.
// Threads: the UI thread only.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <memory>

class SingleInstanceLock;
class SingleInstanceServer;
class QWidget;

class COrvoPlayerApp : public QApplication {
    Q_OBJECT
public:
    // The oldest Linux kernel major version the player runs on.
    static constexpr int kMinKernelMajor = 3;

    COrvoPlayerApp(int& argc, char** argv);
    // Exit: releases the instance lock last, after the window and the socket are gone.
    ~COrvoPlayerApp() override;

    // Runs start-up and, for the first instance, the event loop; returns the exit code.
    int start();

    // The file named on the command line, absolute; empty when none was given.
    QString commandLineFile() const { return m_commandLineFile; }

    // The first non-option argument after the program name ("--" ends the options), made
    // absolute against workingDirectory. Empty when there is none.
    static QString parseCommandLineFile(const QStringList& arguments,
                                        const QString& workingDirectory);
    // False only for a kernel version whose major number is known and below kMinKernelMajor.
    static bool isKernelVersionSupported(const QString& kernelVersion);

    // Per-user places of the lock and the socket: the user's runtime folder.
    static QString instanceLockPath();
    static QString instanceServerName();

    // The main window. It carries the instance key property and an invokable
    // OpenHandedOverFile(QString). The one place that names the main window's class.
    static QWidget* createMainWindow();

    // The receiving side of a hand-over: the path (empty for a start without a file) goes to the
    // window's OpenHandedOverFile, which brings the window forward and adds a non-empty path.
    // False when the window cannot take it.
    static bool deliverHandedOverPath(QWidget* window, const QString& path);

private:
    int runFirstInstance(bool listen);
    int handOver();

    QString m_commandLineFile;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
};
