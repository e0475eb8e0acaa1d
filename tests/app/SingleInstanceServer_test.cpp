#include "SingleInstanceServer.h"
#include "SingleInstanceClient.h"
#include "SingleInstanceFrame.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace {

using Result = SingleInstanceClient::Result;

// Runs the event loop until pred holds or the time is up.
bool waitUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// A client on its own thread, so the server keeps running its event loop here.
class ClientThread {
public:
    ClientThread(const QString& name, const QString& path,
                 SingleInstanceClient::Timing timing = {}) {
        m_thread.reset(QThread::create([this, name, path, timing] {
            m_result = SingleInstanceClient::send(name, path, timing);
            m_done = true;
        }));
        m_thread->start();
    }
    ~ClientThread() { m_thread->wait(20000); }
    bool done() const { return m_done; }
    Result waitResult() {
        EXPECT_TRUE(waitUntil([this] { return m_done.load(); }, 15000));
        m_thread->wait(5000);
        return m_result;
    }

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_done{false};
    Result m_result = Result::NotAcknowledged;
};

class SingleInstanceServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_name = m_dir.filePath(QStringLiteral("orvo-test"));
        QObject::connect(&m_server, &SingleInstanceServer::pathReceived, &m_server,
                         [this](const QString& path) { m_received.append(path); });
    }

    bool startServer() { return m_server.listen(m_name); }

    // A raw peer that says whatever the test wants.
    std::unique_ptr<QLocalSocket> rawPeer(const QByteArray& bytes) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(m_name);
        EXPECT_TRUE(socket->waitForConnected(3000));
        if (!bytes.isEmpty()) {
            socket->write(bytes);
            socket->flush();
        }
        return socket;
    }

    bool waitClosed(QLocalSocket* socket, int ms) {
        return waitUntil([socket] { return socket->state() == QLocalSocket::UnconnectedState; },
                         ms);
    }

    void expectRealHandOverWorks(const QString& path) {
        ClientThread client(m_name, path);
        EXPECT_EQ(client.waitResult(), Result::Delivered);
        ASSERT_FALSE(m_received.isEmpty());
        EXPECT_EQ(m_received.last(), path);
    }

    QTemporaryDir m_dir;
    QString m_name;
    SingleInstanceServer m_server;
    QStringList m_received;
};

TEST_F(SingleInstanceServerTest, AcknowledgesOnlyAfterTheReceiverTookThePath) {
    ASSERT_TRUE(startServer());
    std::unique_ptr<ClientThread> client;
    bool clientDoneAtDelivery = true;
    QObject::connect(&m_server, &SingleInstanceServer::pathReceived, &m_server,
                     [&](const QString&) { clientDoneAtDelivery = client->done(); });
    const QString path = QStringLiteral("/音乐/歌 \U0001D11E.mp3");
    client = std::make_unique<ClientThread>(m_name, path);
    EXPECT_EQ(client->waitResult(), Result::Delivered);
    EXPECT_EQ(m_received, QStringList{path});
    EXPECT_FALSE(clientDoneAtDelivery);
}

TEST_F(SingleInstanceServerTest, DeliversAnEmptyPath) {
    ASSERT_TRUE(startServer());
    ClientThread client(m_name, QString());
    EXPECT_EQ(client.waitResult(), Result::Delivered);
    ASSERT_EQ(m_received.size(), 1);
    EXPECT_TRUE(m_received.first().isEmpty());
}

TEST_F(SingleInstanceServerTest, SocketFileIsOwnerOnly) {
    ASSERT_TRUE(startServer());
    const QFileInfo info(m_server.fullServerName());
    ASSERT_TRUE(info.exists());
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(info.permissions() & others, QFile::Permissions());
}

TEST_F(SingleInstanceServerTest, ReplacesTheSocketFileOfADeadInstance) {
    // A bound socket whose owner is gone leaves its file behind, as after SIGKILL.
    const QByteArray path = QFile::encodeName(m_name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(m_name));

    ASSERT_TRUE(startServer()) << m_server.errorString().toStdString();
    expectRealHandOverWorks(QStringLiteral("/after/stale.mp3"));
}

TEST_F(SingleInstanceServerTest, RefusesBadHeadersAtOnce) {
    m_server.setPeerTimeout(10000);
    ASSERT_TRUE(startServer());
    const QList<QByteArray> hostile = {
        QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n"),  // huge count
        QByteArray("\xff\xff\xff\xff", 4),                // 4 GiB
        QByteArray("\x00\x01\x00\x02", 4),                // 64 KiB + 2
        QByteArray("\x00\x00\x00\x03"
                   "abc",
                   7),  // odd
    };
    for (const QByteArray& bytes : hostile) {
        auto peer = rawPeer(bytes);
        // Closed long before the silence limit: nobody waits for 4 GiB.
        EXPECT_TRUE(waitClosed(peer.get(), 3000)) << bytes.toHex().toStdString();
        EXPECT_EQ(peer->bytesAvailable(), 0);
    }
    EXPECT_TRUE(m_received.isEmpty());
    EXPECT_TRUE(waitUntil([this] { return m_server.peerCount() == 0; }, 3000));
    expectRealHandOverWorks(QStringLiteral("/after/garbage.mp3"));
}

