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
    // The same with the caller's time stamp as the base name (the settings page names its own
    // files); an empty stamp picks one as above.
    static bool MakeFrameBgImage(const QString& picturePath, const QString& folder, QSize size,
                                 const QString& stamp, FrameResult* result);

    // Reads a picture (JPEG, PNG, BMP, …) turned as its orientation says. A null image when the
    // file cannot be read or is not a picture, and, before decoding, when its header claims more
    // than 100 million pixels. With a valid scaledTo the picture is decoded straight at that size
    // (proportions not kept), which a JPEG does many times faster than in full.
    static QImage ReadPicture(const QString& path, QSize scaledTo = QSize());

    // Size of the thumbnail "<stamp>_s.bmp" that the background list shows.
    static constexpr QSize kThumbnailSize{32, 32};
    // Radius of the window's rounded corners at window size, in the mask colour. The delivered
    // skins, drawn at twice the window size, use twice this; the translucent shadow follows it.
    static constexpr int kCornerRadius = 8;

    // The mask colour for a picture: magenta (0xFF00FF) unless the picture uses it, else the first
    // colour of a fixed search that does not occur in it. As 0xBBGGRR.
    static qint32 PickMaskColor(const QImage& picture);
    // Sets the pixels outside rounded corners of radius r to the colour (0xBBGGRR).
    static void PaintCorners(QImage& picture, qint32 maskColor, int radius);
};
