#include "COrvoPlayerApp.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QSysInfo>
#include <QVersionNumber>
#include <QWidget>

#include <unistd.h>

#include "AtomicFile.h"
#include "DataDirectory.h"
#include "InstanceKey.h"
#include "SingleInstanceAccess.h"
#include "SingleInstanceClient.h"
#include "SingleInstanceLock.h"
#include "SingleInstanceServer.h"
#include "TerminationSignals.h"
#include "desktop/MprisWindowHost.h"
#include "mainwindow/ControlPanelDlg.h"

namespace {

constexpr char kHandOverMethod[] = "OpenHandedOverFiles";

// Where the lock and the socket live. Qt's runtime folder is the user's own; without one (no
// XDG_RUNTIME_DIR, or Qt's fallback under /tmp taken by someone else) a private folder of ours
// under the temp folder, and when another user has taken that name there first, one in the
// user's own cache or data folder, where nobody else can. When none is ours there is no safe
// place: empty. Asked once: without XDG_RUNTIME_DIR Qt warns on every call.
QString runtimeDirectory() {
    static const QString dir = [] {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (SingleInstanceAccess::isPrivateFolder(runtime)) {
            return runtime;
        }
        const QString name = QStringLiteral("orvoplayer-%1").arg(::getuid());
        QString folder = SingleInstanceAccess::privateFolder(QDir::tempPath(), name);
        for (const auto location :
             {QStandardPaths::GenericCacheLocation, QStandardPaths::GenericDataLocation}) {
            if (!folder.isEmpty()) {
                break;
            }
            folder = SingleInstanceAccess::privateFolderInOwnFolder(
                QStandardPaths::writableLocation(location), name);
        }
        return folder;
    }();
    return dir;
}

// The user id is part of the names too, so users never meet even should they share a folder.
QString instanceBaseName() {
    return QStringLiteral("%1-%2").arg(QLatin1String(OrvoInstance::kInstanceKey)).arg(::getuid());
}

}  // namespace

// The application name stays Qt's default, the executable's name: the instance lock records it
// and tells a live owner from a reused process id by comparing it with the owner's executable.
COrvoPlayerApp::COrvoPlayerApp(int& argc, char** argv, std::unique_ptr<SingleInstanceLock> taken)
    : QApplication(argc, argv), m_instanceLock(std::move(taken)) {
    // The installed desktop entry's name: a Wayland compositor takes it as the window's
    // application id, and shows the entry's name and icon for the window.
    setDesktopFileName(QStringLiteral("orvoplayer"));
}

COrvoPlayerApp::~COrvoPlayerApp() { m_instanceLock.reset(); }

int COrvoPlayerApp::start() {
    m_commandLineFiles = parseCommandLineFiles(arguments(), QDir::currentPath());

    if (!isKernelVersionSupported(QSysInfo::kernelVersion())) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"),
                        QStringLiteral("您所使用操作系统版本过低"), QMessageBox::Ok);
        box.exec();
        return 1;
    }

    if (runtimeDirectory().isEmpty()) {
        // A lock or socket in a folder others control could keep the player from starting or
        // hand files to someone else; a player without hand-over is the lesser loss.
        qWarning("OrvoPlayer: no private folder for the instance lock; running without hand-over");
        return runFirstInstance(false);
    }
    if (m_instanceLock && m_instanceLock->isHeld()) {
        return runFirstInstance(true);  // taken before the GUI came up
    }
    m_instanceLock = std::make_unique<SingleInstanceLock>(instanceLockPath());
    switch (m_instanceLock->tryAcquire()) {
        case SingleInstanceLock::Outcome::Acquired:
            return runFirstInstance(true);
        case SingleInstanceLock::Outcome::HeldByOther:
            return handOver(m_commandLineFiles);
        case SingleInstanceLock::Outcome::Failed:
            // Without a lock we cannot know whether another instance runs; still give the
            // user a player, but leave any socket alone (it may belong to a live instance).
            qWarning("OrvoPlayer: cannot create the instance lock %s; running without hand-over",
                     qPrintable(m_instanceLock->path()));
            return runFirstInstance(false);
    }
    return 1;
}

