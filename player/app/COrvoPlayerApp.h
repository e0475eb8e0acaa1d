#pragma once
// The application object: start-up, the single-instance decision and the hand-over.
// A first start owns the per-user lock, shows the main window and listens on the local socket;
// a later start sends all its command-line files, in order and in one message, to the running
// instance and exits 0, or non-zero with a message on stderr when the running instance did not
// take them. The first start opens its own command-line files the same way.
// Threads: the UI thread only.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class MprisHost;
class SingleInstanceLock;
class SingleInstanceServer;
class QWidget;

class COrvoPlayerApp : public QApplication {
    Q_OBJECT
public:
    // The oldest Linux kernel major version the player runs on.
    static constexpr int kMinKernelMajor = 3;

    // taken: the instance lock when handOverToRunningInstance() took it.
    COrvoPlayerApp(int& argc, char** argv, std::unique_ptr<SingleInstanceLock> taken = nullptr);
    // Exit: releases the instance lock last, after the window and the socket are gone.
    ~COrvoPlayerApp() override;

    // Runs start-up and, for the first instance, the event loop; returns the exit code.
    int start();

    // Called with a QCoreApplication, before this object exists: when another instance runs,
    // hands this start's files to it and gives the exit code, without the GUI (the display
    // connection and the platform plugin are most of the time a file manager's "open with"
    // would wait). Otherwise nothing; a lock it could take is left in `taken` for this object.
    static std::optional<int> handOverToRunningInstance(std::unique_ptr<SingleInstanceLock>& taken);

    // The files and folders named on the command line, absolute, in order.
    QStringList commandLineFiles() const { return m_commandLineFiles; }

    // Every non-option argument after the program name ("--" ends the options), in order, made
    // absolute against workingDirectory.
    static QStringList parseCommandLineFiles(const QStringList& arguments,
                                             const QString& workingDirectory);
    // False only for a kernel version whose major number is known and below kMinKernelMajor.
    static bool isKernelVersionSupported(const QString& kernelVersion);

    // Per-user places of the lock and the socket: the user's runtime folder.
    static QString instanceLockPath();
    static QString instanceServerName();

    // The main window. It carries the instance key property and an invokable
    // OpenHandedOverFiles(QStringList). The one place that names the main window's class.
    static QWidget* createMainWindow();
    // The main window on the desktop bus (media keys, the sound menu); it must go before the
    // window. Null for any other widget.
    static std::unique_ptr<MprisHost> createDesktopControl(QWidget* window);

    // The receiving side of a hand-over: the paths (none for a start without a file) go to the
    // window's OpenHandedOverFiles, which brings the window forward and adds them in order.
    // False when the window cannot take them.
    static bool deliverHandedOverPaths(QWidget* window, const QStringList& paths);

private:
    int runFirstInstance(bool listen);
    static int handOver(const QStringList& files);

    QStringList m_commandLineFiles;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
};
