#include "BitmapFile.h"

#include "platform/AtomicFile.h"

#include <QDataStream>
#include <QIODevice>
#include <QList>

namespace {

// The 16 colours of the classic VGA palette: what a 16-colour display shows.
const QList<QRgb>& vgaColours() {
    static const QList<QRgb> colours = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return colours;
}

// The picture as palette indices, and the palette padded to the depth's full table.
QImage toIndexed(const QImage& rgb, int depth, QList<QRgb>* table) {
    QImage indexed;
    if (depth == 8) {
        indexed = rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    } else {
        const QList<QRgb> fixed =
            depth == 4 ? vgaColours() : QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        indexed = rgb.convertToFormat(QImage::Format_Indexed8, fixed, Qt::ThresholdDither);
    }
    *table = indexed.colorTable();
    table->resize(1 << depth, qRgb(0, 0, 0));
    return indexed;
}

// One row of indices packed most significant bits first, as BMP stores them.
void packRow(const uchar* indices, int width, int depth, uchar* out) {
    const int perByte = 8 / depth;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - depth * (x % perByte + 1);
        out[x / perByte] |= uchar((indices[x] & ((1 << depth) - 1)) << shift);
    }
}

}  // namespace

int BitmapFile::DepthFor(int screenBits) {
    if (screenBits <= 0) return 32;
    if (screenBits == 1) return 1;
    if (screenBits <= 4) return 4;
    if (screenBits <= 8) return 8;
    if (screenBits <= 24) return 24;
    return 32;
}

QByteArray BitmapFile::Encode(const QImage& picture, int depth) {
    if (picture.isNull()) return {};
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) depth = 32;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width(), h = rgb.height();
    const qint64 rowSize = ((qint64(depth) * w + 31) / 32) * 4;
    const qint64 imageSize = rowSize * h;

    QList<QRgb> table;
    const QImage indexed = depth <= 8 ? toIndexed(rgb, depth, &table) : QImage();
    const qint64 tableSize = qint64(table.size()) * 4;
    const qint64 offset = kFileHeaderSize + kInfoHeaderSize + tableSize;
    if (offset + imageSize > 0x7FFFFFFF) return {};

    QByteArray bytes;
    bytes.reserve(int(offset + imageSize));
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(offset + imageSize) << quint16(0) << quint16(0) << quint32(offset);
    out << quint32(kInfoHeaderSize) << qint32(w) << qint32(h) << quint16(1) << quint16(depth)
        << quint32(0) << quint32(imageSize) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (QRgb c : table)
        out << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(0);

    QByteArray row(int(rowSize), '\0');
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0');
        uchar* dst = reinterpret_cast<uchar*>(row.data());
        if (depth <= 8) {
            packRow(indexed.constScanLine(y), w, depth, dst);
        } else {
            const QRgb* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            const int step = depth / 8;
            for (int x = 0; x < w; ++x) {
                dst[x * step] = uchar(qBlue(src[x]));
                dst[x * step + 1] = uchar(qGreen(src[x]));
                dst[x * step + 2] = uchar(qRed(src[x]));
            }
        }
        out.writeRawData(row.constData(), row.size());
    }
    return bytes;
}

bool BitmapFile::Write(const QImage& picture, const QString& path, int depth) {
    const QByteArray bytes = Encode(picture, depth);
    return !bytes.isEmpty() && AtomicFile::save(path, bytes);
}
