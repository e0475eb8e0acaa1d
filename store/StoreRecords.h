#pragma once
// Records shared by the data store library, the control library and the player.
// Both sides link the same Qt, so a QString allocated on one side may be freed on the other.

#include <QList>
#include <QString>
#include <QtGlobal>

// One play list entry. The nine words belong to the list control; new entries carry zero.
// The seventh word (index 6) carries the row's index in a double-click report.
struct tagFileListInfo {
    QString title;
    QString path;
    qint32 words[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
};

// One background skin: id is also the folder name under skin/, fname the picture inside it.
struct tagUiBgSkinInfo {
    QString id;
    qint32 maskcolor = 0;
    QString fname;
};
