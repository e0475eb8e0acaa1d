#include "tags/Id3v2RawReader.h"

#include <QFile>
#include <algorithm>

namespace {

enum class Order { Little, Big };

quint32 syncsafe(const QByteArray& data, qsizetype at) {
    quint32 value = 0;
    for (qsizetype i = at; i < at + 4; ++i) value = (value << 7) | (uchar(data[i]) & 0x7F);
    return value;
}

quint32 bigEndian(const QByteArray& data, qsizetype at, int bytes) {
    quint32 value = 0;
    for (qsizetype i = at; i < at + bytes; ++i) value = (value << 8) | uchar(data[i]);
    return value;
}

// Undoes unsynchronisation: every 0xFF 0x00 was written for a lone 0xFF.
QByteArray resync(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out.append(data[i]);
        if (uchar(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == '\0') ++i;
    }
    return out;
}

// The frame's text after the flags that v2.3 and v2.4 put in front of it; empty when the
// frame is compressed or encrypted.
QByteArray frameText(QByteArray data, int major, uchar flags) {
    if (major == 3) {
        if (flags & 0xC0) return {};
        if (flags & 0x20) data.remove(0, 1);  // group id
    } else if (major == 4) {
        if (flags & 0x0C) return {};
        if (flags & 0x40) data.remove(0, 1);  // group id
        if (flags & 0x01) data.remove(0, 4);  // data length
        if (flags & 0x02) data = resync(data);
    }
    return data;
}

QString decodeUnits(const QByteArray& bytes, Order order) {
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const uchar a = uchar(bytes[i]);
        const uchar b = uchar(bytes[i + 1]);
        text.append(QChar(order == Order::Big ? char16_t(a << 8 | b) : char16_t(b << 8 | a)));
    }
    return text;
}

// How much a reading looks like a title: letters and signs of the common scripts score, control
// codes, private use and broken surrogate pairs count against it.
int plausibility(const QString& text) {
    int score = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool common = (c >= 0x20 && c < 0x7F) || (c >= 0xC0 && c < 0x250) ||
                            (c >= 0x370 && c < 0x530) || (c >= 0x3000 && c < 0xA000) ||
                            (c >= 0xAC00 && c < 0xD7A4) || (c >= 0xFF00 && c < 0xFFF0);
        score += common ? 1 : -1;
    }
    return score;
}

// ASCII text holds its zero bytes first in big-endian order; otherwise the reading that looks
// more like text wins, little-endian (what Windows writers use) on a tie.
Order guessOrder(const QByteArray& bytes) {
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    if (evenZeros != oddZeros) return evenZeros > oddZeros ? Order::Big : Order::Little;
    return plausibility(decodeUnits(bytes, Order::Big)) >
                   plausibility(decodeUnits(bytes, Order::Little))
               ? Order::Big
               : Order::Little;
}

}  // namespace

QStringList Id3v2RawReader::utf16Values(const QByteArray& frame) {
    if (frame.isEmpty() || (frame[0] != '\1' && frame[0] != '\2')) return {};
    const bool markedBig = frame[0] == '\2';
    // Values end at a zero unit on an even offset.
    QList<QByteArray> values;
    QByteArray unmarked;
    qsizetype start = 1;
    for (qsizetype i = 1; i <= frame.size(); i += 2) {
        const bool end = i + 1 >= frame.size() || (frame[i] == '\0' && frame[i + 1] == '\0');
        if (!end) continue;
        const QByteArray value = frame.mid(start, std::min(i, frame.size()) - start);
        if (!value.isEmpty()) values.append(value);
        if (!value.startsWith("\xFF\xFE") && !value.startsWith("\xFE\xFF")) unmarked += value;
        start = i + 2;
    }
    const Order shared = markedBig ? Order::Big : guessOrder(unmarked);
    QStringList texts;
    for (const QByteArray& value : values) {
        Order order = shared;
        QByteArray units = value;
        if (value.startsWith("\xFF\xFE") || value.startsWith("\xFE\xFF")) {
            order = uchar(value[0]) == 0xFF ? Order::Little : Order::Big;
            units.remove(0, 2);
        }
        const QString text = decodeUnits(units, order);
        if (!text.isEmpty()) texts.append(text);
    }
    return texts;
}

Id3v2RawFrames Id3v2RawReader::parse(const QByteArray& tag) {
    Id3v2RawFrames frames;
    if (tag.size() < kHeaderSize || !tag.startsWith("ID3")) return frames;
    const int major = tag[3];
    const uchar flags = uchar(tag[5]);
    if (major < 2 || major > 4 || (major == 2 && (flags & 0x40))) return frames;
    QByteArray body = tag.mid(kHeaderSize, syncsafe(tag, 6));
    if (major < 4 && (flags & 0x80)) body = resync(body);
    qsizetype pos = 0;
    if (major > 2 && (flags & 0x40) && body.size() >= 4)
        pos = major == 3 ? qsizetype(bigEndian(body, 0, 4)) + 4 : qsizetype(syncsafe(body, 0));
    const int idSize = major == 2 ? 3 : 4;
    const int headerSize = major == 2 ? 6 : 10;
    while (pos >= 0 && pos + headerSize <= body.size() && body[pos] != '\0') {
        const QByteArray id = body.mid(pos, idSize);
        const qsizetype size = major == 2   ? bigEndian(body, pos + 3, 3)
                               : major == 3 ? bigEndian(body, pos + 4, 4)
                                            : syncsafe(body, pos + 4);
        if (size > body.size() - pos - headerSize) break;
        const uchar frameFlags = major == 2 ? 0 : uchar(body[pos + 9]);
        const QByteArray data = frameText(body.mid(pos + headerSize, size), major, frameFlags);
        if ((id == "TIT2" || id == "TT2") && frames.title.isEmpty()) frames.title = data;
        if ((id == "TPE1" || id == "TP1") && frames.artist.isEmpty()) frames.artist = data;
        pos += headerSize + size;
    }
    return frames;
}

Id3v2RawFrames Id3v2RawReader::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray header = file.read(kHeaderSize);
    if (header.size() < kHeaderSize || !header.startsWith("ID3")) return {};
    const qint64 size = std::min<qint64>(syncsafe(header, 6), kMaxTagSize);
    return parse(header + file.read(size));
}
