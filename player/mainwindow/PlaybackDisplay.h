#pragma once
// Shows playback and the play list on the main window's controls: the name label and its
// marquee (timer 3), the position slider and both time labels (timer 1), the window title, the
// play button's picture and the list's playing mark. The timers belong to the window and run
// only while a song plays.
// Thread: UI thread only.

#include "core/PlayerView.h"

#include <QObject>
#include <QTimer>

class ControlPanelDlg;
class Playback;

class PlaybackDisplay : public QObject, public PlayerView {
    Q_OBJECT
public:
    static constexpr int kProgressMs = 1000;  // timer 1
    static constexpr int kMarqueeMs = 100;    // timer 3

    PlaybackDisplay(ControlPanelDlg& window, Playback& playback);

    void SongStarted(const QString& title) override;
    void SongStopped() override;
    void RowMarked(int row, int flag) override;
    void ListChanged(bool scrollToEnd) override;
    void RowsRearranged(const QList<int>& newIndexOf) override;
    void AddingProgress(bool busy, int done, int total) override;

    // Timer 1 and timer 3; public so tests can step them.
    void OnProgressTimer();
    void OnMarqueeTimer();
    // The play button's picture follows playback (after the button swapped it on a click).
    void SyncPlayButton();
    // The name label's place and width for the current title and window size.
    void LayoutNameLable();
    // After a resize: the marquee runs exactly while the title is wider than its label.
    void UpdateMarquee();

    bool isProgressRunning() const { return m_progress.isActive(); }
    bool isMarqueeRunning() const { return m_marquee.isActive(); }
    int marqueeDirection() const { return m_direction; }

private:
    ControlPanelDlg& m_window;
    Playback& m_playback;
    QTimer m_progress;
    QTimer m_marquee;
    int m_direction = 0;
};
