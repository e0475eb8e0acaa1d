#include "OrvoXmlCtrl.h"

#include "ConfigFile.h"
#include "PlayListFile.h"
#include "SkinListFile.h"

// Every export works on the files anew and keeps nothing between calls; the player unloads the
// library after each one. Results are built from heap data only, never from this library's
// static storage, because the caller still holds them after the unload.

QString GetPlayerConfigValue(QString key) { return ConfigFile::value(key); }

void SetPlayerConfigValue(QString key, QString value) { ConfigFile::setValue(key, value); }

void PlayList(qint32 mode, QList<tagFileListInfo>* list) {
    if (!list) return;
    if (mode == 0) {
        PlayListFile::write(*list);
    } else {
        PlayListFile::read(list);
    }
}

void RadioList(QList<tagFileListInfo>* list) {
    if (list) PlayListFile::readRadio(list);
}

void SkinList(qint32 mode, QList<tagUiBgSkinInfo>* list) {
    if (!list) return;
    if (mode == 0) {
        SkinListFile::write(*list);
    } else {
        SkinListFile::read(list);
    }
}

tagUiBgSkinInfo GetSkinInfo(QString id) { return SkinListFile::find(id); }

void SaveNewSkin(QString name, QByteArray maskcolor) {
    SkinListFile::saveDescription(name, maskcolor);
}

COrvo_XMLCtrl& COrvo_XMLCtrl::operator=(const COrvo_XMLCtrl&) { return *this; }
