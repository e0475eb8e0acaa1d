#include "SingleInstanceAccess.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/socket.h>
#endif

bool SingleInstanceAccess::isPeerSameUser(qintptr socketDescriptor) {
#ifdef __linux__
    ucred cred{};
    socklen_t size = sizeof(cred);
    if (socketDescriptor < 0 ||
        ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 ||
        size != sizeof(cred)) {
        return false;
    }
    return cred.uid == ::geteuid();
#else
    Q_UNUSED(socketDescriptor);
    return true;
#endif
}

bool SingleInstanceAccess::isPrivateFolder(const QString& path) {
    struct stat info {};
    // lstat: a link, even to a private folder, may be swapped for another target later.
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString SingleInstanceAccess::privateFolder(const QString& parent, const QString& name) {
    if (parent.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/'))) {
        return QString();
    }
    const QString path = parent + QLatin1Char('/') + name;
    // Created 0700 in one step; an existing entry is checked, never repaired (whatever is in
    // it may already come from someone else).
    ::mkdir(QFile::encodeName(path).constData(), S_IRWXU);
    return isPrivateFolder(path) ? path : QString();
}

QString SingleInstanceAccess::privateFolderInOwnFolder(const QString& parent, const QString& name) {
    if (parent.isEmpty() || !QDir().mkpath(parent)) {
        return QString();
    }
    struct stat info {};
    if (::lstat(QFile::encodeName(parent).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return QString();
    }
    return privateFolder(parent, name);
}
