#include "ControlClass.h"

QRect ControlClass::GetRect(int x, int y, int w, int h) const { return QRect(x, y, w, h); }

QRect ControlClass::GetListBarRect() const { return QRect(0, 0, 0, 0); }
