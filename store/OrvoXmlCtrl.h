#pragma once
// Exports of libOrvo_XMLCtrl.so. The player never links this library: it loads it by name
// around each call (see player/core/StoreBinding.h), so these names are looked up as plain
// C symbols.

#include "StoreRecords.h"

#include <QByteArray>

#if defined(ORVO_XMLCTRL_BUILD)
#define ORVO_XMLCTRL_EXPORT __attribute__((visibility("default")))
#else
#define ORVO_XMLCTRL_EXPORT
#endif

extern "C" {
ORVO_XMLCTRL_EXPORT QString GetPlayerConfigValue(QString key);
ORVO_XMLCTRL_EXPORT void SetPlayerConfigValue(QString key, QString value);
ORVO_XMLCTRL_EXPORT void PlayList(qint32 mode, QList<tagFileListInfo>* list);
ORVO_XMLCTRL_EXPORT void RadioList(QList<tagFileListInfo>* list);
ORVO_XMLCTRL_EXPORT void SkinList(qint32 mode, QList<tagUiBgSkinInfo>* list);
ORVO_XMLCTRL_EXPORT tagUiBgSkinInfo GetSkinInfo(QString id);
ORVO_XMLCTRL_EXPORT void SaveNewSkin(QString name, QByteArray maskcolor);
}

// Kept for callers that expect the class; it has no data and no behaviour.
class ORVO_XMLCTRL_EXPORT COrvo_XMLCtrl {
public:
    COrvo_XMLCtrl& operator=(const COrvo_XMLCtrl&);
};
