#pragma once
// The four delivered backgrounds skin/1 ... skin/4 and skinlist.xml. Each background is drawn at
// twice the window's default size so it stays sharp when stretched; the four rounded window
// corners are painted in the mask colour, which the canvas keys out.

#include <QByteArray>
#include <QImage>
#include <QString>

class SkinArt {
public:
    static constexpr int kDesignWidth = 320;
    static constexpr int kDesignHeight = 560;
    static constexpr int kScale = 2;
    static constexpr int kCornerRadius = 8;  // design pixels
    static constexpr QRgb kMaskColor = 0xFFFF00FF;
    // 0xFF00FF read as 0xBBGGRR is still magenta: the value the skin list stores.
    static constexpr int kMaskColorValue = 0xFF00FF;
    static constexpr int kThumbSide = 32;
    static constexpr int kSkinCount = 4;

    // The picture of skin n (1..4) without its corners.
    static QImage design(int n);

    // skinlist.xml: this declaration, then one line per skin, CR LF line ends.
    static constexpr const char* kListDeclaration = "<?xml version=\"1.0\" ?>\r\n";
    static QByteArray skinLine(int n);

    // Writes skin/<n>/<n>.bmp, skin/<n>/<n>_s.bmp for every skin, and skinlist.xml.
    static bool writeAll(const QString& repoRoot);
};
