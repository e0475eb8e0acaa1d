// The player's MPRIS service on a private desktop bus: a bus daemon started here, the built
// player on a private X server, one bus client calling and a second one watching. Every call is
// checked against what the capture heard (each song has its own tone) and the player's files.

#include "tests/e2e/PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QLocalServer>
#include <QUrl>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <cmath>

namespace {

constexpr char kService[] = "org.mpris.MediaPlayer2.orvoplayer";
constexpr char kPath[] = "/org/mpris/MediaPlayer2";
constexpr char kRoot[] = "org.mpris.MediaPlayer2";
constexpr char kPlayer[] = "org.mpris.MediaPlayer2.Player";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr qlonglong kSecond = 1000000;

QString trackId(const QVariant& metadata) {
    return qdbus_cast<QVariantMap>(metadata).value("mpris:trackid").value<QDBusObjectPath>().path();
}

// The second client: what the player announced, as "Name=value" (Metadata as its track id).
class BusWatcher : public QObject {
    Q_OBJECT
public slots:
    void changed(const QString&, const QVariantMap& properties, const QStringList&) {
        for (auto it = properties.cbegin(); it != properties.cend(); ++it)
            changes << it.key() + '=' +
                           (it.key() == QLatin1String("Metadata") ? trackId(it.value())
                            : it.value().metaType() == QMetaType::fromType<double>()
                                ? QString::number(it.value().toDouble(), 'g', 6)
                                : it.value().toString());
    }
    void seeked(qlonglong position) { seeks << position; }

public:
    QStringList changes;
    QList<qlonglong> seeks;
};

class MprisTest : public PlayerE2E {
protected:
    MprisTest() { m_tools << "dbus-daemon"; }
    void TearDown() override {
        PlayerE2E::TearDown();  // the daemon ends with the other processes
        QDBusConnection::disconnectFromBus("mpris-test-client");
        QDBusConnection::disconnectFromBus("mpris-test-watcher");
    }

    // A private bus, watched, and the player on it once its name is there.
    QProcess* startOnBus() {
        QProcess* daemon = run("dbus-daemon", {"--session", "--print-address", "--nofork"});
        EXPECT_TRUE(daemon->waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon->readLine()).trimmed();
        m_env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        m_client = QDBusConnection::connectToBus(address, "mpris-test-client");
        QDBusConnection watching = QDBusConnection::connectToBus(address, "mpris-test-watcher");
        EXPECT_TRUE(watching.isConnected() && m_client.isConnected());
        EXPECT_TRUE(watching.connect(kService, kPath, kProperties, "PropertiesChanged", &m_watcher,
                                     SLOT(changed(QString, QVariantMap, QStringList))));
        EXPECT_TRUE(watching.connect(kService, kPath, kPlayer, "Seeked", &m_watcher,
                                     SLOT(seeked(qlonglong))));
        QProcess* p = player();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return m_client.interface()->isServiceRegistered(kService).value(); }, 15000));
        return p;
    }

    QDBusMessage call(const char* interface, const char* method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        m.setArguments(args);
        return m_client.call(m, QDBus::Block, 10000);
    }
    // Calls a method that must succeed.
    void invoke(const char* method, const QVariantList& args = {}, const char* on = kPlayer) {
        const QDBusMessage reply = call(on, method, args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method << ": " << reply.errorMessage().toStdString();
    }
    QVariant get(const QString& name, const char* interface = kPlayer) {
        const QDBusMessage reply = call(kProperties, "Get", {interface, name});
        const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        return value.canConvert<QDBusArgument>() ? QVariant(qdbus_cast<QVariantMap>(value)) : value;
    }
    void set(const char* name, const QVariant& value) {
        invoke("Set", {kPlayer, name, QVariant::fromValue(QDBusVariant(value))}, kProperties);
    }
    QString status() { return get("PlaybackStatus").toString(); }
    qlonglong position() { return get("Position").toLongLong(); }
    QString uri(int song) const { return QUrl::fromLocalFile(m_songs[song]).toString(); }

    // The loudness (RMS of the left channel, 0 .. 1) of what the capture gains over a second.
    double level() {
        const qint64 from = QFile(m_capture).size() & ~qint64(3);
        QTest::qWait(1000);
        QFile file(m_capture);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) return 0;
        const QByteArray bytes = file.readAll();
        const auto* pcm = reinterpret_cast<const qint16*>(bytes.constData());
        double sum = 0;
        for (qsizetype i = 0; i < bytes.size() / 4; ++i) sum += std::pow(pcm[i * 2] / 32768.0, 2);
        return bytes.size() >= 4 ? std::sqrt(sum / double(bytes.size() / 4)) : 0;
    }

    QDBusConnection m_client{QString()};
    BusWatcher m_watcher;
};

