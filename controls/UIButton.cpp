#include "UIButton.h"

#include "IControlEventS.h"

#include <QPainter>
#include <algorithm>

namespace {

// A copy of the picture with each pixel's colour moved towards white (lift > 0) or black
// (lift < 0) and its opacity scaled: the art's buttons are often faint discs, which a plain
// overlay would barely change.
QImage relit(const QImage& src, double lift, double alphaScale) {
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c);
            if (a == 0) continue;
            auto channel = [lift](int v) {
                return int(lift >= 0 ? v + (255 - v) * lift : v * (1.0 + lift));
            };
            line[x] = qRgba(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c)),
                            std::min(255, int(a * alphaScale)));
        }
    }
    out = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(src.devicePixelRatio());
    return out;
}

}  // namespace

UIButton::UIButton(const QString& firstImage, const QString& secondImage)
    : m_first(firstImage), m_second(secondImage.isEmpty() ? SkinImage() : SkinImage(secondImage)) {}

void UIButton::setButtonImg(int which) {
    if (which == 2 && !hasSecondImage()) return;
    if (which != 1 && which != 2) return;
    m_img = which;
}

void UIButton::prepareLooks(qreal dpr) {
    const QSize size = rect().size();
    if (m_lookImg == m_img && m_lookSize == size && m_lookDpr == dpr) return;
    m_lookImg = m_img;
    m_lookSize = size;
    m_lookDpr = dpr;
    m_normalLook = current().scaled(size, dpr);
    if (m_normalLook.isNull()) {
        m_hoverLook = m_pressedLook = QImage();
        return;
    }
    m_hoverLook = relit(m_normalLook, 0.3, 1.6);
    m_pressedLook = relit(m_normalLook, -0.3, 1.3);
}

void UIButton::draw(QPainter& p, qreal dpr) {
    prepareLooks(dpr);
    if (m_normalLook.isNull()) return;
    const QRect r = rect();
    if (!isEnabled()) {
        const qreal old = p.opacity();
        p.setOpacity(old * 0.4);
        p.drawImage(r, m_normalLook);
        p.setOpacity(old);
        return;
    }
    switch (stateIndex()) {
        case 1:
            p.drawImage(r, m_hoverLook);
            break;
        case 2:
            p.drawImage(r.translated(0, 1), m_pressedLook);
            break;
        default:
            p.drawImage(r, m_normalLook);
            break;
    }
}

bool UIButton::mouseMove(QPoint pt) {
    const int was = stateIndex();
    const bool inside = rect().contains(pt);
    if (m_pressed)
        setStateIndex(inside ? 2 : 0);
    else
        setStateIndex(inside && isEnabled() ? 1 : 0);
    return stateIndex() != was;
}

bool UIButton::mouseLeave() {
    const int was = stateIndex();
    setStateIndex(0);
    return was != 0;
}

bool UIButton::mousePress(QPoint pt) {
    if (!isEnabled() || !rect().contains(pt)) return false;
    m_pressed = true;
    setStateIndex(2);
    return true;
}

bool UIButton::mouseRelease(QPoint pt) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    const bool inside = rect().contains(pt);
    setStateIndex(inside && isEnabled() ? 1 : 0);
    if (!wasPressed || !inside || !isEnabled()) return true;
    // The window reads the picture as it was before the click, so report first, then swap.
    const int shown = m_img;
    if (m_sink) {
        tagUIButtonInfo info;
        info.name = name();
        info.stateIndex = stateIndex();
        info.buttonImg = shown;
        m_sink->SetButtonContorEvent(info);
    }
    if (hasSecondImage()) m_img = shown == 1 ? 2 : 1;
    return true;
}
