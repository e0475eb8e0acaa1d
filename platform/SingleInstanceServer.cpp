#include "SingleInstanceServer.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include "SingleInstanceAccess.h"
#include "SingleInstanceFrame.h"

// One connected peer: reads one message, hands its paths over, answers, and goes away.
class SingleInstancePeer : public QObject {
public:
    SingleInstancePeer(SingleInstanceServer* server, QLocalSocket* socket)
        : QObject(server), m_server(server), m_socket(socket) {
        server->m_peers.append(this);
        socket->setParent(this);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { drop(); });
        connect(socket, &QLocalSocket::readyRead, this, [this] { onReadyRead(); });
        connect(socket, &QLocalSocket::disconnected, this, [this] { finish(); });
        connect(socket, &QLocalSocket::errorOccurred, this, [this] { finish(); });
        m_timer.start(server->m_peerTimeoutMs);
        // Bytes may have arrived before the signals were connected.
        if (socket->bytesAvailable() > 0) {
            QTimer::singleShot(0, this, [this] { onReadyRead(); });
        }
    }
    ~SingleInstancePeer() override { leave(); }

    // Neither being served nor answered yet: may make room for a newer peer.
    bool isIdle() const { return !m_delivering && !m_done; }

    void drop() {
        if (m_delivering) {
            return;
        }
        m_done = true;
        m_timer.stop();
        m_socket->abort();
        leave();
        deleteLater();
    }

private:
    void onReadyRead() {
        if (m_delivering || m_done) {
            return;
        }
        switch (m_frame.feed(m_socket->readAll())) {
            case SingleInstanceFrame::State::NeedMore:
                return;
            case SingleInstanceFrame::State::Rejected:
                drop();
                return;
            case SingleInstanceFrame::State::Complete:
                deliver();
                return;
        }
    }

    void deliver() {
        // While the receiver runs (it may open a nested event loop), nothing may delete us.
        m_timer.stop();
        m_delivering = true;
        QPointer<SingleInstancePeer> self(this);
        if (m_server) {
            emit m_server->pathsReceived(m_frame.paths());
        }
        if (!self) {
            return;
        }
        m_delivering = false;
        m_done = true;
        if (m_socket->state() == QLocalSocket::ConnectedState) {
            const char ack = SingleInstanceFrame::kAck;
            m_socket->write(&ack, 1);
            // A peer that does not take its byte must not keep us alive.
            m_timer.start(m_server ? m_server->m_peerTimeoutMs
                                   : SingleInstanceServer::kPeerTimeoutMs);
            m_socket->disconnectFromServer();
            if (m_socket->state() != QLocalSocket::UnconnectedState) {
                return;
            }
        }
        leave();
        deleteLater();
    }

    void finish() {
        if (m_delivering) {
            return;  // deliver() cleans up when the receiver returns
        }
        m_done = true;
        m_timer.stop();
        leave();
        deleteLater();
    }

    // Out of the server's count: no longer holds a place among its peers.
    void leave() {
        if (m_server) {
            m_server->m_peers.removeOne(this);
        }
    }

    QPointer<SingleInstanceServer> m_server;
    QLocalSocket* m_socket;
    QTimer m_timer;
    SingleInstanceFrame m_frame;
    bool m_delivering = false;
    bool m_done = false;
};

SingleInstanceServer::SingleInstanceServer(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstanceServer::acceptPending);
}

SingleInstanceServer::~SingleInstanceServer() {
    // Peers are children; they would otherwise outlive m_server's sockets in the wrong order.
    const auto peers = findChildren<SingleInstancePeer*>(Qt::FindDirectChildrenOnly);
    for (SingleInstancePeer* peer : peers) {
        delete peer;
    }
    m_server.close();
}

bool SingleInstanceServer::listen(const QString& name) {
    QLocalServer::removeServer(name);
    return m_server.listen(name);
}

void SingleInstanceServer::close() { m_server.close(); }

void SingleInstanceServer::acceptPending() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        // The socket file is owner-only already; the peer check also holds where the socket
        // sits in a folder others can reach.
        if (!SingleInstanceAccess::isPeerSameUser(socket->socketDescriptor()) ||
            (m_peers.size() >= kMaxPeers && !dropOldestPeer())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new SingleInstancePeer(this, socket);
    }
}

bool SingleInstanceServer::dropOldestPeer() {
    for (SingleInstancePeer* peer : std::as_const(m_peers)) {
        if (peer->isIdle()) {
            peer->drop();
            return true;
        }
    }
    return false;
}
