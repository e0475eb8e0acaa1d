#pragma once
// GIF blocks for the tests, written one by one so that any sequence can be put together,
// including what a normal writer never makes (plain text, unknown extensions, broken blocks).
// Pixels are plain LZW literals with a clear code every few of them: valid for any decoder.

#include <QByteArray>
#include <QRect>
#include <QRgb>
#include <functional>

namespace gif {
enum Index { kWhite, kRed, kGreen, kBlue };  // the four-colour table of header() and image()

QRgb color(int index);
QByteArray header(int width, int height, bool colorTable = true);
QByteArray extension(int label, const QByteArray& head, const QByteArray& data = {});
QByteArray control(int delay, int disposal = 0, int transparent = -1);
QByteArray image(QRect rect, const std::function<int(int x, int y)>& pixel, bool table = false);
inline QByteArray image(QRect rect, int index) {
    return image(rect, [index](int, int) { return index; });
}
inline QByteArray application() {
    return extension(0xFF, "\x0BNETSCAPE2.0", QByteArray("\x01\0\0", 3));
}
inline QByteArray comment(const QByteArray& text) { return extension(0xFE, {}, text); }
inline QByteArray plainText(const QByteArray& text) {
    return extension(0x01, QByteArray("\x0C", 1) + QByteArray(12, '\x01'), text);
}
}  // namespace gif
