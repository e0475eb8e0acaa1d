#pragma once
// The player as the desktop's media controls see it (MPRIS 2): the operations and properties of
// the root and player interfaces, worked out from Playback and carried out through it and the
// window (MprisHost). Every change of state is announced once, after the operation that made it,
// as PropertiesChanged with the properties whose values differ from the last announcement; a
// seek is announced as Seeked. Calls that do not fit (a stale track id, a position beyond the
// end, an unusable URI) change nothing; an unusable URI is answered with an error.
// Thread: UI thread only (bus calls arrive here as queued events and are answered without
// waiting).

#include "MprisBusLink.h"

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class MprisHost;
class MprisPlayerAdaptor;
class Playback;

class MprisService : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

    MprisService(Playback& playback, MprisHost& host);
    ~MprisService() override;

    // Connects to the desktop bus in the background (nothing when there is none).
    void start();
    MprisBusLink& bus() { return m_bus; }
    // Playback's change listener: the announcement is made once the current operation is over.
    void playbackChanged();

    // Root interface.
    void Raise();
    void Quit();
    static QStringList supportedMimeTypes();

    // Player interface. The transport actions as the protocol defines them: Play resumes a
    // pause and does nothing while playing; PlayPause plays when stopped; Stop drops the list's
    // mark as the play button's stop does; each does nothing where it cannot apply.
    enum class Action { Play, Pause, PlayPause, Stop, Next, Previous };
    void Act(Action action);
    void Seek(qlonglong offsetMicros);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionMicros);
    void OpenUri(const QString& uri);

    QString playbackStatus() const;
    QString loopStatus() const;
    void setLoopStatus(const QString& status);
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    QVariantMap metadata() const;
    bool canGoNext() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;

    // The id of the play list's row index.
    static QDBusObjectPath trackId(int index);

private:
    // The player properties that are announced when they change (Position never is).
    QVariantMap announcedProperties() const;
    void announceChanges();
    // Seeks to micros of the current song and announces it; false when it cannot.
    bool seekTo(qlonglong micros);
    bool hasSongs() const;
    qlonglong lengthMicros() const;

    Playback& m_playback;
    MprisHost& m_host;
    MprisPlayerAdaptor* m_player;
    MprisBusLink m_bus;
    QVariantMap m_announced;
    bool m_announceQueued = false;
    // The tags of the current song, read once per song.
    mutable QString m_tagPath;
    mutable QString m_tagTitle;
    mutable QString m_tagArtist;
};
