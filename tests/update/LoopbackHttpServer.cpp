#include "LoopbackHttpServer.h"

#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer(Answer answer) : m_answer(std::move(answer)) {
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    m_server.close();
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>()) {
        socket->disconnect(this);
        socket->abort();
    }
}

QByteArray LoopbackHttpServer::Reply(const QByteArray& body, int status) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

void LoopbackHttpServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(&m_server);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_disconnections;
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::read(QTcpSocket* socket) {
    const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.endsWith("\r\n\r\n")) return;
    m_requests.append(head);
    if (!m_answer.bytes.isEmpty()) send(socket, 0);
}

void LoopbackHttpServer::send(QTcpSocket* socket, qsizetype from) {
    const qsizetype piece = m_answer.pieceBytes > 0 ? m_answer.pieceBytes : m_answer.bytes.size();
    socket->write(m_answer.bytes.mid(from, piece));
    if (from + piece < m_answer.bytes.size()) {
        QTimer::singleShot(m_answer.tickMs, socket,
                           [this, socket, from, piece] { send(socket, from + piece); });
    } else if (m_answer.close) {
        socket->disconnectFromHost();
    }
}
