#pragma once
// A later start's end of the local channel: hands one path to the running instance and waits
// until it has been taken. Blocking; used before any event loop runs (or on a worker QThread).

#include <QString>

class SingleInstanceClient {
public:
    enum class Result {
        Delivered,        // the running instance acknowledged the path
        NoInstance,       // nobody listened within the connect window
        ForeignServer,    // the listener runs as another user; nothing was sent
        NotAcknowledged,  // connected, but no acknowledgement within the time limit
        TooLong,          // the path does not fit in a message
    };

    struct Timing {
        // The first instance may hold the lock but not listen yet: keep trying this long.
        int connectWindowMs = 5000;
        int retryIntervalMs = 100;
        int ackTimeoutMs = 10000;
    };

    static Result send(const QString& serverName, const QString& path, const Timing& timing);
    static Result send(const QString& serverName, const QString& path) {
        return send(serverName, path, Timing{});
    }
};
