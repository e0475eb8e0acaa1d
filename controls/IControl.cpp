#include "IControl.h"

IControl::~IControl() = default;

void IControl::setPos(int x, int y) {
    m_x = x;
    m_y = y;
}

void IControl::setSize(int w, int h) {
    m_w = w;
    m_h = h;
}
