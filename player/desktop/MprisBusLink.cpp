#include "MprisBusLink.h"

#include <QAtomicInt>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

// RequestName's flag and answer (the bus's own numbers).
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;

std::atomic<int> g_connecting{0};

QString nextConnectionName() {
    static QAtomicInt serial;
    return QStringLiteral("orvo-mpris-%1").arg(serial.fetchAndAddRelaxed(1));
}

}  // namespace

struct MprisBusLink::Shared {
    std::mutex mutex;
    bool alive = true;  // under mutex
};

MprisBusLink::MprisBusLink(QObject* exported)
    : m_exported(exported),
      m_shared(std::make_shared<Shared>()),
      m_name(nextConnectionName()),
      m_connection(m_name) {}

MprisBusLink::~MprisBusLink() {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->alive = false;
    }
    if (m_connected) {
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
        QDBusConnection::disconnectFromBus(m_name);
    }
}

QString MprisBusLink::desktopBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address == QLatin1String(kNoBusAddress)) return {};
    if (!address.isEmpty()) return address;
    // Only a bus that already runs: Qt would otherwise let the bus library start one for us.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime + QStringLiteral("/bus");
    if (!runtime.isEmpty() && QFileInfo(socket).exists() && !QFileInfo(socket).isDir())
        return QStringLiteral("unix:path=") + socket;
    return {};
}

void MprisBusLink::start() {
    if (m_started) return;
    m_started = true;
    const QString address = desktopBusAddress();
    if (address.isEmpty()) return;
    g_connecting.fetch_add(1);
    std::thread([this, shared = m_shared, address, name = m_name] {
        const QDBusConnection connection = QDBusConnection::connectToBus(address, name);
        g_connecting.fetch_sub(1);
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (!shared->alive) {
            QDBusConnection::disconnectFromBus(name);
            return;
        }
        // Queued to this object: dropped with it should it go before the call runs.
        QMetaObject::invokeMethod(
            this, [this, connection] { connected(connection); }, Qt::QueuedConnection);
    }).detach();
}

bool MprisBusLink::connectPending() { return g_connecting.load() > 0; }

void MprisBusLink::connected(const QDBusConnection& connection) {
    if (!connection.isConnected()) {
        qWarning(
            "OrvoPlayer: no desktop bus (%s); media keys and the sound menu will not see "
            "the player",
            qPrintable(connection.lastError().message()));
        QDBusConnection::disconnectFromBus(m_name);
        return;
    }
    m_connection = connection;
    m_connected = true;
    if (!m_connection.registerObject(QString::fromLatin1(kObjectPath), m_exported,
                                     QDBusConnection::ExportAdaptors)) {
        qWarning("OrvoPlayer: cannot offer %s on the desktop bus", kObjectPath);
        return;
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << QString::fromLatin1(kServiceName) << kDoNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        nameReply(w->reply());
    });
}

void MprisBusLink::nameReply(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage ||
        reply.arguments().value(0).toUInt() != kPrimaryOwner) {
        qWarning(
            "OrvoPlayer: the bus name %s is taken or refused; the desktop will not see the "
            "player",
            kServiceName);
        return;
    }
    m_ownsName = true;
    emit nameAcquired();
}

void MprisBusLink::send(const QDBusMessage& message) {
    if (m_connected) m_connection.send(message);
}
