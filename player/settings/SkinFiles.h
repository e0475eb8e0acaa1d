#pragma once
// The files of the user's own backgrounds under the data folder's skin/: importing a picture as
// a new skin folder, and removing one. No widgets, so both run (and are tested) without a page.
// Thread: UI thread only (the store binding and the data folder are read here).

#include "store/StoreRecords.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

class SkinFiles {
public:
    // A new GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case: the skin's id and
    // folder name.
    static QString NewGuidText();
    // Year to millisecond of a local time, "%4d%02d%02d%02d%02d%02d%02d" (16 or 17 digits).
    static QString TimeStamp(const QDateTime& local);
    // The picture stretched to size (proportions not kept), transparent parts black.
    static QImage DrawThumbnail(const QImage& picture, QSize size);

    enum class ImportResult {
        Ok,
        Unreadable,  // not a picture we can read: nothing written
        NoFolder,    // the skin's folder could not be made (skin/ missing, not writable)
        WriteFailed  // the background could not be written: the new folder is removed again
    };
    struct Imported {
        tagUiBgSkinInfo skin;  // id = GUID text, fname = stamp + ".bmp", the picked mask colour
        QImage thumbnail;      // as read back from its file; null when that failed
    };
    // Makes skin/<GUID>/ with the background "<stamp>.bmp" and its thumbnail "<stamp>_s.bmp"
    // written at depth bits per pixel. The skin list is the caller's.
    static ImportResult Import(const QString& picturePath, int depth, Imported* imported);

    // Removes skin/<id>/ and everything in it. Refuses (false, nothing touched) an id that is not
    // one plain folder name: empty, ".", "..", or holding a separator. A link in its place is
    // removed, never followed. True when nothing of the folder is left.
    static bool RemoveFolder(const QString& id);

    // Size of the background made from an imported picture: twice the default window, like the
    // delivered ones, so it stays sharp on a doubled screen.
    static QSize BackgroundSize();
};
