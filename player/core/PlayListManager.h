#pragma once
// The play list's operations: filling it from the add-files dialog, drops, single files and
// hand-overs (folders expanded into their supported files), loading it at start, restoring the
// last played entry, clearing it, removing and moving rows. The list is saved through the store
// after every change. The tag reader is loaded around each adding operation. Thread: UI thread
// only. A hand-over that arrives while a long adding operation lets the window repaint is queued
// and runs when that operation is done.

#include "Playback.h"
#include "PlayerView.h"
#include "store/StoreRecords.h"

#include <QList>
#include <QStringList>
#include <QUrl>

class QWidget;

class PlayListManager {
public:
    // Files are added and saved in chunks of this many, with progress between them.
    static constexpr int kChunk = 256;

    PlayListManager(QList<tagFileListInfo>& items, Playback& playback, PlayerView* view);

    void LoadPlayListAtStart();
    // Makes the stored "lastplayfile" current and plays it when the list holds it.
    bool RestoreLastPlayed();
    void ClearPlayList();

    // The platform's file dialog (several files); nothing changes when it is cancelled.
    void AddFilesFromDialog(QWidget* parent);
    // Dropped files and folders: files by the exact extension rule, folders expanded.
    void AddDroppedFiles(const QList<QUrl>& urls);
    // One file, added whatever its name; titled as a single file.
    void AddFileToList(const QString& path);
    // Appends every path (folders expanded) and plays the first added. False when nothing was
    // added (empty paths are skipped).
    bool OpenHandedOverFiles(const QStringList& paths);

    // Remove the rows / move them (in list order) to the gap before row `before` (the count:
    // the end); rows out of range are ignored. The current song keeps playing and keeps its
    // mark when rows around it change; removing it stops it, and the play button then starts at
    // the row that took its place. Saved when something changed; false when nothing did.
    bool RemoveRows(const QList<int>& rows);
    bool MoveRows(const QList<int>& rows, int before);

    // Appends entries for files, titled as source says, in order; saves; returns how many.
    int AddFiles(const QStringList& files, bool listedTitles);

    // Files of path: a folder gives its supported files, recursively, in name order (links to
    // folders are not followed); a file is kept when it is supported or checkExtension is off.
    static QStringList ExpandPath(const QString& path, bool checkExtension);
    // The local paths of a drop's URLs, in order.
    static QStringList LocalPaths(const QList<QUrl>& urls);
    // The dialog's filter line.
    static QString DialogFilter();

    bool isBusy() const { return m_busy; }

private:
    void runPending();
    bool rowsRearranged(const QList<int>& newIndexOf);

    QList<tagFileListInfo>& m_items;
    Playback& m_playback;
    PlayerView* m_view;
    bool m_busy = false;
    QList<QStringList> m_pending;
};
