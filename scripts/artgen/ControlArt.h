#pragma once
// The main window's control pictures under res/: transport, caption and bottom-bar buttons, the
// logo, both sliders, the list's scroll bar and row separator. White glyphs with a soft shadow;
// the transport buttons sit on round glass plates. Only the normal look is drawn: the control
// library derives hover and pressed looks itself.

#include <QString>

class ControlArt {
public:
    static bool writeAll(const QString& resDir);
};
