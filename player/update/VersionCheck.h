#pragma once
// One question to the version service: is the network alive, then HTTP GET "/upgrade.php" on the
// product's host, the program naming itself by its file name; the reply body is read as text in
// the locale's encoding and judged by VersionReply.
//
// Threads: everything runs on the thread that owns the object (the UI thread), asynchronously
// through Qt's network access; there is no thread of its own. Every started check ends in exactly
// one finished(), at the latest after the time limit. Destroying the object (it is a child of the
// page window) aborts the exchange and drops its result: nothing arrives after that. Late
// callbacks of an earlier check are told apart by a serial number and dropped.

#include "VersionReply.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class VersionCheck : public QObject {
    Q_OBJECT
public:
    // The service never sends more than a line; anything bigger is not a version reply.
    static constexpr qint64 kMaxReplyBytes = 64 * 1024;
    // From the start of the request to the last byte of the reply.
    static constexpr int kTimeoutMs = 10000;
    static constexpr int kMaxRedirects = 5;

    enum class Outcome {
        Disconnected,  // no network, or the request could not go out
        NetworkError,  // connecting, sending or receiving failed, or the time ran out
        Replied,       // a whole reply came back: `reading` says what it holds
    };
    struct Result {
        Outcome outcome = Outcome::NetworkError;
        VersionReply::Reading reading;
    };

    // For tests only: the request goes to host:port instead of the product's host, the time
    // limit is shorter, and the network test is replaced. Defaults leave the real behaviour.
    struct TestHooks {
        QString host;
        int port = -1;
        int timeoutMs = 0;
        std::function<bool()> networkAlive;
    };
    static TestHooks& testHooks();

    explicit VersionCheck(QObject* parent = nullptr);
    ~VersionCheck() override;

    // Starts a check; false (and nothing starts) while one runs.
    bool start();
    bool isRunning() const { return m_running; }

    // Whether the system has a live network connection of any kind: the platform's reachability
    // when it knows, else an interface that is up, running, not loopback and has an address.
    static bool networkAlive();

signals:
    void finished(const VersionCheck::Result& result);

private:
    void readBody();
    void replyFinished();
    // Ends the running check with `result`, aborting the request when it is still open.
    void conclude(const Result& result);

    QNetworkAccessManager* m_manager;
    QTimer* m_deadline;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    quint64 m_serial = 0;
    bool m_running = false;
};