TEST_F(SingleInstanceServerTest, DropsSilentAndStalledPeersAfterTheTimeLimit) {
    m_server.setPeerTimeout(300);
    ASSERT_TRUE(startServer());
    auto silent = rawPeer(QByteArray());
    QByteArray half = *SingleInstanceFrame::encode(QStringLiteral("/never/finished.mp3"));
    half.truncate(half.size() / 2);
    auto stalled = rawPeer(half);
    EXPECT_TRUE(waitClosed(silent.get(), 5000));
    EXPECT_TRUE(waitClosed(stalled.get(), 5000));
    EXPECT_TRUE(m_received.isEmpty());
    EXPECT_TRUE(waitUntil([this] { return m_server.peerCount() == 0; }, 3000));
    expectRealHandOverWorks(QStringLiteral("/after/silence.mp3"));
}

TEST_F(SingleInstanceServerTest, ReassemblesAMessageSentInPieces) {
    ASSERT_TRUE(startServer());
    const QString path = QStringLiteral("/pieces/歌.mp3");
    const QByteArray message = *SingleInstanceFrame::encode(path);
    auto peer = rawPeer(message.left(3));
    QThread::msleep(50);
    QCoreApplication::processEvents();
    peer->write(message.mid(3, 5));
    peer->flush();
    QThread::msleep(50);
    QCoreApplication::processEvents();
    peer->write(message.mid(8));
    peer->flush();
    EXPECT_TRUE(waitUntil(
        [&] { return peer->bytesAvailable() > 0 || peer->state() != QLocalSocket::ConnectedState; },
        5000));
    EXPECT_EQ(peer->readAll(), QByteArray(1, SingleInstanceFrame::kAck));
    EXPECT_EQ(m_received, QStringList{path});
}

TEST_F(SingleInstanceServerTest, ServesSeveralClientsAtOnce) {
    ASSERT_TRUE(startServer());
    QStringList sent;
    std::vector<std::unique_ptr<ClientThread>> clients;
    for (int i = 0; i < 8; ++i) {
        sent.append(QStringLiteral("/many/%1.mp3").arg(i));
        clients.push_back(std::make_unique<ClientThread>(m_name, sent.last()));
    }
    for (auto& client : clients) {
        EXPECT_EQ(client->waitResult(), Result::Delivered);
    }
    QStringList received = m_received;
    received.sort();
    sent.sort();
    EXPECT_EQ(received, sent);
}

TEST_F(SingleInstanceServerTest, AFloodOfIdleConnectionsDoesNotLockOutARealClient) {
    m_server.setPeerTimeout(500);
    ASSERT_TRUE(startServer());
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < SingleInstanceServer::kMaxPeers + 20; ++i) {
        idle.push_back(rawPeer(QByteArray()));
        QCoreApplication::processEvents();  // let the server accept, as it would in its loop
    }
    EXPECT_TRUE(waitUntil([this] { return m_server.peerCount() > 0; }, 3000));
    EXPECT_LE(m_server.peerCount(), SingleInstanceServer::kMaxPeers);
    expectRealHandOverWorks(QStringLiteral("/after/flood.mp3"));
    EXPECT_TRUE(waitUntil([this] { return m_server.peerCount() == 0; }, 5000));
}

TEST_F(SingleInstanceServerTest, DestroyingTheServerWithPeersConnectedIsSafe) {
    auto server = std::make_unique<SingleInstanceServer>();
    ASSERT_TRUE(server->listen(m_name));
    auto a = rawPeer(QByteArray("\x00\x00", 2));
    auto b = rawPeer(QByteArray());
    EXPECT_TRUE(waitUntil([&] { return server->peerCount() == 2; }, 3000));
    server.reset();
    EXPECT_TRUE(waitClosed(a.get(), 3000));
    EXPECT_TRUE(waitClosed(b.get(), 3000));
}

TEST(SingleInstanceClient, GivesUpWhenNobodyListens) {
    QTemporaryDir dir;
    SingleInstanceClient::Timing timing;
    timing.connectWindowMs = 300;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(SingleInstanceClient::send(dir.filePath(QStringLiteral("none")), "/a.mp3", timing),
              Result::NoInstance);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(SingleInstanceServerTest, ClientWaitsForAnInstanceStillStarting) {
    ClientThread client(m_name, QStringLiteral("/late/start.mp3"));
    waitUntil([] { return false; }, 300);
    EXPECT_FALSE(client.done());
    ASSERT_TRUE(startServer());
    EXPECT_EQ(client.waitResult(), Result::Delivered);
    EXPECT_EQ(m_received, QStringList{QStringLiteral("/late/start.mp3")});
}

TEST_F(SingleInstanceServerTest, ClientStopsWaitingForAnAnswerThatNeverComes) {
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(m_name));
    SingleInstanceClient::Timing timing;
    timing.ackTimeoutMs = 300;
    ClientThread client(m_name, QStringLiteral("/mute.mp3"), timing);
    EXPECT_EQ(client.waitResult(), Result::NotAcknowledged);
}

TEST(SingleInstanceClient, RefusesAPathTooLongToSend) {
    const QString path(70000, QChar(u'a'));
    EXPECT_EQ(SingleInstanceClient::send(QStringLiteral("/nonexistent/x"), path), Result::TooLong);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
