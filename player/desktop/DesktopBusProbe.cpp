#include "DesktopBusProbe.h"

#include "MprisBusLink.h"

#include <QByteArray>
#include <QStringList>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>

namespace {

// The socket of the first "unix:" entry of a bus address ("unix:path=/run/…/bus,guid=…" or
// "unix:abstract=…"; values may be %-escaped). An abstract name starts with a zero byte.
std::optional<QByteArray> unixSocketOf(const QString& address) {
    const QString first = address.section(QLatin1Char(';'), 0, 0);
    if (!first.startsWith(QLatin1String("unix:"))) return std::nullopt;
    const QStringList pairs = first.mid(5).split(QLatin1Char(','));
    for (const QString& pair : pairs) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        const QByteArray value =
            QByteArray::fromPercentEncoding(pair.section(QLatin1Char('='), 1).toUtf8());
        if (value.isEmpty()) continue;
        if (key == QLatin1String("path")) return value;
        if (key == QLatin1String("abstract")) return QByteArray(1, '\0') + value;
    }
    return std::nullopt;
}

}  // namespace

bool DesktopBusProbe::isSilent(const QString& address, int timeoutMs) {
    const std::optional<QByteArray> name = unixSocketOf(address);
    sockaddr_un where{};
    if (!name || name->size() >= static_cast<qsizetype>(sizeof(where.sun_path))) return false;
    where.sun_family = AF_UNIX;
    std::memcpy(where.sun_path, name->constData(), static_cast<size_t>(name->size()));
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name->size() +
                                                    (name->startsWith('\0') ? 0 : 1));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool silent = false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&where), length) != 0) {
        silent = errno == EAGAIN;  // a full backlog: nobody takes the connections it queued
    } else {
        // The greeting a client starts with; any bus answers it with OK or REJECTED.
        const QByteArray hello =
            QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(getuid()).toHex() + "\r\n";
        pollfd wait{fd, POLLIN, 0};
        silent = send(fd, hello.constData(), static_cast<size_t>(hello.size()), MSG_NOSIGNAL) ==
                     hello.size() &&
                 poll(&wait, 1, timeoutMs) == 0;
    }
    close(fd);
    return silent;
}

void DesktopBusProbe::disableSilentDesktopBus(int timeoutMs) {
    const QString address = MprisBusLink::desktopBusAddress();
    if (!isSilent(address, timeoutMs)) return;
    qWarning("OrvoPlayer: the desktop bus %s does not answer; running without it",
             qPrintable(address));
    // Not unset: the bus library would then look for the bus in the runtime folder.
    qputenv("DBUS_SESSION_BUS_ADDRESS", MprisBusLink::kNoBusAddress);
}
