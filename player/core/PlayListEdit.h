#pragma once
// Removing and moving rows of the play list array while keeping track of where every entry
// went, so that the current song, the playing mark and the selection can follow their rows.
// Entries are told apart by position only: the same file may be listed twice.
// Thread: UI thread only (the array belongs to the list control).

#include "store/StoreRecords.h"

#include <QList>

class PlayListEdit {
public:
    // The rows within 0 .. count - 1, each once, ascending.
    static QList<int> ValidRows(const QList<int>& rows, int count);
    // Removes the rows (others ignored). For every old row its new index (-1: removed); empty
    // when nothing was removed.
    static QList<int> RemoveRows(QList<tagFileListInfo>& items, const QList<int>& rows);
    // Moves the rows, in their list order, to the gap before row `before` (the count: after
    // the last). The same map as RemoveRows; empty when the order stays as it was, also for a
    // gap outside 0 .. count.
    static QList<int> MoveRows(QList<tagFileListInfo>& items, const QList<int>& rows, int before);
};
