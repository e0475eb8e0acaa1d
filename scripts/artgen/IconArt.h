#pragma once
// Icons outside the skinned window: the program's window and tray icon (orvo.png in several
// sizes and orvo.ico), the icon theme's sizes of it that an installed copy puts in the hicolor
// theme, the five file type icons, and the frames of the busy spinner that make-art.sh
// assembles into checknew.gif.

#include <QImage>
#include <QString>

#include <array>

class IconArt {
public:
    static bool writeAll(const QString& resDir);
    // The program's icon at every theme size, "<side>x<side>.png" into dir.
    static bool writeThemeIcons(const QString& dir);
    static constexpr std::array kThemeSides = {16, 22, 24, 32, 48, 64, 128, 256};
    // Under the source root; the install rules take the icons from there.
    static constexpr char kThemeIconFolder[] = "player/desktop/icons";
    // Frames "spin_00.png" ... into dir; returns the number written (0 on failure).
    static int writeSpinnerFrames(const QString& dir);

    static QImage appIcon(int side);
    static QImage fileTypeIcon(const QString& type, int side);

    // The settings pages are light; GIF has no partial transparency, so the spinner's edges are
    // blended against this colour and everything fainter than a threshold becomes transparent.
    static constexpr QRgb kPageColor = 0xFFEFEFEF;
    static constexpr int kSpinnerFrames = 12;
    static constexpr int kSpinnerSide = 32;
};
