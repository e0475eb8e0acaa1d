#include "UIStatic.h"

#include <QPainter>

UIStatic::UIStatic(const QString& imagePath) : m_image(imagePath) {}

void UIStatic::draw(QPainter& p, qreal dpr) {
    if (m_image.isNull()) return;
    const QRect r = rect();
    p.drawImage(r, m_image.scaled(r.size(), dpr));
}
