#include "IcoFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

namespace {

void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray dibEntry(const QImage& source) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    QByteArray b;
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(2 * h));  // colour rows plus mask rows
    put16(b, 1);
    put16(b, 32);
    put32(b, 0);  // BI_RGB
    const int maskStride = ((w + 31) / 32) * 4;
    put32(b, quint32(w * h * 4 + maskStride * h));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            b.append(char(qBlue(row[x])));
            b.append(char(qGreen(row[x])));
            b.append(char(qRed(row[x])));
            b.append(char(qAlpha(row[x])));
        }
    }
    // AND mask: 1 = transparent, for readers that ignore the alpha byte.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray bits(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) < 128) bits[x / 8] = char(bits[x / 8] | (0x80 >> (x % 8)));
        b.append(bits);
    }
    return b;
}

QByteArray pngEntry(const QImage& img) {
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_ARGB32).save(&buf, "PNG");
    return b;
}

}  // namespace

bool IcoFile::write(const QString& path, const QList<QImage>& images) {
    if (images.isEmpty()) return false;
    QList<QByteArray> entries;
    for (const QImage& img : images) {
        if (img.width() != img.height() || img.width() > 256) return false;
        entries.append(img.width() > 64 ? pngEntry(img) : dibEntry(img));
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int side = images[i].width();
        out.append(char(side == 256 ? 0 : side));  // 0 means 256
        out.append(char(side == 256 ? 0 : side));
        out.append(char(0));  // no palette
        out.append(char(0));
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, quint32(entries[i].size()));
        put32(out, offset);
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& e : entries) out.append(e);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(out) == out.size();
}
