#include "GifPieces.h"

namespace gif {
namespace {
constexpr QRgb kColors[4] = {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                             qRgb(0, 0, 255)};
constexpr int kCodeSize = 8;  // 9-bit codes: clear 256, end 257, never more than 100 entries

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

QByteArray word(int value) { return bytes({value & 0xFF, value >> 8}); }

QByteArray colorTable() {
    QByteArray table;
    for (QRgb c : kColors) table += bytes({qRed(c), qGreen(c), qBlue(c)});
    return table;
}

QByteArray subBlocks(const QByteArray& data) {
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += 255)
        out += char(qMin<qsizetype>(255, data.size() - at)) + data.mid(at, 255);
    return out + '\0';
}
}  // namespace

QRgb color(int index) { return kColors[index & 3]; }

QByteArray header(int width, int height, bool colorTable) {
    return "GIF89a" + word(width) + word(height) + bytes({colorTable ? 0x81 : 0, 0, 0}) +
           (colorTable ? gif::colorTable() : QByteArray());
}

QByteArray extension(int label, const QByteArray& head, const QByteArray& data) {
    return bytes({0x21, label}) + head + subBlocks(data);
}

QByteArray control(int delay, int disposal, int transparent) {
    return bytes({0x21, 0xF9, 4, (disposal << 2) | (transparent >= 0)}) + word(delay) +
           bytes({qMax(transparent, 0), 0});
}

QByteArray image(QRect rect, const std::function<int(int, int)>& pixel, bool table) {
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += kCodeSize + 1; count >= 8; count -= 8, bits >>= 8) codes += char(bits);
    };
    for (int i = 0; i < rect.width() * rect.height(); ++i) {
        if (i % 100 == 0) put(1 << kCodeSize);
        put(pixel(i % rect.width(), i / rect.width()));
    }
    put((1 << kCodeSize) + 1);
    if (count > 0) codes += char(bits);
    return ',' + word(rect.x()) + word(rect.y()) + word(rect.width()) + word(rect.height()) +
           bytes({table ? 0x81 : 0}) + (table ? colorTable() : QByteArray()) + char(kCodeSize) +
           subBlocks(codes);
}
}  // namespace gif
