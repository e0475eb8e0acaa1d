// The player's MPRIS service on a private desktop bus: a bus daemon started here, the built
// player on a private X server, one bus client calling and a second one watching. Every call is
// checked against what the null output's capture heard (each song has its own tone) and what the
// player's files say.

#include "tests/e2e/PlayerE2E.h"

#include <QtCore/qtestsupport_core.h>
#include <QStandardPaths>
#include <QUrl>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

constexpr char kService[] = "org.mpris.MediaPlayer2.orvoplayer";
constexpr char kPath[] = "/org/mpris/MediaPlayer2";
constexpr char kRoot[] = "org.mpris.MediaPlayer2";
constexpr char kPlayer[] = "org.mpris.MediaPlayer2.Player";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr qlonglong kSecond = 1000000;

// The second client: what the player announced, as "Name=value" (Metadata as its track id).
class BusWatcher : public QObject {
    Q_OBJECT
public slots:
    void changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
        for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
            QString value = it.value().metaType() == QMetaType::fromType<double>()
                                ? QString::number(it.value().toDouble(), 'g', 6)
                                : it.value().toString();
            if (it.key() == QLatin1String("Metadata"))
                value = qdbus_cast<QVariantMap>(it.value())
                            .value("mpris:trackid")
                            .value<QDBusObjectPath>()
                            .path();
            changes << interface + ' ' + it.key() + '=' + value;
        }
    }
    void seeked(qlonglong position) { seeks << position; }

public:
    QStringList changes;
    QList<qlonglong> seeks;
};

class MprisTest : public PlayerE2E {
protected:
    void SetUp() override {
        PlayerE2E::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            GTEST_SKIP() << "needs dbus-daemon";
        // Songs of their own: long enough to pause and resume, with an artist for the metadata.
        m_songSeconds = 30;
        m_songArtist = "Orvo Tones";
        m_songs.clear();
        for (int i = 0; i < 3; ++i) m_songs << song("music", QChar('A' + i), kTones[i]);
        m_daemon.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        ASSERT_FALSE(m_address.isEmpty());
        m_env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        m_client = QDBusConnection::connectToBus(m_address, "mpris-test-client");
        m_watching = QDBusConnection::connectToBus(m_address, "mpris-test-watcher");
        ASSERT_TRUE(m_client.isConnected() && m_watching.isConnected());
        ASSERT_TRUE(m_watching.connect(kService, kPath, kProperties, "PropertiesChanged",
                                       &m_watcher,
                                       SLOT(changed(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(m_watching.connect(kService, kPath, kPlayer, "Seeked", &m_watcher,
                                       SLOT(seeked(qlonglong))));
    }

    void TearDown() override {
        PlayerE2E::TearDown();
        QDBusConnection::disconnectFromBus("mpris-test-client");
        QDBusConnection::disconnectFromBus("mpris-test-watcher");
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) m_daemon.kill(), m_daemon.waitForFinished();
    }

    // The player, once its window is up and its name is on the bus.
    QProcess* startPlayer(const QString& capture) {
        QProcess* p = start({}, capture);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return m_client.interface()->isServiceRegistered(kService).value(); }, 15000));
        return p;
    }

