#pragma once
// The player's only way to its stored data. Each operation loads the data store library by name,
// looks up one export, calls it once and unloads the library, so nothing is cached and a file
// changed by hand is seen at the next call. When the library or the export is missing the
// operation is skipped: reads give the fallback or an empty record.
//
// Threads: the user-interface thread only (the library path setting is not guarded).

#include "store/StoreRecords.h"

#include <QList>
#include <QString>

class StoreBinding {
public:
    // The stored value of key, or fallback when it is empty or missing.
    static QString ReadConfigValue(const QString& key, const QString& fallback);
    // ReadConfigValue turned into a number by the decimal rule (TextOps::decimalValue).
    static int ReadConfigNumber(const QString& key, const QString& fallback);

    static void WriteConfigValue(const QString& key, const QString& value);
    static void WriteConfigValue(const QString& key, int value);

    // The stored skin with this id; an empty record (empty id, mask colour 0) when none.
    static tagUiBgSkinInfo ReadSkinInfo(const QString& id);
    // Mode 0 writes list to the skin list file; any other mode appends the stored skins.
    static void CallSkinList(int mode, QList<tagUiBgSkinInfo>* list);

    static void SavePlayList(QList<tagFileListInfo>* list);
    static void LoadPlayList(QList<tagFileListInfo>* list);

    // Which library file to load. Empty (the default): the program folder's libOrvo_XMLCtrl.so,
    // else "Orvo_XMLCtrl" through the ordinary library search. A set path is used alone.
    static void setLibraryPath(const QString& path);
    static QString libraryPath();
};
