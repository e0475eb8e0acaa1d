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
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

namespace {

using Result = SingleInstanceClient::Result;

bool waitUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return pred();
}

// A client on its own thread, so the server keeps running its event loop here.
struct ClientThread {
    ClientThread(const QString& name, const QString& path) {
        m_thread.reset(QThread::create([this, name, path] {
            m_result = SingleInstanceClient::send(name, path);
            m_done = true;
        }));
        m_thread->start();
    }
    ~ClientThread() { m_thread->wait(20000); }
    bool done() const { return m_done; }
    Result waitResult() {
        EXPECT_TRUE(waitUntil([this] { return m_done.load(); }, 15000));
        return m_result;
    }
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_done{false};
    Result m_result = Result::NotAcknowledged;
};

class SingleInstanceServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_name = m_dir.filePath(QStringLiteral("orvo-test"));
        QObject::connect(&m_server, &SingleInstanceServer::pathReceived, &m_server,
                         [this](const QString& path) { m_received.append(path); });
    }

    std::unique_ptr<QLocalSocket> rawPeer(const QByteArray& bytes) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(m_name);
        EXPECT_TRUE(socket->waitForConnected(3000));
        socket->write(bytes);
        socket->flush();
        return socket;
    }

    void expectHandOver(const QString& path) {
        ClientThread client(m_name, path);
        EXPECT_EQ(client.waitResult(), Result::Delivered);
        EXPECT_EQ(m_received.value(m_received.size() - 1), path);
    }

    QTemporaryDir m_dir;
    QString m_name;
    SingleInstanceServer m_server;
    QStringList m_received;
};

TEST_F(SingleInstanceServerTest, ReplacesADeadInstancesSocketWithAnOwnerOnlyOne) {
    // A bound socket whose owner is gone leaves its file behind, as after SIGKILL.
    const QByteArray path = QFile::encodeName(m_name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);

    ASSERT_TRUE(m_server.listen(m_name)) << m_server.errorString().toStdString();
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(m_name).permissions() & others, QFile::Permissions());
    expectHandOver(QStringLiteral("/after/stale.mp3"));
}

TEST_F(SingleInstanceServerTest, RefusesBadHeadersAtOnceAndDropsSilentPeersLater) {
    m_server.setPeerTimeout(2500);
    ASSERT_TRUE(m_server.listen(m_name));
    QByteArray half = *SingleInstanceFrame::encode(QStringLiteral("/never/finished.mp3"));
    half.truncate(half.size() / 2);
    auto silent = rawPeer(QByteArray());
    auto stalled = rawPeer(half);
    QElapsedTimer clock;
    clock.start();
    // A huge count, 64 KiB + 2, an odd count.
    for (const QByteArray& bytes :
         {QByteArray("GET / HTTP/1.1\r\n\r\n"), QByteArray::fromHex("00010002"),
          QByteArray::fromHex("00000003616263")}) {
        auto peer = rawPeer(bytes);
        EXPECT_TRUE(
            waitUntil([&] { return peer->state() == QLocalSocket::UnconnectedState; }, 3000));
    }
    EXPECT_LT(clock.elapsed(), 2000);  // refused without waiting for the time limit
    EXPECT_TRUE(waitUntil([&] { return m_server.peerCount() == 0; }, 5000));
    EXPECT_EQ(silent->state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(stalled->state(), QLocalSocket::UnconnectedState);
    EXPECT_TRUE(m_received.isEmpty());
    expectHandOver(QStringLiteral("/after/garbage.mp3"));
}

TEST_F(SingleInstanceServerTest, ServesSeveralClientsAtOnceAcknowledgingOnlyAfterDelivery) {
    ASSERT_TRUE(m_server.listen(m_name));
    std::map<QString, std::unique_ptr<ClientThread>> clients;
    int doneAtDelivery = 0;
    QObject::connect(&m_server, &SingleInstanceServer::pathReceived, &m_server,
                     [&](const QString& path) {
                         auto it = clients.find(path);
                         doneAtDelivery += it == clients.end() || it->second->done();
                     });
    QStringList sent;  // in sorted order
    for (int i = 0; i < 8; ++i) {
        sent << QStringLiteral("/音乐/歌 \U0001D11E %1.mp3").arg(i);
        clients[sent.last()] = std::make_unique<ClientThread>(m_name, sent.last());
    }
    for (auto& [path, client] : clients) EXPECT_EQ(client->waitResult(), Result::Delivered);
    m_received.sort();
    EXPECT_EQ(m_received, sent);
    EXPECT_EQ(doneAtDelivery, 0);
}

TEST_F(SingleInstanceServerTest, ClientWaitsForAnInstanceStillStartingButNotForever) {
    SingleInstanceClient::Timing brief;
    brief.connectWindowMs = 300;
    EXPECT_EQ(SingleInstanceClient::send(m_name, QStringLiteral("/a.mp3"), brief),
              Result::NoInstance);

    ClientThread client(m_name, QStringLiteral("/late/start.mp3"));
    waitUntil([] { return false; }, 300);
    EXPECT_FALSE(client.done());
    ASSERT_TRUE(m_server.listen(m_name));
    EXPECT_EQ(client.waitResult(), Result::Delivered);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
