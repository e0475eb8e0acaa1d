// The version check page against a web server on loopback: each kind of reply ends in its text,
// in bounded time and with the page ready for the next check; closing the page (or dropping the
// page object) while a check runs; which link clicks open an address. Screenshots of each state
// go to the build's test artifacts.
#include "update/SoftUpdate.h"
#include "tests/settings/OpenedUrls.h"
#include "tests/settings/SeededDataFixture.h"
#include "update/CPictureEx.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <ostream>
#include <utility>

// Readable failures (gtest looks the printer up beside QString).
void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {
const QString kFaq = "<a href=\"http://www.orvoplayer.example/faq.html\">%1</a>";
const QString kDisconnected = kFaq.arg("网络连接断开,请检查网络设置");
const QString kNetworkError = kFaq.arg("网络发生异常,请检查网络设置");
const QString kBroken = kFaq.arg("获取版本信息出错,请检查网络设置");
const QString kLatest = "您使用的是最新版本,无需升级";
QString offer(const QString& version, const QString& time) {
    return "<a href=\"http://www.orvoplayer.example/download.html\">发现最新版本" + version + "(" +
           time + "),请点击更新</a>";
}

constexpr int kTimeoutMs = 1500;

// What the server sends for each request: fixed bytes (status line included, so broken replies
// can be made), at once or one piece per tick, or nothing at all.
struct Answer {
    QByteArray bytes;
    int pieceBytes = 0;
    int tickMs = 0;
};

Answer reply(const QByteArray& body, int status = 200) {
    return {"HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

// A web server on 127.0.0.1 that keeps every request's head and counts the connections that
// ended; it ends the connections still open when it is destroyed.
class LoopbackHttpServer : public QTcpServer {
public:
    explicit LoopbackHttpServer(Answer answer) : m_answer(std::move(answer)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    ++disconnections;
                    socket->deleteLater();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
    ~LoopbackHttpServer() override {
        for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
            socket->disconnect(this);
            socket->abort();
        }
    }

    QList<QByteArray> requests;
    int disconnections = 0;

private:
    void read(QTcpSocket* socket) {
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.endsWith("\r\n\r\n")) return;
        requests.append(head);
        if (!m_answer.bytes.isEmpty()) send(socket, 0);
    }
    void send(QTcpSocket* socket, qsizetype from) {
        const qsizetype piece =
            m_answer.pieceBytes > 0 ? m_answer.pieceBytes : m_answer.bytes.size();
        socket->write(m_answer.bytes.mid(from, piece));
        if (from + piece < m_answer.bytes.size()) {
            QTimer::singleShot(m_answer.tickMs, socket,
                               [this, socket, from, piece] { send(socket, from + piece); });
        } else {
            socket->disconnectFromHost();
        }
    }

    Answer m_answer;
};

// The page's window as the sheet would make it, in a window of its own, idle.
struct Opened {
    explicit Opened(SoftUpdate& softUpdate) : page(openPage(softUpdate, sheet)) { find(); }
    void find() {
        button = page->findChild<QPushButton*>("1017");
        link = page->findChild<QLabel*>("1026");
        picture = page->findChild<CPictureEx*>("1024");
        ASSERT_TRUE(button && link && picture);
        EXPECT_EQ(button->text(), "检测新版本");
        EXPECT_TRUE(button->isEnabled());
        EXPECT_FALSE(link->isVisible() || picture->isVisible());
    }
    // Clicks the button and waits (with a limit) for the check to end: the link's text then.
    QString check() {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(button->isEnabled() || link->isVisible());
        EXPECT_TRUE(picture->isVisible() && picture->isPlaying());
        if (!QTest::qWaitFor([&] { return button->isEnabled(); }, kTimeoutMs + 5000))
            return "(no result)";
        EXPECT_FALSE(picture->isVisible() || picture->isPlaying());
        EXPECT_TRUE(link->isVisible());
        return link->text();
    }

    std::unique_ptr<QWidget> sheet;
    QWidget* page;
    QPushButton* button = nullptr;
    QLabel* link = nullptr;
    CPictureEx* picture = nullptr;
};

class SoftUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        DataDirectory::setProgramDirectoryOverride(ORVO_SOURCE_DIR);
        VersionCheck::TestHooks& hooks = VersionCheck::testHooks();
        hooks.host = "127.0.0.1";
        hooks.timeoutMs = kTimeoutMs;
        hooks.networkAlive = [] { return true; };
    }
    void TearDown() override {
        VersionCheck::testHooks() = {};
        DataDirectory::setProgramDirectoryOverride({});
    }
};

