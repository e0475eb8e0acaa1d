#pragma once
// Writes small GIFs block by block, including blocks a normal writer never produces (plain text,
// unknown extensions, frames out of the image), so the walker and the control see every kind.
// Pixels are coded as plain literals with a clear code every few of them: valid LZW that any
// decoder reads, without a real compressor.

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRgb>
#include <functional>

class GifBuilder {
public:
    // Colour indices of the default four-colour table.
    enum Index { kWhite = 0, kRed = 1, kGreen = 2, kBlue = 3 };

    explicit GifBuilder(int width, int height, const QByteArray& version = "89a");
    GifBuilder& noColorTable();
    GifBuilder& application(const QByteArray& data = QByteArray("\x01\x00\x00", 3));
    GifBuilder& comment(const QByteArray& text);
    GifBuilder& extension(quint8 label, const QByteArray& data);  // any label, sub-blocks
    GifBuilder& control(quint16 delay, int disposal = 0, int transparent = -1);
    GifBuilder& plainText(const QByteArray& text);
    GifBuilder& image(QRect rect, const std::function<int(int x, int y)>& pixel,
                      bool localTable = false);
    GifBuilder& image(QRect rect, int index) {
        return image(rect, [index](int, int) { return index; });
    }
    GifBuilder& raw(const QByteArray& bytes);
    GifBuilder& trailer();
    QByteArray bytes() const { return m_bytes; }

    static QRgb color(int index);
    // The bytes as sub-blocks of at most 255 bytes, with the terminator.
    static QByteArray subBlocks(const QByteArray& data);

private:
    void appendWord(int value);
    QByteArray m_bytes;
};
