#include "DrawImages.h"

#include "AtomicFile.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QRgb fromBgr(qint32 c) {
    const quint32 v = quint32(c);
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 toBgr(QRgb c) { return qint32((qBlue(c) << 16) | (qGreen(c) << 8) | qRed(c)); }

// Cuts the middle out at the size's proportions, then scales only that part to the size: no
// border shows, nothing is distorted, and no picture larger than the source or the size is ever
// made (a long, thin picture scaled whole to cover the window would be enormous).
QImage coverCrop(const QImage& src, QSize size) {
    const double scale =
        std::max(double(size.width()) / src.width(), double(size.height()) / src.height());
    const int w = std::clamp(int(std::lround(size.width() / scale)), 1, src.width());
    const int h = std::clamp(int(std::lround(size.height() / scale)), 1, src.height());
    return src.copy((src.width() - w) / 2, (src.height() - h) / 2, w, h)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Transparent parts become black, like the thumbnails that the background list expects.
QImage onBlack(const QImage& src) {
    QImage out(src.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.drawImage(0, 0, src);
    return out;
}

bool saveBmp(const QImage& img, const QString& path) {
    // The one atomic save of the project: a failed write never leaves half a picture behind.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return img.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP") &&
           AtomicFile::save(path, bytes);
}

}  // namespace

QFont DrawImages::SetTextFont(int weight, int px, int italic) {
    QFont f;
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Noto Sans CJK"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPixelSize(px > 0 ? px : 14);
    if (weight > 0) f.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    f.setItalic(italic != 0);
    return f;
}

qint32 DrawImages::PickMaskColor(const QImage& picture) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    // One bit per 24-bit colour: 2 MB, whatever the picture's size.
    std::vector<bool> used(1u << 24, false);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) used[line[x] & 0xFFFFFFu] = true;
    }
    const QRgb magenta = 0xFF00FFu;
    if (!used[magenta]) return toBgr(magenta);
    // Near-magenta first (it still reads as "the key colour"), then any unused colour.
    for (int d = 1; d < 256; ++d) {
        for (QRgb c : {qRgb(255, 0, 255 - d), qRgb(255 - d, 0, 255), qRgb(255, d, 255)}) {
            if (!used[c & 0xFFFFFFu]) return toBgr(c);
        }
    }
    for (quint32 c = 0xFFFFFF; c > 0; --c) {
        if (!used[c]) return toBgr(c);
    }
    return toBgr(magenta);  // unreachable: a background cannot use all 16.7 million colours
}

void DrawImages::PaintCorners(QImage& picture, qint32 maskColor, int radius) {
    if (picture.isNull() || radius <= 0) return;
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb key = fromBgr(maskColor);
    const int w = picture.width(), h = picture.height();
    const int r = std::min({radius, w / 2, h / 2});
    // Exact pixels, no smoothing: the canvas keys out this colour only where it matches exactly.
    for (int dy = 0; dy < r; ++dy) {
        for (int dx = 0; dx < r; ++dx) {
            const double cx = r - (dx + 0.5), cy = r - (dy + 0.5);
            if (cx * cx + cy * cy <= double(r) * r) continue;
            picture.setPixel(dx, dy, key);
            picture.setPixel(w - 1 - dx, dy, key);
            picture.setPixel(dx, h - 1 - dy, key);
            picture.setPixel(w - 1 - dx, h - 1 - dy, key);
        }
    }
}

QImage DrawImages::ReadPicture(const QString& path, QSize scaledTo) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // A hostile header may claim a huge picture; refuse before decoding it.
    const QSize claimed = reader.size();
    if (claimed.isValid() && qint64(claimed.width()) * claimed.height() > 100'000'000) return {};
    if (scaledTo.isValid()) reader.setScaledSize(scaledTo);
    return reader.read();
}

bool DrawImages::MakeFrameBgImage(const QString& picturePath, const QString& folder, QSize size,
                                  FrameResult* result) {
    return MakeFrameBgImage(picturePath, folder, size, QString(), result);
}

bool DrawImages::MakeFrameBgImage(const QString& picturePath, const QString& folder, QSize size,
                                  const QString& stamp, FrameResult* result) {
    if (size.isEmpty() || size.width() > 16384 || size.height() > 16384) return false;
    if (!QFileInfo(folder).isDir()) return false;
    const QImage source = ReadPicture(picturePath);
    if (source.isNull()) return false;

    QImage background = onBlack(coverCrop(source, size));
    const qint32 mask = PickMaskColor(background);
    PaintCorners(background, mask, kCornerRadius);
    const QImage thumb =
        onBlack(source.scaled(kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    const QDir dir(folder);
    QString base = stamp;
    if (base.isEmpty()) {
        QDateTime t = QDateTime::currentDateTime();
        base = t.toString(QStringLiteral("yyyyMMddhhmmsszzz"));
        // Two imports within the same millisecond must not overwrite each other.
        while (QFileInfo::exists(dir.filePath(base + QStringLiteral(".bmp")))) {
            t = t.addMSecs(1);
            base = t.toString(QStringLiteral("yyyyMMddhhmmsszzz"));
        }
    }
    const QString bgName = base + QStringLiteral(".bmp");
    // The list finds the thumbnail by the part of the name before the first dot.
    const QString thumbName = base.section(QLatin1Char('.'), 0, 0) + QStringLiteral("_s.bmp");
    const QString bgPath = dir.filePath(bgName);
    const QString thumbPath = dir.filePath(thumbName);
    const bool hadThumb = QFileInfo::exists(thumbPath);
    if (!saveBmp(thumb, thumbPath)) return false;
    if (!saveBmp(background, bgPath)) {
        if (!hadThumb) QFile::remove(thumbPath);
        return false;
    }
    if (result) {
        result->fileName = bgName;
        result->maskColor = mask;
    }
    return true;
}
