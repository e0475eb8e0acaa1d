#pragma once
// The running instance's end of the local channel: accepts hand-overs from later starts.
// Threads: lives on the UI thread and is only used there; the pathsReceived slots run there too.
// Peers are untrusted bytes: only the same user may connect, a message is bounded in size,
// and a silent or slow peer is dropped after a time limit, so the UI never waits on a peer.

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

class SingleInstancePeer;

class SingleInstanceServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeerTimeoutMs = 3000;
    // At most this many unfinished peers (a flood of idle connections must not exhaust
    // descriptors). When a new one comes while all are taken, the oldest goes: a real later
    // start writes its message at once, so idle connections held open (and reopened when
    // dropped) cannot keep it out.
    static constexpr int kMaxPeers = 32;

    explicit SingleInstanceServer(QObject* parent = nullptr);
    ~SingleInstanceServer() override;

    // Removes a socket file left by an instance that died, then listens, reachable by the owner
    // only. Call it only while holding the instance lock, or a live instance loses its socket.
    bool listen(const QString& name);
    void close();
    bool isListening() const { return m_server.isListening(); }
    QString fullServerName() const { return m_server.fullServerName(); }
    QString errorString() const { return m_server.errorString(); }

    void setPeerTimeout(int ms) { m_peerTimeoutMs = ms; }
    int peerCount() const { return int(m_peers.size()); }

signals:
    // One complete message: a later start's paths in order, none for a start without files.
    // The acknowledgement is sent after the connected slots return, so connect directly: the
    // sender then knows the paths were taken.
    void pathsReceived(const QStringList& paths);

private:
    void acceptPending();
    // Drops the oldest peer that is not being served; false when every peer is.
    bool dropOldestPeer();

    QLocalServer m_server;
    int m_peerTimeoutMs = kPeerTimeoutMs;
    QList<SingleInstancePeer*> m_peers;  // peers not yet going away, oldest first
    friend class SingleInstancePeer;
};
