#pragma once
// The main window's control pictures under res/: transport, caption and bottom-bar buttons, the
// logo, both sliders, the list's scroll bar and row separator. White glyphs with a soft shadow;
// the transport buttons sit on round glass plates. Only the normal look is drawn: the control
// library derives hover and pressed looks itself.

#include <QList>
#include <QSize>
#include <QString>

class ControlArt {
public:
    struct Picture {
        QString name;  // "play" stands for play.png and play@2x.png
        QSize size;    // design size, that of the 1x file
    };
    static QList<Picture> pictures();
    static bool writeAll(const QString& resDir);
};
