#pragma once
// playlist.xml (written and read, UTF-8) and radiolist.xml (read only, 8-bit locale encoding):
// one top-level element per entry with the attributes "value" (path) and "name" (title).

#include "StoreRecords.h"

#include <QList>

class PlayListFile {
public:
    static void write(const QList<tagFileListInfo>& list);
    // Appends the stored entries after those already in list.
    static void read(QList<tagFileListInfo>* list);
    static void readRadio(QList<tagFileListInfo>* list);
};
