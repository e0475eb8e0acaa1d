#include "SkinPicture.h"

#include "RegularFile.h"

#include <QtEndian>
#include <cstring>

namespace {

constexpr qsizetype kFileHeaderSize = 14;
constexpr quint32 kInfoHeaderSize = 40;
constexpr qint32 kMaxSide = 16384;

template <typename T>
T readLE(const QByteArray& bytes, qsizetype offset) {
    T value;
    std::memcpy(&value, bytes.constData() + offset, sizeof(T));
    return qFromLittleEndian(value);
}

}  // namespace

QImage SkinPicture::DecodePlainBmp(const QByteArray& bytes) {
    if (bytes.size() < kFileHeaderSize + qsizetype(kInfoHeaderSize)) return {};
    if (bytes.at(0) != 'B' || bytes.at(1) != 'M') return {};
    const quint32 dataOffset = readLE<quint32>(bytes, 10);
    const quint32 headerSize = readLE<quint32>(bytes, 14);
    const qint32 width = readLE<qint32>(bytes, 18);
    const qint32 height = readLE<qint32>(bytes, 22);
    const quint16 planes = readLE<quint16>(bytes, 26);
    const quint16 bitCount = readLE<quint16>(bytes, 28);
    const quint32 compression = readLE<quint32>(bytes, 30);
    if (headerSize < kInfoHeaderSize || planes != 1 || bitCount != 24 || compression != 0)
        return {};
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return {};
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    if (dataOffset < kFileHeaderSize + headerSize) return {};
    if (qint64(dataOffset) + stride * rows > bytes.size()) return {};

    // Rows are BGR triplets padded to four bytes, which is Qt's BGR888 with that stride.
    const auto* pixels = reinterpret_cast<const uchar*>(bytes.constData()) + dataOffset;
    const QImage view(pixels, width, int(rows), qsizetype(stride), QImage::Format_BGR888);
    // A positive height stores the bottom row first. Either way the result owns its pixels.
    return height > 0 ? view.mirrored(false, true) : view.copy();
}

QImage SkinPicture::Load(const QString& path) {
    // No skin picture is anywhere near this; a bigger file is not read into memory. Only a
    // regular file is read: a device or FIFO would fill the memory or block the start.
    constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;
    const std::optional<QByteArray> bytes = RegularFile::read(path, kMaxFileSize);
    if (!bytes) return {};
    QImage picture = DecodePlainBmp(*bytes);
    if (picture.isNull()) picture = QImage::fromData(*bytes);
    return picture;
}
