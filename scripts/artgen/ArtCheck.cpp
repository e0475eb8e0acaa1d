#include "ArtCheck.h"

#include "ControlArt.h"
#include "IconArt.h"
#include "SkinArt.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>

namespace {

void checkPicture(QStringList& problems, const QString& path, QSize expected) {
    QImageReader reader(path);
    const QImage img = reader.read();
    if (img.isNull()) {
        problems << path + ": unreadable (" + reader.errorString() + ")";
        return;
    }
    if (img.size() != expected)
        problems << QString("%1: %2x%3, expected %4x%5")
                        .arg(path)
                        .arg(img.width())
                        .arg(img.height())
                        .arg(expected.width())
                        .arg(expected.height());
}

void checkIco(QStringList& problems, const QString& path, QSet<int> sides) {
    QImageReader reader(path, "ico");
    if (!reader.canRead()) {
        problems << path + ": not an icon Qt can read";
        return;
    }
    QSet<int> found;
    do {
        const QImage img = reader.read();
        if (img.isNull()) break;
        found.insert(img.width());
    } while (reader.jumpToNextImage());
    if (!found.contains(sides))
        problems << path + ": missing sizes (has " + QString::number(found.size()) + " images)";
}

}  // namespace

QStringList ArtCheck::run(const QString& root) {
    QStringList problems;
    const QString res = root + "/res/";
    for (const ControlArt::Picture& pic : ControlArt::pictures()) {
        checkPicture(problems, res + pic.name + ".png", pic.size);
        checkPicture(problems, res + pic.name + "@2x.png", pic.size * 2);
    }
    for (int side : {16, 32, 64}) {
        checkPicture(problems, res + QString("orvo_%1.png").arg(side), {side, side});
    }
    checkPicture(problems, res + "orvo.png", {256, 256});
    checkIco(problems, res + "orvo.ico", {16, 32, 48, 256});
    for (int side : IconArt::kThemeSides)
        checkPicture(problems,
                     QString("%1/%2/%3x%3.png")
                         .arg(root, QString::fromLatin1(IconArt::kThemeIconFolder))
                         .arg(side),
                     {side, side});
    for (const char* type : {"mp3", "wma", "flac", "ape", "ogg"})
        checkIco(problems, res + type + ".ico", {16, 32, 48});

    QImageReader gif(res + "checknew.gif", "gif");
    int frames = 0;
    bool transparent = false;
    while (gif.canRead()) {
        const QImage f = gif.read();
        if (f.isNull()) break;
        ++frames;
        if (f.size() != QSize(IconArt::kSpinnerSide, IconArt::kSpinnerSide))
            problems << "checknew.gif: a frame of the wrong size";
        transparent = transparent || qAlpha(f.pixel(0, 0)) == 0;
    }
    if (frames != IconArt::kSpinnerFrames)
        problems << QString("checknew.gif: %1 frames").arg(frames);
    if (gif.loopCount() != -1 && gif.loopCount() != 0)
        problems << "checknew.gif: does not loop forever";
    if (!transparent) problems << "checknew.gif: background not transparent";

    QByteArray expectedList = SkinArt::kListDeclaration;
    for (int n = 1; n <= SkinArt::kSkinCount; ++n) {
        const QString dir = QString("%1/skin/%2/").arg(root).arg(n);
        const QImage bg(dir + QString("%1.bmp").arg(n));
        const QSize design(SkinArt::kDesignWidth * SkinArt::kScale,
                           SkinArt::kDesignHeight * SkinArt::kScale);
        if (bg.size() != design) {
            problems << dir + ": background missing or of the wrong size";
        } else {
            const QRgb key = SkinArt::kMaskColor & 0xFFFFFF;
            const int w = bg.width(), h = bg.height();
            for (QPoint corner :
                 {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
                if ((bg.pixel(corner) & 0xFFFFFF) != key)
                    problems << dir + ": a corner is not in the mask colour";
            if ((bg.pixel(w / 2, h / 2) & 0xFFFFFF) == key)
                problems << dir + ": mask colour inside the picture";
        }
        const QImage thumb(dir + QString("%1_s.bmp").arg(n));
        if (thumb.size() != QSize(SkinArt::kThumbSide, SkinArt::kThumbSide)) {
            problems << dir + ": thumbnail missing or of the wrong size";
        } else {
            // The settings list keys out black in thumbnails.
            for (int y = 0; y < thumb.height(); ++y)
                for (int x = 0; x < thumb.width(); ++x)
                    if ((thumb.pixel(x, y) & 0xFFFFFF) == 0) {
                        problems << dir + ": pure black in the thumbnail";
                        y = thumb.height();
                        break;
                    }
        }
        expectedList += SkinArt::skinLine(n);
    }
    QFile list(root + "/skinlist.xml");
    if (!list.open(QIODevice::ReadOnly) || list.readAll() != expectedList)
        problems << "skinlist.xml: missing or not as delivered";
    return problems;
}
