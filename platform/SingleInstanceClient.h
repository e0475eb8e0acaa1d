#pragma once
// A later start's end of the local channel: hands its paths, in order and in one message, to the
// running instance and waits until they have been taken. Blocking; used before any event loop runs
// (or on a worker QThread).

#include <QString>
#include <QStringList>

class SingleInstanceClient {
public:
    enum class Result {
        Delivered,        // the running instance acknowledged the paths
        NoInstance,       // nobody listened within the connect window
        ForeignServer,    // the listener runs as another user; nothing was sent
        NotAcknowledged,  // connected, but no acknowledgement within the time limit
        TooLong,          // the paths do not fit in a message
    };

    struct Timing {
        // The first instance may hold the lock but not listen yet: keep trying this long.
        int connectWindowMs = 5000;
        int retryIntervalMs = 100;
        int ackTimeoutMs = 10000;
    };

    static Result send(const QString& serverName, const QStringList& paths, const Timing& timing);
    static Result send(const QString& serverName, const QStringList& paths) {
        return send(serverName, paths, Timing{});
    }
};
