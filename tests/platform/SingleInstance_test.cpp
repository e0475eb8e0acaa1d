// The single-instance channel: the message format, the running instance's server, a later
// start's client, and who may take part at all.
#include "SingleInstanceAccess.h"
#include "SingleInstanceClient.h"
#include "SingleInstanceFrame.h"
#include "SingleInstanceServer.h"

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <future>
#include <map>
#include <memory>
#include <vector>

namespace {

using State = SingleInstanceFrame::State;
using Result = SingleInstanceClient::Result;
using Pending = std::future<Result>;
constexpr uid_t kNobody = 65534;

QByteArray header(quint32 n) {
    const char bytes[] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(bytes, 4);
}

// Whole or byte by byte, any list our senders write comes back as it was; a message as a peer
// could send it (UTF-16LE) is refused when no sender of ours writes it: odd and oversized counts
// from the header alone, empty paths and lone surrogates when complete.
TEST(SingleInstanceFrame, RoundTripsWhatSendersWriteAndRefusesTheRest) {
    const auto encode = [](const QStringList& paths) { return SingleInstanceFrame::encode(paths); };
    EXPECT_EQ(*encode({"Ab", "c"}), header(8) + QByteArray("A\0b\0\0\0c\0", 8));
    EXPECT_EQ(*encode({}), header(0));  // a start without files
    EXPECT_EQ(*encode({"", "/a", ""}), *encode({"/a"}));
    EXPECT_FALSE(encode({"/a", QStringLiteral("/b") + QChar(u'\0') + "c"}).has_value());
    for (const QStringList& paths :
         {QStringList{}, QStringList{"/音乐/歌 一.flac"},
          QStringList{"/z.mp3", "/m/\U0001D11E clef.ogg", "/a b/", "/z.mp3"}}) {
        const QByteArray bytes = *encode(paths);
        SingleInstanceFrame whole, trickled;
        EXPECT_EQ(whole.feed(bytes + "trailing"), State::Complete);
        EXPECT_EQ(whole.paths(), paths);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            EXPECT_EQ(trickled.feed(QByteArrayView(bytes).sliced(i, 1)),
                      i + 1 == bytes.size() ? State::Complete : State::NeedMore);
        }
        EXPECT_EQ(trickled.paths(), paths);
    }

    const quint32 max = SingleInstanceFrame::kMaxPayloadBytes;
    for (quint32 n : {1u, 3u, max + 1, max + 2, 0xFFFFFFFFu}) {
        SingleInstanceFrame frame;
        EXPECT_EQ(frame.feed(header(n)), State::Rejected) << n;
        EXPECT_EQ(frame.feed(QByteArray(8, 'a')), State::Rejected);  // nothing revives it
    }
    const QString nul(QChar(u'\0')), high(QChar(char16_t(0xD834))), low(QChar(char16_t(0xDD1E))),
        a("a");
    for (const QString& text : {nul + a, a + nul, a + nul + nul + a, nul, a + high, low + a,
                                high + a + low, a + high + nul + low}) {
        QByteArray bytes = header(quint32(text.size() * 2));
        for (QChar c : text) bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        SingleInstanceFrame frame;
        EXPECT_EQ(frame.feed(bytes), State::Rejected) << text.toStdString();
        EXPECT_TRUE(frame.paths().isEmpty());
    }
    const QString largest(qsizetype(max / 2), QChar(u'x'));
    SingleInstanceFrame frame;
    EXPECT_EQ(frame.feed(*encode({largest})), State::Complete);
    EXPECT_FALSE(encode({largest, "y"}).has_value());  // all count
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool makeFolder(const QString& path, mode_t mode) {
    const QByteArray native = QFile::encodeName(path);
    return ::mkdir(native.constData(), mode) == 0 && ::chmod(native.constData(), mode) == 0;
}

bool ready(const Pending& pending) {
    return pending.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

Result await(Pending& pending) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return ready(pending); }, 15000));
    return ready(pending) ? pending.get() : Result::NotAcknowledged;
}

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&m_server, &SingleInstanceServer::pathsReceived, &m_server,
                         [this](const QStringList& paths) { m_received.append(paths); });
    }
    // The client blocks, so it runs on its own thread while the server's event loop runs here.
    Pending sendAsync(const QStringList& paths) {
        return std::async(std::launch::async,
                          [=, this] { return SingleInstanceClient::send(m_name, paths); });
    }
    std::unique_ptr<QLocalSocket> rawPeer(const QByteArray& bytes) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(m_name);
        EXPECT_TRUE(socket->waitForConnected(3000));
        socket->write(bytes);
        socket->flush();
        return socket;
    }

    QTemporaryDir m_dir;
    const QString m_name = m_dir.filePath(QStringLiteral("orvo-test"));
    SingleInstanceServer m_server;
    QList<QStringList> m_received;  // one entry per message
};

