#pragma once
// A web server on 127.0.0.1 for the version check: it reads each request and answers with fixed
// bytes (status line included, so broken replies can be made), at once or one piece per tick, or
// never. It ends every connection when it is destroyed.

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

class LoopbackHttpServer : public QObject {
public:
    struct Answer {
        QByteArray bytes;    // empty: the server never answers
        int pieceBytes = 0;  // > 0: sent that many bytes per tick of tickMs
        int tickMs = 0;
        bool close = true;  // closes the connection after the last byte
    };

    explicit LoopbackHttpServer(Answer answer);
    ~LoopbackHttpServer() override;

    void close() { m_server.close(); }
    quint16 port() const { return m_server.serverPort(); }
    // Every request's head as received, and how many connections have ended.
    const QList<QByteArray>& requests() const { return m_requests; }
    int disconnections() const { return m_disconnections; }

    // An HTTP/1.1 reply with Content-Length and `status`.
    static QByteArray Reply(const QByteArray& body, int status = 200);

private:
    void accept();
    void read(QTcpSocket* socket);
    void send(QTcpSocket* socket, qsizetype from);

    Answer m_answer;
    QTcpServer m_server;
    QList<QByteArray> m_requests;
    int m_disconnections = 0;
};
