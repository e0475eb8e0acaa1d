#include "MprisService.h"

#include "MprisHost.h"
#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"
#include "core/AudioLibrary.h"
#include "core/Playback.h"
#include "core/TagReaderBinding.h"

#include <QDBusMessage>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <cmath>

namespace {

constexpr double kMicros = 1e6;

}  // namespace

MprisService::MprisService(Playback& playback, MprisHost& host)
    : m_playback(playback), m_host(host), m_player(new MprisPlayerAdaptor(this)), m_bus(this) {
    new MprisRootAdaptor(this);
    // What the desktop reads when it first looks is the base of the first announcement.
    connect(&m_bus, &MprisBusLink::nameAcquired, this,
            [this] { m_announced = announcedProperties(); });
}

MprisService::~MprisService() = default;

void MprisService::start() { m_bus.start(); }

void MprisService::playbackChanged() {
    if (m_announceQueued) return;
    m_announceQueued = true;
    QMetaObject::invokeMethod(this, &MprisService::announceChanges, Qt::QueuedConnection);
}

QStringList MprisService::supportedMimeTypes() {
    // MP1, MP2, MP3, WMA, FLAC, AAC, OGG, APE, under the names desktops know them by.
    return {QStringLiteral("audio/mpeg"),         QStringLiteral("audio/x-mp1"),
            QStringLiteral("audio/x-mp2"),        QStringLiteral("audio/x-mp3"),
            QStringLiteral("audio/x-ms-wma"),     QStringLiteral("audio/flac"),
            QStringLiteral("audio/x-flac"),       QStringLiteral("audio/aac"),
            QStringLiteral("audio/x-aac"),        QStringLiteral("audio/ogg"),
            QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-ape"),
            QStringLiteral("audio/ape")};
}

QDBusObjectPath MprisService::trackId(int index) {
    // Not under /org/mpris, which belongs to the protocol's own paths.
    return QDBusObjectPath(QStringLiteral("/org/orvoplayer/Track/%1").arg(index));
}

// --- root ------------------------------------------------------------------------------------

void MprisService::Raise() { m_host.Raise(); }

void MprisService::Quit() {
    // After the answer has gone out.
    QTimer::singleShot(0, this, [this] { m_host.Quit(); });
}

// --- player operations -----------------------------------------------------------------------

void MprisService::Act(Action action) {
    const bool playing = m_playback.isPlaying();
    switch (action) {
        case Action::PlayPause:
            if (playing) {
                m_playback.Pause();
                break;
            }
            [[fallthrough]];
        case Action::Play:
            if (!playing && canPlay()) m_playback.PlayCurrent();
            break;
        case Action::Pause:
            m_playback.Pause();
            break;
        case Action::Stop:
            if (playing || m_playback.isPaused()) m_playback.StopCurrent();
            break;
        case Action::Next:
            if (hasSongs()) m_playback.Next();
            break;
        case Action::Previous:
            if (hasSongs()) m_playback.Previous();
            break;
    }
}

void MprisService::Seek(qlonglong offsetMicros) {
    if (!canSeek()) return;
    // Clamped at the start; past the end is the next song, as the protocol asks.
    const qlonglong target = std::max<qlonglong>(0, position() + offsetMicros);
    if (target > lengthMicros()) {
        Act(Action::Next);
        return;
    }
    seekTo(target);
}

void MprisService::SetPosition(const QDBusObjectPath& track, qlonglong positionMicros) {
    // A position meant for another song (one that has ended meanwhile) or past the end is not
    // applied to this one.
    if (!canSeek() || track != trackId(m_playback.currentIndex())) return;
    if (positionMicros < 0 || positionMicros > lengthMicros()) return;
    seekTo(positionMicros);
}

bool MprisService::seekTo(qlonglong micros) {
    if (!m_playback.SeekSeconds(double(micros) / kMicros)) return false;
    emit m_player->Seeked(micros);
    return true;
}

