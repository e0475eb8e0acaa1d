#pragma once
// Fonts and pictures for the skinned window.

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

class DrawImages {
public:
    // The window's text face ("SimSun", falling back to an installed CJK face), pixel size px,
    // weight 0 = normal (else a QFont weight), italic when non-zero.
    static QFont SetTextFont(int weight, int px, int italic);

    // Turns an imported picture into a background: scaled to cover size (centre crop), written as
    // BMP into folder under a time-stamped name "<yyyyMMddhhmmsszzz>.bmp" with its thumbnail
    // "<same>_s.bmp" beside it. Picks the mask colour (0xBBGGRR) that the canvas keys out at the
    // rounded corners. Returns false, writing nothing, when the picture cannot be read.
    struct FrameResult {
        QString fileName;  // e.g. "20261206221530123.bmp"
        qint32 maskColor = 0;
    };
    static bool MakeFrameBgImage(const QString& picturePath, const QString& folder, QSize size,
                                 FrameResult* result);
};
