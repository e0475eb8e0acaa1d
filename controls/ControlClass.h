#pragma once
// Rectangle arithmetic for the controls.

#include <QRect>

class ControlClass {
public:
    // The control's rectangle for position x, y and size w, h.
    QRect GetRect(int x, int y, int w, int h) const;
    // The empty rectangle a list's scroll bar starts with; the list places it itself.
    QRect GetListBarRect() const;
};