    QDBusMessage call(const char* interface, const char* method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        m.setArguments(args);
        return m_client.call(m, QDBus::Block, 10000);
    }
    // Calls a player method that must succeed, then lets its announcements arrive.
    void player(const char* method, const QVariantList& args = {}) {
        const QDBusMessage reply = call(kPlayer, method, args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method << ": " << reply.errorMessage().toStdString();
        QTest::qWait(200);
    }
    QVariant get(const char* interface, const char* name) {
        const QDBusMessage reply = call(kProperties, "Get", {interface, name});
        const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        return value.canConvert<QDBusArgument>() ? QVariant(qdbus_cast<QVariantMap>(value)) : value;
    }
    QDBusMessage set(const char* name, const QVariant& value) {
        const QDBusMessage reply =
            call(kProperties, "Set", {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
        QTest::qWait(200);
        return reply;
    }
    QString status() { return get(kPlayer, "PlaybackStatus").toString(); }
    qlonglong position() { return get(kPlayer, "Position").toLongLong(); }
    QVariantMap metadata() { return get(kPlayer, "Metadata").toMap(); }
    QString uri(int song) const { return QUrl::fromLocalFile(m_songs[song]).toString(); }

    // The loudness (RMS of the left channel, 0 .. 1) of what the capture gained over ms.
    static double levelOver(const QString& capture, int ms) {
        const qint64 from = QFile(capture).size() & ~qint64(3);
        QTest::qWait(ms);
        QFile file(capture);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) return 0;
        const QByteArray bytes = file.readAll();
        const auto* pcm = reinterpret_cast<const qint16*>(bytes.constData());
        const qsizetype frames = bytes.size() / 4;
        double sum = 0;
        for (qsizetype i = 0; i < frames; ++i) sum += std::pow(pcm[i * 2] / 32768.0, 2);
        return frames > 0 ? std::sqrt(sum / double(frames)) : 0;
    }
    // Whether the capture grows by more than a little over ms.
    static bool grows(const QString& capture, int ms = 1000) {
        const qint64 before = QFile(capture).size();
        QTest::qWait(ms);
        return QFile(capture).size() > before + 16384;
    }

    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_client{QString()};
    QDBusConnection m_watching{QString()};
    BusWatcher m_watcher;
};

TEST_F(MprisTest, EveryMethodAndPropertyFollowsWhatIsHeard) {
    const QString capture = m_root.path() + "/mpris.wav";
    startPlayer(capture);
    // What the player is and accepts.
    const std::pair<const char*, QVariant> rootProperties[] = {
        {"Identity", QString::fromUtf8("欧沃播放器")},
        {"DesktopEntry", "orvoplayer"},
        {"CanQuit", true},
        {"CanRaise", true},
        {"HasTrackList", false},
        {"SupportedUriSchemes", QStringList{"file"}}};
    for (const auto& [name, want] : rootProperties) EXPECT_EQ(get(kRoot, name), want) << name;
    const QStringList types = get(kRoot, "SupportedMimeTypes").toStringList();
    for (const char* type : {"audio/x-mp1", "audio/x-mp2", "audio/mpeg", "audio/x-ms-wma",
                             "audio/flac", "audio/aac", "audio/ogg", "audio/x-ape"})
        EXPECT_TRUE(types.contains(type)) << type;
    // An empty list: nothing to play, and Play does nothing.
    const std::pair<const char*, QVariant> idle[] = {{"PlaybackStatus", "Stopped"},
                                                     {"LoopStatus", "None"},
                                                     {"Rate", 1.0},
                                                     {"MinimumRate", 1.0},
                                                     {"MaximumRate", 1.0},
                                                     {"Shuffle", false},
                                                     {"CanPlay", false},
                                                     {"CanPause", false},
                                                     {"CanSeek", false},
                                                     {"CanGoNext", false},
                                                     {"CanGoPrevious", false},
                                                     {"CanControl", true},
                                                     {"Position", 0LL}};
    for (const auto& [name, want] : idle) EXPECT_EQ(get(kPlayer, name), want) << name;
    EXPECT_EQ(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    player("Play");
    EXPECT_EQ(status(), "Stopped");

    // Opened songs join the list and play, each in turn.
    for (int i = 0; i < 3; ++i) {
        player("OpenUri", {uri(i)});
        ASSERT_TRUE(hears(capture, QString("ABC").left(i + 1))) << heard(capture).toStdString();
    }
    EXPECT_EQ(playList(), m_songs.join('|'));
    const QVariantMap song = metadata();
    EXPECT_EQ(song.value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/orvoplayer/Track/2");
    EXPECT_EQ(song.value("xesam:title"), "Song C");
    EXPECT_EQ(song.value("xesam:artist"), QStringList{"Orvo Tones"});
    EXPECT_EQ(song.value("xesam:url"), uri(2));
    EXPECT_NEAR(song.value("mpris:length").toLongLong(), 30 * kSecond, kSecond / 10);
    for (const char* can : {"CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious"})
        EXPECT_EQ(get(kPlayer, can), true) << can;

    // Previous and next as the buttons do: next wraps from the last song to the first.
    const std::pair<const char*, QString> steps[] = {
        {"Previous", "ABCB"}, {"Next", "ABCBC"}, {"Next", "ABCBCA"}};
    for (const auto& [method, tail] : steps) {
        player(method);
        ASSERT_TRUE(hears(capture, tail)) << method << " " << heard(capture).toStdString();
    }
    EXPECT_EQ(status(), "Playing");

    // Pause holds the stream where it is (the capture stops), Play goes on from there.
    QTest::qWait(1000);
    player("Pause");
    EXPECT_EQ(status(), "Paused");
    const qlonglong paused = position();
    EXPECT_GT(paused, kSecond / 2);
    EXPECT_FALSE(grows(capture));
    EXPECT_EQ(position(), paused);
    player("Play");
    EXPECT_EQ(status(), "Playing");
    EXPECT_NEAR(position(), paused, kSecond / 2);
    EXPECT_TRUE(grows(capture));
    EXPECT_TRUE(heard(capture).endsWith("ABCBCA"));
    player("PlayPause");
    EXPECT_EQ(status(), "Paused");
    player("PlayPause");
    EXPECT_EQ(status(), "Playing");

    // Seeks, relative and absolute, are announced with where they landed.
    const qlonglong before = position();
    player("Seek", {5 * kSecond});
    ASSERT_EQ(m_watcher.seeks.size(), 1);
    EXPECT_NEAR(m_watcher.seeks[0], before + 5 * kSecond, kSecond / 2);
    EXPECT_GE(position(), before + 5 * kSecond - kSecond / 2);
    const QVariant track = metadata().value("mpris:trackid");
    player("SetPosition", {track, 2 * kSecond});
    ASSERT_EQ(m_watcher.seeks.size(), 2);
    EXPECT_EQ(m_watcher.seeks[1], 2 * kSecond);
    EXPECT_NEAR(position(), 2 * kSecond, kSecond / 2);

    // The volume slider's share: half of it halves what is heard.
    EXPECT_EQ(set("Volume", 1.0).type(), QDBusMessage::ReplyMessage);
    EXPECT_DOUBLE_EQ(get(kPlayer, "Volume").toDouble(), 1.0);
    QTest::qWait(300);
    const double full = levelOver(capture, 1000);
    set("Volume", 0.5);
    const double half = get(kPlayer, "Volume").toDouble();
    EXPECT_NEAR(half, 0.5, 1.0 / 40);
    QTest::qWait(300);
    EXPECT_NEAR(levelOver(capture, 1000) / full, half, 0.03) << full;

    // List loop: the button's setting, saved at once; "Track" is not a loop this player has.
    const std::pair<const char*, QString> loops[] = {
        {"Playlist", "2"}, {"Track", "2"}, {"None", "1"}};
    for (const auto& [value, saved] : loops) {
        set("LoopStatus", QString(value));
        EXPECT_EQ(config("loop"), saved) << value;
        EXPECT_EQ(get(kPlayer, "LoopStatus"), saved == "2" ? "Playlist" : "None") << value;
    }

    player("Stop");
    EXPECT_EQ(status(), "Stopped");
    EXPECT_EQ(get(kPlayer, "CanPause"), false);
    EXPECT_FALSE(grows(capture));

    // The second client saw every change as it came, in order.
    const QString p = QString(kPlayer) + ' ';
    const QStringList announced = {p + "Metadata=/org/orvoplayer/Track/0",
                                   p + "PlaybackStatus=Paused",
                                   p + "PlaybackStatus=Playing",
                                   p + "Volume=1",
                                   p + "Volume=" + QString::number(half),
                                   p + "LoopStatus=Playlist",
                                   p + "LoopStatus=None",
                                   p + "PlaybackStatus=Stopped"};
    qsizetype at = 0;
    for (const QString& change : announced) {
        const qsizetype found = m_watcher.changes.indexOf(change, at);
        EXPECT_GE(found, 0) << change.toStdString() << " in "
                            << m_watcher.changes.join(", ").toStdString();
        at = std::max(at, found);
    }
}

TEST_F(MprisTest, MalformedCallsChangeNothingAndRaiseAndQuitActAsTheWindowDoes) {
    const QString capture = m_root.path() + "/mpris.wav";
    QProcess* running = startPlayer(capture);
    player("OpenUri", {uri(0)});
    ASSERT_TRUE(hears(capture, "A"));
    const QVariant track = metadata().value("mpris:trackid");
    const QVariant stale = QVariant::fromValue(QDBusObjectPath("/org/orvoplayer/Track/7"));
    const auto variant = [](const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); };
    const QString folder = QUrl::fromLocalFile(m_root.path() + "/music").toString();
    const QString missing = QUrl::fromLocalFile(m_root.path() + "/music/none.flac").toString();
    struct Case {
        const char* interface;
        const char* method;
        QVariantList args;
        bool error;
    };
    const Case cases[] = {
        {kPlayer, "Seek", {"ten seconds"}, true},
        {kPlayer, "SetPosition", {"/org/orvoplayer/Track/0", kSecond}, true},
        {kPlayer, "SetPosition", {stale, 20 * kSecond}, false},
        {kPlayer, "SetPosition", {track, 3600 * kSecond}, false},
        {kPlayer, "SetPosition", {track, -kSecond}, false},
        {kPlayer, "OpenUri", {folder}, true},
        {kPlayer, "OpenUri", {missing}, true},
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
        {kProperties, "Set", {kPlayer, "Volume", variant(-3.0)}, false},
    };
    for (const Case& c : cases) {
        const QDBusMessage reply = call(c.interface, c.method, c.args);
        EXPECT_EQ(reply.type() == QDBusMessage::ErrorMessage, c.error)
            << c.method << " " << c.args.value(0).toString().toStdString() << " "
            << c.args.value(1).toString().toStdString();
    }
    // A negative volume is silence, not an error; nothing else changed and nothing was added.
    QTest::qWait(500);
    EXPECT_EQ(get(kPlayer, "Volume"), 0.0);
    EXPECT_TRUE(m_watcher.seeks.isEmpty());
    EXPECT_EQ(playList(), m_songs[0]);
    EXPECT_EQ(status(), "Playing");
    EXPECT_EQ(config("loop"), "1");

    // Raise brings a window that another program unmapped back, as the tray icon would.
    xdotool({"windowunmap", "--sync", m_window});
    EXPECT_TRUE(xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty());
    EXPECT_EQ(call(kRoot, "Raise").type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !xdotool({"search", "--onlyvisible", "--name", "欧沃播放器"}).isEmpty();
        },
        5000));

    // Quit ends the program as the close button does: the settings are written.
    set("Volume", 0.5);
    set("LoopStatus", "Playlist");
    EXPECT_EQ(call(kRoot, "Quit").type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(ended(running));
    EXPECT_EQ(running->exitCode(), 0);
    const int volume = config("volume").toInt();
    EXPECT_TRUE(volume == 20 || volume == 21) << volume;
    EXPECT_EQ(config("loop"), "2");
    EXPECT_EQ(config("lastplayfile"), m_songs[0]);
}

TEST_F(MprisTest, WithoutAUsableDesktopBusThePlayerPlaysAsBefore) {
    const char* addresses[] = {nullptr, "unix:path=/nonexistent/bus", "nonsense"};
    for (const char* address : addresses) {
        SCOPED_TRACE(address ? address : "unset");
        if (address) {
            m_env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        } else {
            m_env.remove("DBUS_SESSION_BUS_ADDRESS");
        }
        const QString capture =
            m_root.path() + "/nobus-" + QString::number(m_players.size()) + ".wav";
        QProcess* running = start({}, capture);
        ASSERT_TRUE(ended(start({m_songs[1]})));
        EXPECT_TRUE(hears(capture, "B", 30000)) << heard(capture).toStdString();
        running->kill();
        running->waitForFinished(10000);
        m_blocks.clear();
    }
}

}  // namespace

#include "MprisService_test.moc"
