#pragma once
// Playback of one song at a time through the audio library: the stream and its ten equaliser
// effects, the song's duration, volume and mute, list loop, the chosen sound effect and the
// current entry of the play list. The window's timers drive OnProgressTimer; what is to be shown
// goes to a PlayerView. A change listener hears of every change of state (song, playing, paused,
// volume, loop, list) so the desktop's media controls can follow. Without the audio library (api
// null) nothing plays and nothing fails.
// Thread: UI thread only.

#include "PlayerView.h"
#include "audio/OrvoAudioApi.h"
#include "store/StoreRecords.h"

#include <QList>
#include <QString>
#include <array>
#include <functional>

class Playback {
public:
    static constexpr int kBandCount = 10;
    static constexpr int kEffectCount = 6;
    static constexpr std::array<float, kBandCount> kBandCentresHz = {31,   62,   125,  250,  500,
                                                                     1000, 2000, 4000, 8000, 16000};
    static constexpr float kBandwidthSemitones = 12.0f;

    // list: the play list array (owned by the list control); view may be null.
    Playback(const QList<tagFileListInfo>* list, PlayerView* view);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    void setView(PlayerView* view) { m_view = view; }
    // The audio library is started after the window's first frame; until then api is null.
    void setApi(const OrvoAudio::Api* api) { m_api = api; }
    const OrvoAudio::Api* api() const { return m_api; }

    // The current entry. Paths are kept whole (a cut path would name another file).
    void SetCurrent(const QString& path, const QString& title, int index);
    QString currentPath() const { return m_path; }
    QString currentTitle() const { return m_title; }
    int currentIndex() const { return m_index; }

    // Opens path as a stream with the effects, volume and mute in force and starts it. False
    // (and nothing changed) when it cannot be opened.
    bool PlayFile(const QString& path);
    // Stops and frees the stream; the view resets its display.
    void Stop();
    // The play button's stop: the list's mark goes too.
    void StopCurrent();
    // Stops while playing; resumes while paused; otherwise plays the current entry. With no
    // current path and a non-empty list, the entry at the current index becomes current first.
    bool PlayCurrent();
    // A real pause: the stream stays where it is and Resume continues from there. False when
    // nothing plays (Pause) or nothing is paused (Resume).
    bool Pause();
    bool Resume();
    bool isPaused() const { return m_paused; }
    // Stops, makes row index of the list current, marks it (flag as for RowMarked) and plays it.
    // False when the list is empty or the file cannot be opened.
    bool PlayIndex(int index, int flag);
    // The next row, wrapping to the first; the previous row, staying at the first.
    bool Next();
    bool Previous();

    struct Progress {
        bool ended = false;     // the song ended (and playback stopped)
        bool advanced = false;  // list loop started the next song
        int sliderValue = 0;
        qint64 durationSeconds = 0;
        qint64 elapsedSeconds = 0;
    };
    // Timer 1: the song's progress for a position slider of sliderLength pixels, or its end
    // (then, with list loop on, the next song). The length is read anew each time: a decoder
    // that finds the real end late corrects it.
    Progress OnProgressTimer(int sliderLength);

    // The position slider moved to value of length pixels.
    void Seek(int value, int length);
    // Moves the stream (playing or paused) to seconds; false without one or beyond its end.
    bool SeekSeconds(double seconds);
    // What has been heard of the stream and its exact length, in seconds; 0 without a stream.
    double positionSeconds() const;
    double lengthSeconds() const;
    // The volume slider's value of length pixels; heard unless muted.
    void SetVolume(int value, int length);
    void SetMuted(bool muted);
    void ToggleMute() { SetMuted(!m_muted); }
    bool isMuted() const { return m_muted; }
    float volume() const { return m_volume; }

    // Sound effect 0 .. 5 (0 flat); applies at once and to every later song. Others ignored.
    void SetSoundEffect(int choice);
    int soundEffect() const { return m_effect; }
    // The settings page's message: wParam non-zero means 0, else lParam + 1; -1 when invalid.
    static int EffectFromMessage(qintptr wParam, qintptr lParam);
    static const std::array<float, kBandCount>& EffectGains(int choice);

    void setLoop(bool on);
    bool isLoop() const { return m_loop; }
    bool isPlaying() const { return m_playing; }
    OrvoAudio::Handle stream() const { return m_stream; }
    OrvoAudio::Handle effectHandle(int band) const { return m_fx.at(band); }
    qint64 songDuration() const { return m_duration; }
    const QList<tagFileListInfo>* list() const { return m_list; }

    // Called after each change of state; the list's owner calls NotifyChanged when it edits the
    // list. The listener must not call back into a running operation: it should queue its work.
    void setChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }
    void NotifyChanged() {
        if (m_changed) m_changed();
    }

    // "%02d:%02d" of minutes and seconds; minutes are not limited (3725 s is "62:05").
    static QString FormatTime(qint64 seconds);

private:
    void applyEffect();
    void applyVolume();
    qint64 readDuration() const;
    int clampedIndex(int index) const;

    const QList<tagFileListInfo>* m_list;
    PlayerView* m_view;
    const OrvoAudio::Api* m_api = nullptr;
    OrvoAudio::Handle m_stream = 0;
    std::array<OrvoAudio::Handle, kBandCount> m_fx{};
    qint64 m_duration = 0;
    float m_volume = 0.0f;
    bool m_muted = false;
    bool m_loop = false;
    bool m_playing = false;
    bool m_paused = false;
    int m_effect = 0;
    QString m_path;
    QString m_title;
    int m_index = 0;
    std::function<void()> m_changed;
};
