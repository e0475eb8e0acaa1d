#include "UILable.h"

#include "DrawImages.h"

#include <QFontMetrics>
#include <QPainter>

UILable::UILable() = default;

void UILable::setText(const QString& text) { m_text = text; }

void UILable::EmptyString() {
    m_text.clear();
    m_offset = 0;
}

void UILable::setFontSize(int px) { m_fontSize = px > 0 ? px : 14; }

void UILable::setColor(QRgb rgb) { m_color = QColor::fromRgb(rgb | 0xFF000000u); }

int UILable::GetStrWidht() const {
    if (m_text.isEmpty()) return 0;
    return QFontMetrics(DrawImages::SetTextFont(0, m_fontSize, 0)).horizontalAdvance(m_text);
}

void UILable::draw(QPainter& p, qreal) {
    const QRect r = rect();
    if (m_text.isEmpty() || r.width() <= 0 || r.height() <= 0) return;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.setFont(DrawImages::SetTextFont(0, m_fontSize, 0));
    p.setPen(m_color);
    // Wide enough for the whole text, so the scrolled part is what shows through the clip.
    const int full = std::max(GetStrWidht(), r.width()) + 2;
    p.drawText(QRect(r.x() - m_offset, r.y(), full, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
    p.restore();
}
