#pragma once
// skinlist.xml: one top-level element "SKIN" per skin with "id", "fname" and "maskcolor"
// (signed decimal), text in the locale's 8-bit encoding; and the one-skin description files.

#include "StoreRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

class SkinListFile {
public:
    static void write(const QList<tagUiBgSkinInfo>& list);
    // Appends the stored skins after those already in list.
    static void read(QList<tagUiBgSkinInfo>* list);
    // The first skin whose "id" equals id exactly; an empty record when there is none.
    static tagUiBgSkinInfo find(const QString& id);
    // Writes "<name>.xml" in the data folder. Refused, with nothing written: names that could
    // leave the folder, the names of the store's own files, empty names and control characters.
    static bool saveDescription(const QString& name, const QByteArray& maskcolor);
    static bool isSafeName(const QString& name);
};
