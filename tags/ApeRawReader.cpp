#include "tags/ApeRawReader.h"

#include <QFile>
#include <QtEndian>

namespace {

constexpr qint64 kId3v1Size = 128;
constexpr int kMaxItems = 1000;

quint32 readLe32(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

bool isFooter(const QByteArray& footer) {
    return footer.size() == ApeRawReader::kFooterSize && footer.startsWith("APETAGEX");
}

// Size of the tag (items + footer) that the footer announces; 0 when it makes no sense.
qint64 announcedSize(const QByteArray& footer, qint64 footerPos) {
    const qint64 size = readLe32(footer, 12);
    if (size < ApeRawReader::kFooterSize || size > ApeRawReader::kMaxTagSize) return 0;
    if (size > footerPos + ApeRawReader::kFooterSize) return 0;
    return size;
}

}  // namespace

ApeRawItems ApeRawReader::parse(const QByteArray& tag) {
    ApeRawItems items;
    if (tag.size() < kFooterSize) return items;
    const QByteArray footer = tag.right(kFooterSize);
    if (!isFooter(footer) || readLe32(footer, 12) != static_cast<quint32>(tag.size())) return items;
    const quint32 count = readLe32(footer, 16);
    const qsizetype end = tag.size() - kFooterSize;
    qsizetype pos = 0;
    for (quint32 n = 0; n < count && n < kMaxItems && end - pos >= 9; ++n) {
        const quint32 valueSize = readLe32(tag, pos);
        const quint32 flags = readLe32(tag, pos + 4);
        const qsizetype keyStart = pos + 8;
        const qsizetype keyEnd = tag.indexOf('\0', keyStart);
        if (keyEnd < 0 || keyEnd >= end) break;
        const qsizetype valueStart = keyEnd + 1;
        if (valueSize > static_cast<quint64>(end - valueStart)) break;
        const QByteArray key = tag.mid(keyStart, keyEnd - keyStart).toLower();
        const bool isText = ((flags >> 1) & 3) == 0;
        if (isText) {
            // Several values are separated by zero bytes; listeners read them as "A / B".
            QList<QByteArray> values = tag.mid(valueStart, valueSize).split('\0');
            values.removeAll(QByteArray());
            const QByteArray value = values.join(" / ");
            if (key == "title" && items.title.isEmpty())
                items.title = value;
            else if (key == "artist" && items.artist.isEmpty())
                items.artist = value;
        }
        pos = valueStart + valueSize;
    }
    return items;
}

ApeRawItems ApeRawReader::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 fileSize = file.size();
    for (const qint64 trailer : {qint64(0), kId3v1Size}) {
        const qint64 footerPos = fileSize - trailer - kFooterSize;
        if (footerPos < 0 || !file.seek(footerPos)) continue;
        const QByteArray footer = file.read(kFooterSize);
        if (!isFooter(footer)) continue;
        const qint64 size = announcedSize(footer, footerPos);
        if (size == 0 || !file.seek(footerPos + kFooterSize - size)) return {};
        return parse(file.read(size));
    }
    return {};
}
