#include "SkinFiles.h"

#include "BitmapFile.h"
#include "controls/DrawImages.h"
#include "mainwindow/WindowGeometry.h"
#include "platform/DataDirectory.h"
#include "platform/SkinPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QUuid>

QString SkinFiles::NewGuidText() {
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString SkinFiles::TimeStamp(const QDateTime& local) {
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::asprintf("%4d%02d%02d%02d%02d%02d%02d", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second(), t.msec());
}

QImage SkinFiles::DrawThumbnail(const QImage& picture, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), size), picture);
    return out;
}

QSize SkinFiles::BackgroundSize() {
    return {2 * WindowGeometry::kDefaultWidth, 2 * WindowGeometry::kDefaultHeight};
}

SkinFiles::ImportResult SkinFiles::Import(const QString& picturePath, int depth,
                                          Imported* imported) {
    // Read first: a picture that cannot be used leaves no empty folder behind. Decoded straight
    // at thumbnail size, which still reads the whole file.
    const QImage picture = DrawImages::ReadPicture(picturePath, DrawImages::kThumbnailSize);
    if (picture.isNull()) return ImportResult::Unreadable;

    // skin/ itself is delivered; without it there is nowhere to put the folder.
    const QString id = NewGuidText();
    const QString folder = SkinPaths::folderPath(id);
    if (!QDir(DataDirectory::path() + QStringLiteral("skin")).mkdir(id))
        return ImportResult::NoFolder;

    const QString stamp = TimeStamp(QDateTime::currentDateTime());
    DrawImages::FrameResult frame;
    if (!DrawImages::MakeFrameBgImage(picturePath, folder, BackgroundSize(), stamp, &frame)) {
        QDir(folder).removeRecursively();
        return ImportResult::WriteFailed;
    }
    // The background maker leaves a thumbnail of its own; the list's one, at the screen's depth,
    // replaces it. A thumbnail that cannot be written only costs the list its picture.
    const QString thumbPath = folder + stamp + QStringLiteral("_s.bmp");
    BitmapFile::Write(DrawThumbnail(picture, DrawImages::kThumbnailSize), thumbPath, depth);

    if (imported) {
        imported->skin = {id, frame.maskColor, frame.fileName};
        imported->thumbnail = QImage(thumbPath);
    }
    return ImportResult::Ok;
}

bool SkinFiles::RemoveFolder(const QString& id) {
    const QString folder = SkinPaths::folderPath(id);
    if (folder.isEmpty()) return false;
    const QFileInfo info(folder.chopped(1));
    if (info.isSymLink()) return QFile::remove(info.filePath());
    if (!info.exists()) return true;
    return info.isDir() ? QDir(info.filePath()).removeRecursively()
                        : QFile::remove(info.filePath());
}
