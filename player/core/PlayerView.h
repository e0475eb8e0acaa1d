#pragma once
// What the playback and the play list tell the window, so that both work without one (tests give
// them a recording view, or none). Thread: UI thread only.

#include <QList>
#include <QString>

class PlayerView {
public:
    virtual ~PlayerView() = default;
    // A stream started: show the title, start the progress and marquee timers.
    virtual void SongStarted(const QString& title) = 0;
    // Playback stopped: timers off, slider and time labels at zero, plain window title.
    virtual void SongStopped() = 0;
    // The list's playing mark moves to row (-1: none); flag 1 moving forward, 0 backward.
    virtual void RowMarked(int row, int flag) = 0;
    // Entries were added or removed; scrollToEnd after adding.
    virtual void ListChanged(bool scrollToEnd) = 0;
    // Entries were removed or moved: newIndexOf[i] is where row i went (-1: removed). The
    // list's playing mark and selection go with their rows.
    virtual void RowsRearranged(const QList<int>& newIndexOf) = 0;
    // A long adding operation: busy with done of total files; called between chunks so the
    // window can repaint. Ends with busy false.
    virtual void AddingProgress(bool busy, int done, int total) = 0;
};