TEST_F(SingleInstance, RefusesBadHeadersAtOnceAndDropsSilentPeersLater) {
    m_server.setPeerTimeout(2500);
    ASSERT_TRUE(m_server.listen(m_name));
    QByteArray half = *SingleInstanceFrame::encode({"/never/finished.mp3"});
    half.truncate(half.size() / 2);
    auto silent = rawPeer(QByteArray());
    auto stalled = rawPeer(half);
    rawPeer(half)->abort();  // gone mid-message
    auto gone = [](auto& peer) { return peer->state() == QLocalSocket::UnconnectedState; };
    const QDeadlineTimer limit(2000);
    // A huge count, 64 KiB + 2, an odd count.
    for (const QByteArray& bytes :
         {QByteArray("GET / HTTP/1.1\r\n\r\n"), QByteArray::fromHex("00010002"),
          QByteArray::fromHex("00000003616263")}) {
        auto peer = rawPeer(bytes);
        EXPECT_TRUE(QTest::qWaitFor([&] { return gone(peer); }, 3000));
    }
    EXPECT_FALSE(limit.hasExpired());  // refused without waiting for the time limit
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m_server.peerCount() == 0 && gone(silent) && gone(stalled); }, 5000));
    EXPECT_TRUE(m_received.isEmpty());
    Pending client = sendAsync({"/after/garbage.mp3"});
    EXPECT_EQ(await(client), Result::Delivered);
    EXPECT_EQ(m_received, QList<QStringList>{{"/after/garbage.mp3"}});
}

// Clients wait for an instance still starting, which replaces the socket file a killed one left
// (nobody listens on it); then all are served at once, each message whole and in its order, and
// acknowledged only after delivery.
TEST_F(SingleInstance, ClientsWaitForAStartingInstanceAndAreServedTogether) {
    EXPECT_EQ(SingleInstanceClient::send(m_name, {"/a.mp3"}, {.connectWindowMs = 300}),
              Result::NoInstance);
    ASSERT_EQ(::mknod(QFile::encodeName(m_name).constData(), S_IFSOCK | 0666, 0), 0);
    std::map<QString, Pending> clients;
    int doneAtDelivery = 0;
    QObject::connect(&m_server, &SingleInstanceServer::pathsReceived, &m_server,
                     [&](const QStringList& paths) {
                         auto it = clients.find(paths.value(0));
                         doneAtDelivery += it == clients.end() || ready(it->second);
                     });
    QList<QStringList> sent;  // in sorted order
    for (int i = 0; i < 8; ++i) {
        sent.append({QStringLiteral("/音乐/歌 \U0001D11E %1.mp3").arg(i), "/b.mp3", "/a/"});
        clients[sent.last().first()] = sendAsync(sent.last());
    }
    QTest::qWait(300);
    EXPECT_FALSE(ready(clients.begin()->second));
    ASSERT_TRUE(m_server.listen(m_name)) << m_server.errorString().toStdString();
    EXPECT_EQ(modeOf(m_name) & 077, 0u);  // owner only
    for (auto& [path, client] : clients) EXPECT_EQ(await(client), Result::Delivered);
    std::sort(m_received.begin(), m_received.end());
    EXPECT_EQ(m_received, sent);
    EXPECT_EQ(doneAtDelivery, 0);
}

// A same-user process holding more idle connections than the server takes, each reopened the
// moment it is dropped, must not keep a real later start out.
TEST_F(SingleInstance, IdleConnectionsReopenedWhenDroppedDoNotBlockAHandOver) {
    ASSERT_TRUE(m_server.listen(m_name));
    // Reopened on the next turn of the event loop, before the server could serve anyone else.
    std::vector<std::unique_ptr<QLocalSocket>> held(SingleInstanceServer::kMaxPeers + 8);
    int reopened = 0;
    for (auto& socket : held) {
        socket = std::make_unique<QLocalSocket>();
        QObject::connect(
            socket.get(), &QLocalSocket::disconnected, socket.get(),
            [&, peer = socket.get()] { ++reopened, peer->connectToServer(m_name); },
            Qt::QueuedConnection);
        socket->connectToServer(m_name);
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m_server.peerCount() == SingleInstanceServer::kMaxPeers; }, 5000));
    for (const QString& path : {QStringLiteral("/m/first.mp3"), QStringLiteral("/m/second.mp3")}) {
        Pending client = sendAsync({path});
        EXPECT_EQ(await(client), Result::Delivered);
    }
    EXPECT_GT(reopened, 0);  // the server was full and made room
    EXPECT_EQ(m_received, (QList<QStringList>{{"/m/first.mp3"}, {"/m/second.mp3"}}));
}