void MprisService::OpenUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    const bool local = url.isValid() && url.scheme() == QLatin1String("file") &&
                       (url.host().isEmpty() || url.host() == QLatin1String("localhost"));
    const QString path = local ? url.toLocalFile() : QString();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable()) {
        // Nothing is added: a folder, another scheme or a missing file is the caller's mistake.
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs,
                           QStringLiteral("not a readable local file: %1").arg(uri));
        return;
    }
    // Adding reads tags: after the answer has gone out.
    const QString file = info.absoluteFilePath();
    QTimer::singleShot(0, this, [this, file] { m_host.OpenFile(file); });
}

// --- player properties -----------------------------------------------------------------------

QString MprisService::playbackStatus() const {
    if (m_playback.isPlaying()) return QStringLiteral("Playing");
    if (m_playback.isPaused()) return QStringLiteral("Paused");
    return QStringLiteral("Stopped");
}

QString MprisService::loopStatus() const {
    return m_playback.isLoop() ? QStringLiteral("Playlist") : QStringLiteral("None");
}

void MprisService::setLoopStatus(const QString& status) {
    // The list loop is the only loop there is: "Track" and unknown values are ignored.
    if (status == QLatin1String("Playlist")) {
        m_host.SetLoop(true);
    } else if (status == QLatin1String("None")) {
        m_host.SetLoop(false);
    }
}

double MprisService::volume() const { return m_playback.volume(); }

void MprisService::setVolume(double volume) {
    if (std::isnan(volume)) return;
    m_host.SetVolume(std::clamp(volume, 0.0, 1.0));
}

qlonglong MprisService::position() const {
    return qlonglong(std::llround(m_playback.positionSeconds() * kMicros));
}

qlonglong MprisService::lengthMicros() const {
    return qlonglong(std::llround(m_playback.lengthSeconds() * kMicros));
}

QVariantMap MprisService::metadata() const {
    const QString path = m_playback.currentPath();
    if (path.isEmpty())
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(kNoTrack)))}};
    if (path != m_tagPath) {
        m_tagPath = path;
        m_tagTitle.clear();
        m_tagArtist.clear();
        const TagReaderBinding tags(AudioLibrary::api());
        if (!tags.ReadTags(path, TagReaderBinding::Source::Single, m_tagTitle, m_tagArtist))
            m_tagTitle.clear();
    }
    QVariantMap data;
    data.insert(QStringLiteral("mpris:trackid"),
                QVariant::fromValue(trackId(m_playback.currentIndex())));
    const qlonglong length = lengthMicros();
    if (length > 0) data.insert(QStringLiteral("mpris:length"), length);
    data.insert(QStringLiteral("xesam:title"),
                m_tagTitle.isEmpty() ? m_playback.currentTitle() : m_tagTitle);
    if (!m_tagArtist.isEmpty())
        data.insert(QStringLiteral("xesam:artist"), QStringList{m_tagArtist});
    data.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString());
    return data;
}

bool MprisService::hasSongs() const { return m_playback.list() && !m_playback.list()->isEmpty(); }

bool MprisService::canGoNext() const { return hasSongs(); }

bool MprisService::canPlay() const { return hasSongs() || !m_playback.currentPath().isEmpty(); }

bool MprisService::canPause() const { return m_playback.isPlaying() || m_playback.isPaused(); }

bool MprisService::canSeek() const { return canPause() && lengthMicros() > 0; }

// --- announcements ---------------------------------------------------------------------------

QVariantMap MprisService::announcedProperties() const {
    return {{QStringLiteral("PlaybackStatus"), playbackStatus()},
            {QStringLiteral("LoopStatus"), loopStatus()},
            {QStringLiteral("Metadata"), metadata()},
            {QStringLiteral("Volume"), volume()},
            {QStringLiteral("CanGoNext"), canGoNext()},
            {QStringLiteral("CanGoPrevious"), canGoNext()},
            {QStringLiteral("CanPlay"), canPlay()},
            {QStringLiteral("CanPause"), canPause()},
            {QStringLiteral("CanSeek"), canSeek()}};
}

void MprisService::announceChanges() {
    m_announceQueued = false;
    if (!m_bus.ownsName()) return;
    const QVariantMap now = announcedProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(MprisBusLink::kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    m_bus.send(signal);
}