int COrvoPlayerApp::runFirstInstance(bool listen) {
    if (!DataDirectory::prepare()) {
        qWarning("OrvoPlayer: the data folder %s is not usable", qPrintable(DataDirectory::path()));
    }
    if (listen) {
        // Temporaries of saves that a kill cut short. Holding the instance lock, no other
        // instance can be saving: what is older than the lock is a leftover.
        AtomicFile::removeStaleTemporaries(DataDirectory::path(),
                                           QFileInfo(m_instanceLock->path()).lastModified());
    }
    std::unique_ptr<QWidget> window(createMainWindow());
    std::unique_ptr<MprisHost> desktop = createDesktopControl(window.get());
    SingleInstanceServer server;
    QWidget* target = window.get();
    connect(
        &server, &SingleInstanceServer::pathsReceived, target,
        [target](const QStringList& paths) {
            if (!deliverHandedOverPaths(target, paths)) {
                qWarning("OrvoPlayer: the main window did not take handed over files");
            }
        },
        Qt::DirectConnection);
    if (listen && !server.listen(instanceServerName())) {
        qWarning("OrvoPlayer: cannot listen on %s: %s", qPrintable(instanceServerName()),
                 qPrintable(server.errorString()));
    }
    TerminationSignals terminationSignals;
    connect(&terminationSignals, &TerminationSignals::terminationRequested, this,
            &QCoreApplication::quit);
    window->show();
    // Our own command line's files are opened as a later start's would be.
    if (!m_commandLineFiles.isEmpty() && !deliverHandedOverPaths(target, m_commandLineFiles)) {
        qWarning("OrvoPlayer: the main window did not take the command line's files");
    }
    const int code = exec();
    // Nothing may be handed to a window that is going away; its destructor saves settings.
    server.close();
    QObject::disconnect(&server, nullptr, target, nullptr);
    desktop.reset();
    window.reset();
    return code;
}

std::optional<int> COrvoPlayerApp::handOverToRunningInstance(
    std::unique_ptr<SingleInstanceLock>& taken) {
    if (runtimeDirectory().isEmpty()) return std::nullopt;
    auto lock = std::make_unique<SingleInstanceLock>(instanceLockPath());
    switch (lock->tryAcquire()) {
        case SingleInstanceLock::Outcome::Acquired:
            taken = std::move(lock);
            return std::nullopt;
        case SingleInstanceLock::Outcome::HeldByOther:
            return handOver(
                parseCommandLineFiles(QCoreApplication::arguments(), QDir::currentPath()));
        case SingleInstanceLock::Outcome::Failed:
            return std::nullopt;  // start() tries again and reports it
    }
    return std::nullopt;
}

int COrvoPlayerApp::handOver(const QStringList& files) {
    // Whatever the reason, files that were not taken are reported and the exit code says so:
    // the caller (a file manager, a script) must not believe they are playing.
    switch (SingleInstanceClient::send(instanceServerName(), files)) {
        case SingleInstanceClient::Result::Delivered:
            return 0;
        case SingleInstanceClient::Result::NoInstance:
            qWarning(
                "OrvoPlayer: the running player does not answer on %s; nothing was handed "
                "over",
                qPrintable(instanceServerName()));
            break;
        case SingleInstanceClient::Result::ForeignServer:
            qWarning("OrvoPlayer: %s is served by another user; nothing was handed over",
                     qPrintable(instanceServerName()));
            break;
        case SingleInstanceClient::Result::NotAcknowledged:
            qWarning("OrvoPlayer: the running player did not confirm the hand-over");
            break;
        case SingleInstanceClient::Result::TooLong:
            qWarning("OrvoPlayer: the file names are too long to hand over in one message");
            break;
    }
    return 1;
}

QStringList COrvoPlayerApp::parseCommandLineFiles(const QStringList& arguments,
                                                  const QString& workingDirectory) {
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.isEmpty()) {
            continue;
        }
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-'))) {
            continue;
        }
        files.append(QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(argument)));
    }
    return files;
}

bool COrvoPlayerApp::isKernelVersionSupported(const QString& kernelVersion) {
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(kernelVersion, &suffix);
    if (version.isNull()) {
        return true;  // an unknown kernel is not known to be too old
    }
    return version.majorVersion() >= kMinKernelMajor;
}

QString COrvoPlayerApp::instanceLockPath() {
    return runtimeDirectory() + QLatin1Char('/') + instanceBaseName() + QStringLiteral(".lock");
}

QString COrvoPlayerApp::instanceServerName() {
    return runtimeDirectory() + QLatin1Char('/') + instanceBaseName();
}

QWidget* COrvoPlayerApp::createMainWindow() { return new ControlPanelDlg(); }

std::unique_ptr<MprisHost> COrvoPlayerApp::createDesktopControl(QWidget* window) {
    auto* main = qobject_cast<ControlPanelDlg*>(window);
    if (!main) return nullptr;
    return std::make_unique<MprisWindowHost>(*main);
}

bool COrvoPlayerApp::deliverHandedOverPaths(QWidget* window, const QStringList& paths) {
    // The window brings itself forward; with no paths that is all it does (a start without a
    // file adds no empty entry).
    return window && QMetaObject::invokeMethod(window, kHandOverMethod, Qt::DirectConnection,
                                               Q_ARG(QStringList, paths));
}