TEST_F(MprisTest, EveryMethodAndPropertyFollowsWhatIsHeard) {
    makeSongs(30);
    QProcess* running = startOnBus();
    // What the player is and accepts, and an empty list: nothing to play, and Play does nothing.
    const QVariantList root = {"Identity", "欧沃播放器", "DesktopEntry", "orvoplayer",   "CanQuit",
                               true,       "CanRaise",   true,           "HasTrackList", false};
    const QVariantList idle = {
        "PlaybackStatus", "Stopped", "LoopStatus",    "None", "Rate",       1.0,
        "MinimumRate",    1.0,       "MaximumRate",   1.0,    "Shuffle",    false,
        "CanPlay",        false,     "CanPause",      false,  "CanSeek",    false,
        "CanGoNext",      false,     "CanGoPrevious", false,  "CanControl", true,
        "Position",       0LL};
    for (const auto& [interface, table] : {std::pair{kRoot, root}, {kPlayer, idle}})
        for (qsizetype i = 0; i + 1 < table.size(); i += 2)
            EXPECT_EQ(get(table[i].toString(), interface), table[i + 1])
                << table[i].toString().toStdString();
    EXPECT_EQ(get("SupportedUriSchemes", kRoot), QStringList{"file"});
    EXPECT_EQ(trackId(get("Metadata")), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    invoke("Play");
    EXPECT_EQ(status(), "Stopped");

    // Opened songs join the list and play, each in turn; then previous and next as the buttons
    // do (next wraps from the last song to the first).
    for (int i = 0; i < 3; ++i) {
        invoke("OpenUri", {uri(i)});
        ASSERT_TRUE(hears(QString("ABC").left(i + 1))) << heard().toStdString();
    }
    EXPECT_EQ(playList(), m_songs.mid(0, 3));
    const QVariantMap song = get("Metadata").toMap();
    EXPECT_EQ(trackId(song), "/org/orvoplayer/Track/2");
    EXPECT_EQ(song.value("xesam:title"), "Song C");
    EXPECT_EQ(song.value("xesam:artist"), QStringList{"Orvo Tones"});
    EXPECT_EQ(song.value("xesam:url"), uri(2));
    EXPECT_NEAR(song.value("mpris:length").toLongLong(), 30 * kSecond, kSecond / 10);
    for (const char* can : {"CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious"})
        EXPECT_EQ(get(can), true) << can;
    for (const auto& [method, tail] :
         {std::pair{"Previous", "ABCB"}, {"Next", "ABCBC"}, {"Next", "ABCBCA"}}) {
        invoke(method);
        ASSERT_TRUE(hears(tail)) << method << " " << heard().toStdString();
    }
    EXPECT_EQ(status(), "Playing");

    // Pause holds the stream where it is (the capture stops), Play goes on from there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return position() > kSecond; }, 5000));
    invoke("Pause");
    EXPECT_EQ(status(), "Paused");
    const qlonglong paused = position();
    EXPECT_FALSE(grows());
    EXPECT_EQ(position(), paused);
    invoke("Play");
    EXPECT_EQ(status(), "Playing");
    EXPECT_NEAR(position(), paused, kSecond / 2);
    EXPECT_TRUE(grows());
    EXPECT_TRUE(heard().endsWith("ABCBCA"));
    for (const char* toggled : {"Paused", "Playing"}) {
        invoke("PlayPause");
        EXPECT_EQ(status(), toggled);
    }

    // Seeks, relative and absolute, are announced with where they landed.
    const qlonglong before = position();
    invoke("Seek", {5 * kSecond});
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_watcher.seeks.size() == 1; }, 5000));
    EXPECT_NEAR(m_watcher.seeks[0], before + 5 * kSecond, kSecond / 2);
    EXPECT_GE(position(), before + 5 * kSecond - kSecond / 2);
    const QVariant track = get("Metadata").toMap().value("mpris:trackid");
    invoke("SetPosition", {track, 2 * kSecond});
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_watcher.seeks.size() == 2; }, 5000));
    EXPECT_EQ(m_watcher.seeks[1], 2 * kSecond);
    EXPECT_NEAR(position(), 2 * kSecond, kSecond / 2);

    // The volume slider's share: half of it halves what is heard.
    set("Volume", 1.0);
    EXPECT_DOUBLE_EQ(get("Volume").toDouble(), 1.0);
    QTest::qWait(300);  // past the output's buffer
    const double full = level();
    set("Volume", 0.5);
    const double half = get("Volume").toDouble();
    EXPECT_NEAR(half, 0.5, 1.0 / 40);
    QTest::qWait(300);
    EXPECT_NEAR(level() / full, half, 0.03) << full;

    // List loop: the button's setting, saved at once; "Track" is not a loop this player has.
    for (const auto& [value, saved] : {std::pair{"Playlist", "2"}, {"Track", "2"}, {"None", "1"}}) {
        set("LoopStatus", QString(value));
        EXPECT_EQ(config("loop"), saved) << value;
        EXPECT_EQ(get("LoopStatus"), saved == QString("2") ? "Playlist" : "None") << value;
    }

    // Malformed calls are refused or ignored, and change nothing; a negative volume is silence.
    const QVariant stale = QVariant::fromValue(QDBusObjectPath("/org/orvoplayer/Track/7"));
    const auto variant = [](const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); };
    const QString music = QUrl::fromLocalFile(m_root.path() + "/music").toString();
    const std::tuple<const char*, const char*, QVariantList, bool> malformed[] = {
        {kPlayer, "Seek", {"ten seconds"}, true},
        {kPlayer, "SetPosition", {"/org/orvoplayer/Track/0", kSecond}, true},
        {kPlayer, "SetPosition", {stale, 20 * kSecond}, false},
        {kPlayer, "SetPosition", {track, 3600 * kSecond}, false},
        {kPlayer, "SetPosition", {track, -kSecond}, false},
        {kPlayer, "OpenUri", {music}, true},
        {kPlayer, "OpenUri", {music + "/none.flac"}, true},
        {kPlayer, "OpenUri", {"http://localhost/A.flac"}, true},
        {kPlayer, "OpenUri", {"file://elsewhere" + m_songs[1]}, true},
        {kPlayer, "OpenUri", {"%%not a uri"}, true},
        {kPlayer, "OpenUri", {42}, true},
        {kPlayer, "Rewind", {}, true},
        {kProperties, "Set", {kPlayer, "Volume", variant("loud")}, true},
        {kProperties, "Set", {kPlayer, "PlaybackStatus", variant("Paused")}, true},
        // Qt turns the number into the text "2", which is not a loop status: ignored.
        {kProperties, "Set", {kPlayer, "LoopStatus", variant(2)}, false},
        {kProperties, "Set", {kPlayer, "LoopStatus", variant("Shuffle")}, false},
        {kProperties, "Set", {kPlayer, "Volume", variant(-3.0)}, false}};
    for (const auto& [interface, method, args, error] : malformed)
        EXPECT_EQ(call(interface, method, args).type() == QDBusMessage::ErrorMessage, error)
            << method << " " << args.value(0).toString().toStdString() << " "
            << args.value(1).toString().toStdString();
    EXPECT_EQ(get("Volume"), 0.0);
    EXPECT_EQ(playList(), m_songs.mid(0, 3));
    EXPECT_EQ(status(), "Playing");
    EXPECT_EQ(config("loop"), "1");

    invoke("Stop");
    EXPECT_EQ(status(), "Stopped");
    EXPECT_EQ(get("CanPause"), false);
    EXPECT_FALSE(grows());
    // The second client saw every change as it came, in order.
    const QStringList announced =
        QStringLiteral(
            "Metadata=/org/orvoplayer/Track/0 PlaybackStatus=Paused PlaybackStatus=Playing "
            "Volume=1 Volume=%1 LoopStatus=Playlist LoopStatus=None PlaybackStatus=Stopped")
            .arg(half)
            .split(' ');
    const auto inOrder = [&] {
        qsizetype at = 0;
        for (const QString& change : announced)
            if ((at = m_watcher.changes.indexOf(change, at)) < 0) return false;
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor(inOrder, 5000)) << m_watcher.changes.join(", ").toStdString();
    EXPECT_EQ(m_watcher.seeks.size(), 2);

    // Raise brings a window that another program unmapped back, as the tray icon would.
    xdotool({"windowunmap", "--sync", m_window});
    EXPECT_TRUE(xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty());
    invoke("Raise", {}, kRoot);
    EXPECT_EQ(window("欧沃播放器"), m_window);
    // Quit ends the program as the close button does: the settings are written.
    set("Volume", 0.5);
    invoke("Quit", {}, kRoot);
    ASSERT_TRUE(ended(running));
    EXPECT_EQ(running->exitCode(), 0);
    EXPECT_TRUE(QStringList({"20", "21"}).contains(config("volume")))
        << config("volume").toStdString();
    EXPECT_EQ(config("lastplayfile"), m_songs[0]);
}

TEST_F(MprisTest, WithoutAUsableDesktopBusThePlayerPlaysAndQuitsAsBefore) {
    makeSongs(6);
    // A bus that takes the connection and never says a word: the kernel accepts for the
    // listening socket, nobody reads.
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(m_root.path() + "/mute-bus"));
    // No bus at all is how every other end-to-end test runs.
    for (const QString& address :
         {QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nonsense"),
          "unix:path=" + mute.fullServerName()}) {
        SCOPED_TRACE(address.toStdString());
        m_env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        QProcess* running = player();
        ASSERT_EQ(second({m_songs[1]}), 0);
        EXPECT_TRUE(hears("B", 30000)) << heard().toStdString();
        EXPECT_TRUE(terminate(running)) << "the player did not end on SIGTERM";
        EXPECT_EQ(config("lastplayfile"), m_songs[1]);
    }
}

}  // namespace

#include "MprisService_test.moc"
