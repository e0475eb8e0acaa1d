#pragma once
// Writes a Windows icon container holding several sizes. Entries up to 64 px are 32-bit DIBs
// with an AND mask (every reader knows them); larger ones are stored as PNG, as is customary.

#include <QImage>
#include <QList>
#include <QString>

class IcoFile {
public:
    static bool write(const QString& path, const QList<QImage>& images);
};
