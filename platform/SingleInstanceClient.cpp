#include "SingleInstanceClient.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include "SingleInstanceAccess.h"
#include "SingleInstanceFrame.h"

namespace {

enum class Attempt { Delivered, NotConnected, ForeignServer, ClosedEarly, TimedOut };

Attempt tryOnce(const QString& serverName, const QByteArray& message, int connectMs, int ackMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(qMax(1, connectMs))) {
        return Attempt::NotConnected;
    }
    // Whoever listens under our name but runs as another user must not learn the paths.
    if (!SingleInstanceAccess::isPeerSameUser(socket.socketDescriptor())) {
        socket.abort();
        return Attempt::ForeignServer;
    }
    QDeadlineTimer deadline(ackMs);
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())))) {
            return socket.state() == QLocalSocket::ConnectedState ? Attempt::TimedOut
                                                                  : Attempt::ClosedEarly;
        }
    }
    while (true) {
        char byte = 0;
        while (socket.bytesAvailable() > 0) {
            if (socket.read(&byte, 1) == 1 && byte == SingleInstanceFrame::kAck) {
                return Attempt::Delivered;
            }
        }
        if (socket.state() != QLocalSocket::ConnectedState) {
            return Attempt::ClosedEarly;
        }
        if (deadline.hasExpired()) {
            return Attempt::TimedOut;
        }
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

}  // namespace

SingleInstanceClient::Result SingleInstanceClient::send(const QString& serverName,
                                                        const QStringList& paths,
                                                        const Timing& timing) {
    const std::optional<QByteArray> message = SingleInstanceFrame::encode(paths);
    if (!message) {
        return Result::TooLong;
    }
    QElapsedTimer clock;
    clock.start();
    while (true) {
        const qint64 left = timing.connectWindowMs - clock.elapsed();
        const Attempt attempt =
            tryOnce(serverName, *message, int(qMax<qint64>(1, left)), timing.ackTimeoutMs);
        if (attempt == Attempt::Delivered) {
            return Result::Delivered;
        }
        if (attempt == Attempt::ForeignServer) {
            return Result::ForeignServer;  // it will not turn into ours by waiting
        }
        if (attempt == Attempt::TimedOut) {
            return Result::NotAcknowledged;
        }
        // Closed before the answer: the instance was busy with too many peers; the paths were
        // not taken, so trying again cannot add them twice.
        if (clock.elapsed() >= timing.connectWindowMs) {
            return attempt == Attempt::NotConnected ? Result::NoInstance : Result::NotAcknowledged;
        }
        QThread::msleep(ulong(timing.retryIntervalMs));
    }
}
