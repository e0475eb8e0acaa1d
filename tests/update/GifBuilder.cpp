#include "GifBuilder.h"

namespace {
constexpr QRgb kColors[4] = {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                             qRgb(0, 0, 255)};
constexpr int kCodeSize = 8;  // LZW minimum code size: 9-bit codes, clear 256, end 257
constexpr int kLiteralsPerClear = 100;

QByteArray of(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

QByteArray colorTable() {
    QByteArray table;
    for (QRgb c : kColors) table.append(of({qRed(c), qGreen(c), qBlue(c)}));
    return table;
}

QByteArray lzwLiterals(const QList<int>& indices) {
    QByteArray out;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += kCodeSize + 1; count >= 8; count -= 8, bits >>= 8) out.append(char(bits));
    };
    const int clear = 1 << kCodeSize;
    for (int i = 0; i < indices.size(); ++i) {
        if (i % kLiteralsPerClear == 0) put(clear);
        put(indices[i]);
    }
    put(clear + 1);
    if (count > 0) out.append(char(bits));
    return out;
}
}  // namespace

GifBuilder::GifBuilder(int width, int height, const QByteArray& version) {
    m_bytes = "GIF" + version;
    appendWord(width);
    appendWord(height);
    m_bytes.append(of({0x81, 0, 0}));  // global table of 4 colours, background 0, no aspect
    m_bytes.append(colorTable());
}

GifBuilder& GifBuilder::noColorTable() {
    m_bytes[10] = 0;
    m_bytes.chop(12);
    return *this;
}

void GifBuilder::appendWord(int value) { m_bytes.append(of({value & 0xFF, value >> 8})); }

QRgb GifBuilder::color(int index) { return kColors[index & 3]; }

QByteArray GifBuilder::subBlocks(const QByteArray& data) {
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray part = data.mid(at, 255);
        out.append(char(part.size()));
        out.append(part);
    }
    out.append('\0');
    return out;
}

GifBuilder& GifBuilder::application(const QByteArray& data) {
    m_bytes.append("\x21\xFF\x0BNETSCAPE2.0");
    m_bytes.append(subBlocks(data));
    return *this;
}

GifBuilder& GifBuilder::comment(const QByteArray& text) { return extension(0xFE, text); }

GifBuilder& GifBuilder::extension(quint8 label, const QByteArray& data) {
    m_bytes.append(of({0x21, label}));
    m_bytes.append(subBlocks(data));
    return *this;
}

GifBuilder& GifBuilder::control(quint16 delay, int disposal, int transparent) {
    m_bytes.append(of({0x21, 0xF9, 4, (disposal << 2) | (transparent >= 0)}));
    appendWord(delay);
    m_bytes.append(of({transparent >= 0 ? transparent : 0, 0}));
    return *this;
}

GifBuilder& GifBuilder::plainText(const QByteArray& text) {
    m_bytes.append(of({0x21, 1, 12}));
    m_bytes.append(QByteArray(12, '\x01'));
    m_bytes.append(subBlocks(text));
    return *this;
}

GifBuilder& GifBuilder::image(QRect rect, const std::function<int(int, int)>& pixel,
                              bool localTable) {
    m_bytes.append(',');
    appendWord(rect.x());
    appendWord(rect.y());
    appendWord(rect.width());
    appendWord(rect.height());
    m_bytes.append(char(localTable ? 0x81 : 0));
    if (localTable) m_bytes.append(colorTable());
    m_bytes.append(char(kCodeSize));
    QList<int> indices;
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x) indices.append(pixel(x, y));
    m_bytes.append(subBlocks(lzwLiterals(indices)));
    return *this;
}

GifBuilder& GifBuilder::raw(const QByteArray& bytes) {
    m_bytes.append(bytes);
    return *this;
}

GifBuilder& GifBuilder::trailer() {
    m_bytes.append(';');
    return *this;
}
