#pragma once
// The player's place on the desktop bus: the connection is made on a thread of its own (a bus
// that accepts but does not answer must not hold up the window), then, back on the UI thread,
// the object is registered and the service name asked for without waiting for the answer.
// Without a desktop bus nothing happens and the player runs as it would without one.
// Threads: constructed, used and destroyed on the UI thread. The connecting thread only connects
// and hands the connection back through a queued call, under a lock that the destructor takes to
// say it is gone; a connection that comes too late is closed by that thread.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

class QDBusMessage;

class MprisBusLink : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.orvoplayer";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // exported: the object whose adaptors are offered at kObjectPath; it outlives this link.
    explicit MprisBusLink(QObject* exported);
    ~MprisBusLink() override;
    MprisBusLink(const MprisBusLink&) = delete;
    MprisBusLink& operator=(const MprisBusLink&) = delete;

    // An address no bus library can use: set in place of a bus found not to answer.
    static constexpr const char* kNoBusAddress = "disabled:";

    // DBUS_SESSION_BUS_ADDRESS, else the "bus" socket in the user's runtime folder when there is
    // one; empty means no desktop bus (and no bus started on our behalf), kNoBusAddress included.
    static QString desktopBusAddress();

    // Starts connecting in the background; once only.
    void start();
    // Whether a connecting thread of any link still waits for its bus. Qt's bus thread then
    // waits too, without a time limit (a bus that accepts but never answers), and the teardown
    // of Qt's statics at process exit would wait for it forever.
    static bool connectPending();
    bool isConnected() const { return m_connected; }
    bool ownsName() const { return m_ownsName; }
    // Sends a signal; dropped while not connected.
    void send(const QDBusMessage& message);

signals:
    // The service name is ours: the desktop can now find the player.
    void nameAcquired();

private:
    struct Shared;
    void connected(const QDBusConnection& connection);
    void nameReply(const QDBusMessage& reply);

    QObject* m_exported;
    std::shared_ptr<Shared> m_shared;
    // The connection's own name: an unconnected QDBusConnection has none to tell.
    const QString m_name;
    QDBusConnection m_connection;
    bool m_started = false;
    bool m_connected = false;
    bool m_ownsName = false;
};
