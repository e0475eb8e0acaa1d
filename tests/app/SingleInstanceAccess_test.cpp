#include "SingleInstanceAccess.h"
#include "SingleInstanceClient.h"
#include "SingleInstanceFrame.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <cstring>

namespace {

constexpr uid_t kNobody = 65534;

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool makeFolder(const QString& path, mode_t mode) {
    const QByteArray native = QFile::encodeName(path);
    return ::mkdir(native.constData(), mode) == 0 && ::chmod(native.constData(), mode) == 0;
}

TEST(SingleInstanceAccess, OnlyAnOwnFolderClosedToOthersIsPrivate) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.path() + QLatin1Char('/');
    ASSERT_TRUE(makeFolder(base + "own", 0700));
    EXPECT_TRUE(SingleInstanceAccess::isPrivateFolder(base + "own"));
    for (mode_t open : {0750, 0701, 0707, 0777, 01777}) {
        const QString path = base + QString::number(open, 8);
        ASSERT_TRUE(makeFolder(path, open));
        EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(path)) << std::oct << open;
    }
    // A link may be turned to another folder later; a file is no folder.
    ASSERT_TRUE(QFile::link(base + "own", base + "link"));
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(base + "link"));
    QFile file(base + "file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(base + "file"));
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(base + "missing"));
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(QString()));
}

TEST(SingleInstanceAccess, FallbackFolderIsCreatedPrivateAndAnOpenOneIsRefusedUntouched) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString made = SingleInstanceAccess::privateFolder(root.path(), QStringLiteral("orvo"));
    ASSERT_EQ(made, root.path() + QStringLiteral("/orvo"));
    EXPECT_EQ(modeOf(made), 0700u);
    // A second start finds the same folder.
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root.path(), QStringLiteral("orvo")), made);

    // Planted by someone with room for others: not used, and not "repaired" either (what is
    // inside may already be theirs).
    ASSERT_TRUE(makeFolder(root.path() + "/planted", 0777));
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root.path(), QStringLiteral("planted")),
              QString());
    EXPECT_EQ(modeOf(root.path() + "/planted"), 0777u);
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root.path(), QStringLiteral("a/b")), QString());
    EXPECT_EQ(SingleInstanceAccess::privateFolder(QString(), QStringLiteral("orvo")), QString());
}

TEST(SingleInstanceAccess, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString path = root.path() + QStringLiteral("/theirs");
    ASSERT_TRUE(makeFolder(path, 0700));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    EXPECT_FALSE(SingleInstanceAccess::isPrivateFolder(path));
    EXPECT_EQ(SingleInstanceAccess::privateFolder(root.path(), QStringLiteral("theirs")),
              QString());
}

// A listening socket at `path` whose listener is `listener`: the credentials a client sees are
// taken when listen() is called, so a socket listened on under another effective user stands for
// another user's instance.
bool listenAs(QLocalServer& server, const QString& path, uid_t listener) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    if (fd < 0 || size_t(native.size()) >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
              ::seteuid(listener) == 0;
    ok = ::listen(fd, 8) == 0 && ok;
    ok = ::seteuid(0) == 0 && ok;
    if (!ok || !server.listen(qintptr(fd))) {
        ::close(fd);
        return false;
    }
    return true;
}

// The bytes a listener received from one client, read after the client has given up.
QByteArray receivedBy(QLocalServer& server) {
    if (!server.waitForNewConnection(2000)) return QByteArray("<no connection>");
    QLocalSocket* peer = server.nextPendingConnection();
    peer->waitForReadyRead(500);
    const QByteArray bytes = peer->readAll();
    delete peer;
    return bytes;
}

// Someone else listening under the instance's name must not be told the path; the same listener
// run by ourselves is the control.
TEST(SingleInstanceAccess, ClientSendsNothingToAListenerOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    SingleInstanceClient::Timing brief;
    brief.connectWindowMs = 1000;
    brief.ackTimeoutMs = 300;
    const QString path = QStringLiteral("/home/victim/secret.mp3");
    const QByteArray inFrame =
        SingleInstanceFrame::encode(path).value().mid(SingleInstanceFrame::kHeaderBytes);

    {
        QLocalServer foreign;
        const QString name = root.path() + QStringLiteral("/foreign");
        ASSERT_TRUE(listenAs(foreign, name, kNobody));
        EXPECT_EQ(SingleInstanceClient::send(name, path, brief),
                  SingleInstanceClient::Result::ForeignServer);
        EXPECT_EQ(receivedBy(foreign), QByteArray());
    }
    {
        QLocalServer own;
        const QString name = root.path() + QStringLiteral("/own");
        ASSERT_TRUE(listenAs(own, name, 0));
        EXPECT_EQ(SingleInstanceClient::send(name, path, brief),
                  SingleInstanceClient::Result::NotAcknowledged);
        EXPECT_TRUE(receivedBy(own).contains(inFrame));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