TEST_F(SingleInstance, OnlyAnOwnFolderClosedToOthersIsPrivateAndUsed) {
    const QString root = m_dir.path(), base = root + QLatin1Char('/');
    const QString made = SingleInstanceAccess::privateFolder(root, QStringLiteral("orvo"));
    ASSERT_EQ(made, base + QStringLiteral("orvo"));
    EXPECT_EQ(modeOf(made), 0700u);
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root, QStringLiteral("orvo")), made);  // again

    // Open to others, a link (it may be turned to another folder later), a file, someone else's:
    // never used, nor "repaired" (what is inside may already be another user's).
    QStringList refused = {"750", "701", "707", "777", "1777"};
    for (const QString& open : refused)
        ASSERT_TRUE(makeFolder(base + open, open.toUInt(nullptr, 8)));
    ASSERT_TRUE(QFile::link(made, base + "link"));
    ASSERT_EQ(::close(::open(QFile::encodeName(base + "file").constData(), O_CREAT, 0600)), 0);
    refused.append({"link", "file"});
    if (::geteuid() == 0) {  // only root can give a folder away
        ASSERT_TRUE(makeFolder(base + "theirs", 0700));
        ASSERT_EQ(::chown(QFile::encodeName(base + "theirs").constData(), kNobody, kNobody), 0);
        refused << "theirs";
    }
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toStdString());
        const mode_t before = modeOf(base + name);
        EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(base + name));
        EXPECT_EQ(SingleInstanceAccess::privateFolder(root, name), QString());
        EXPECT_EQ(modeOf(base + name), before);
    }
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(base + "missing"));
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(QString()));
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root, QStringLiteral("a/b")), QString());
    EXPECT_EQ(SingleInstanceAccess::privateFolder(QString(), QStringLiteral("orvo")), QString());

    // Under a folder of our own (made when missing, as a fresh cache folder is), but not under
    // one that others may write to or that is not ours: there a name can be taken first.
    const QString own = base + "cache/deeper";
    EXPECT_EQ(SingleInstanceAccess::privateFolderInOwnFolder(own, "orvo"), own + "/orvo");
    EXPECT_EQ(modeOf(own + "/orvo"), 0700u);
    for (const QString& parent : refused.mid(2) + QStringList{QString()}) {
        const QString path = parent.isEmpty() ? parent : base + parent;
        EXPECT_EQ(SingleInstanceAccess::privateFolderInOwnFolder(path, "orvo"), QString())
            << parent.toStdString();
    }
}

// The bytes a listener received from one client, read after the client has given up.
QByteArray receivedBy(QLocalServer& server) {
    if (!server.waitForNewConnection(2000)) return QByteArray("<no connection>");
    std::unique_ptr<QLocalSocket> peer(server.nextPendingConnection());
    peer->waitForReadyRead(500);
    return peer->readAll();
}

// Someone else listening under the instance's name must not be told the path; the same listener
// run by ourselves is the control.
TEST_F(SingleInstance, ClientSendsNothingToAListenerOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
    const SingleInstanceClient::Timing brief{.connectWindowMs = 1000, .ackTimeoutMs = 300};
    const QStringList path = {"/home/victim/secret.mp3"};

    // The credentials a client sees are those the listener had at listen().
    const QString shared = m_dir.filePath("shared");
    ASSERT_TRUE(::chmod(QFile::encodeName(m_dir.path()), 0711) == 0 && makeFolder(shared, 0777));
    QLocalServer foreign, own;
    ASSERT_EQ(::seteuid(kNobody), 0);
    const bool listening = foreign.listen(shared + "/foreign");
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_TRUE(listening && own.listen(shared + "/own"));
    EXPECT_EQ(SingleInstanceClient::send(foreign.fullServerName(), path, brief),
              Result::ForeignServer);
    EXPECT_EQ(receivedBy(foreign), QByteArray());
    EXPECT_EQ(SingleInstanceClient::send(own.fullServerName(), path, brief),
              Result::NotAcknowledged);
    EXPECT_EQ(receivedBy(own), SingleInstanceFrame::encode(path));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