TEST_F(SoftUpdateTest, EveryKindOfReplyEndsInItsTextAndLinkInBoundedTime) {
    // What a reply says is read in VersionReply_test; here the exchange: no network, a closed
    // port, each verdict's text, an error status, markup kept as text, NULs, a bounded size, a
    // connection cut short and one that trickles past the time limit.
    const struct Row {
        const char* name;
        Answer answer;
        QString text;
        bool alive = true;      // the network test's answer
        bool listening = true;  // false: the server's port is closed before the check
    } rows[] = {
        {"no network: no request", reply("ver:0.0.1.7,ptm:t"), kDisconnected, false},
        {"refused", reply("ver:0.0.1.7,ptm:t"), kNetworkError, true, false},
        {"offer", reply("{ver:0.0.1.7,ptm:2011-01-01}"), offer("0.0.1.7", "2011-01-01")},
        {"newest", reply("ver:0.0.1.6,ptm:x"), kLatest},
        {"error page parsed", reply("ver:0.0.1.7,ptm:t", 404), offer("0.0.1.7", "t")},
        {"markup stays text", reply("ver:99<img src=x>,ptm:<b>t</b>"),
         offer("99&lt;img src=x&gt;", "&lt;b&gt;t&lt;/b&gt;")},
        {"NULs and all", reply(QByteArray(300, '\0') + ",ver:0.0.1.7,ptm:t"),
         offer("0.0.1.7", "t")},
        {"10 MB", reply("ver:0.0.1.7,ptm:t," + QByteArray(10 << 20, 'x')), kBroken},
        {"cut short", Answer{"HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\nver:0.0.1.7,ptm:t"},
         kNetworkError},
        {"trickle", Answer{reply("ver:0.0.1.7,ptm:t").bytes, 2, 100}, kNetworkError},
    };
    OpenedUrls desktop;
    SoftUpdate softUpdate;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackHttpServer server(row.answer);
        VersionCheck::testHooks().port = server.serverPort();
        VersionCheck::testHooks().networkAlive = [alive = row.alive] { return alive; };
        if (!row.listening) server.close();
        Opened opened(softUpdate);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(opened.check(), row.text);
        EXPECT_LT(clock.elapsed(), row.alive ? kTimeoutMs + 1500 : 500);
        saveShots(*opened.page, "update", QStringLiteral("SoftUpdate-") + row.name);
        // A real click on the link's text opens the page it names; the newest version's has none.
        QTest::mouseClick(opened.link, Qt::LeftButton, {}, QPoint(8, opened.link->height() / 2));
        const QString href = row.text.section(u'"', 1, 1);
        EXPECT_EQ(std::exchange(desktop.urls, {}),
                  href.isEmpty() ? QList<QUrl>() : QList{QUrl(href)});
        QTest::qWait(20);  // a request would have arrived by now
        if (!row.alive || !row.listening) {
            EXPECT_TRUE(server.requests.isEmpty());
            continue;
        }
        // Qt sends the request again when the connection closes before a reply.
        ASSERT_GE(server.requests.size(), 1);
        for (const QByteArray& request : server.requests) {
            EXPECT_TRUE(request.startsWith("GET /upgrade.php HTTP/1.1\r\n"));
            EXPECT_TRUE(request.contains("\r\nUser-Agent: update_test\r\n"));
        }
    }
    // Other addresses, as a crafted reply's text could name them, are not opened.
    Opened idle(softUpdate);
    saveShots(*idle.page, "update", "SoftUpdate-idle");
    for (const char* url : {"http://www.orvoplayer.example/download.html",
                            "http://www.orvoplayer.example/download.html?x",
                            "https://www.orvoplayer.example/faq.html", "file:///etc/passwd",
                            "http://elsewhere.example/faq.html"})
        emit idle.link->linkActivated(url);
    EXPECT_EQ(desktop.urls, QList{QUrl("http://www.orvoplayer.example/download.html")});
}

TEST_F(SoftUpdateTest, ClosingThePageOrDroppingThePageObjectDuringACheckIsSafe) {
    LoopbackHttpServer silent(Answer{});
    VersionCheck::testHooks().port = silent.serverPort();
    auto softUpdate = std::make_unique<SoftUpdate>();
    {
        Opened opened(*softUpdate);
        QTest::mouseClick(opened.button, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return silent.requests.size() == 1; }, 5000));
        saveShots(*opened.page, "update", "SoftUpdate-busy");
    }  // the sheet closes: the request ends with it
    EXPECT_TRUE(QTest::qWaitFor([&] { return silent.disconnections == 1; }, 5000));
    QTest::qWait(kTimeoutMs + 200);  // past the time limit: nothing may arrive

    // The next opening works again; then the page object goes first, its window later.
    LoopbackHttpServer late({reply("ver:0.0.1.7,ptm:t").bytes, 4, 50});
    VersionCheck::testHooks().port = late.serverPort();
    Opened opened(*softUpdate);
    EXPECT_EQ(opened.check(), offer("0.0.1.7", "t"));
    QTest::mouseClick(opened.button, Qt::LeftButton);
    const QPointer<QWidget> window = opened.page;
    softUpdate.reset();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(QTest::qWaitFor([&] { return late.disconnections == 2; }, 5000));
}

}  // namespace
