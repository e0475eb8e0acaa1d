#include "UISlider.h"

#include "IControlEventS.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>

namespace {

// Stretches the middle of a picture to the target size, keeping capLeft / capRight logical
// pixels at each end as they are, so rounded bar ends do not smear.
QImage threeSlice(const QImage& src, int capLeft, int capRight, QSize logical, qreal dpr) {
    if (src.isNull() || logical.isEmpty()) return QImage();
    const qreal srcDpr = src.devicePixelRatio();
    const QSize target = SkinImage::deviceSize(logical, dpr);
    QImage out(target, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    const int sw = src.width(), sh = src.height();
    int sl = std::clamp(int(capLeft * srcDpr), 0, sw / 2);
    int sr = std::clamp(int(capRight * srcDpr), 0, sw - sl);
    int tl = std::min(int(capLeft * dpr), target.width() / 2);
    int tr = std::min(int(capRight * dpr), target.width() - tl);
    if (sl == 0) tl = 0;
    if (sr == 0) tr = 0;
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const int th = target.height();
    // Each slice is cut out first: smoothing then cannot pull colour over from its neighbour.
    if (tl > 0) p.drawImage(QRect(0, 0, tl, th), src.copy(0, 0, sl, sh));
    if (tr > 0) p.drawImage(QRect(target.width() - tr, 0, tr, th), src.copy(sw - sr, 0, sr, sh));
    const int midW = target.width() - tl - tr;
    if (midW > 0 && sw - sl - sr > 0)
        p.drawImage(QRect(tl, 0, midW, th), src.copy(sl, 0, sw - sl - sr, sh));
    p.end();
    out.setDevicePixelRatio(dpr);
    return out;
}

}  // namespace

UISlider::UISlider(const QString& bar, const QString& fill, const QString& thumb)
    : m_bar(bar.isEmpty() ? SkinImage() : SkinImage(bar)),
      m_fill(fill.isEmpty() ? SkinImage() : SkinImage(fill)),
      m_thumb(thumb.isEmpty() ? SkinImage() : SkinImage(thumb)) {}

void UISlider::setValue(int v) { m_value = std::clamp(v, 0, std::max(0, length())); }

void UISlider::setLength(int len) {
    setSize(std::max(0, len), height());
    setValue(m_value);
}

void UISlider::SetSingleControl(int capLeft, int capRight) {
    m_capLeft = std::max(0, capLeft);
    m_capRight = std::max(0, capRight);
    m_builtSize = QSize();
    build(qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QRect UISlider::barRect() const {
    const QRect r = rect();
    const int barH = m_bar.isNull() ? r.height() : std::min(r.height(), m_bar.size().height());
    return QRect(r.x(), r.y() + (r.height() - barH) / 2, r.width(), barH);
}

void UISlider::build(qreal dpr) {
    const QSize size = rect().size();
    if (m_builtSize == size && m_builtDpr == dpr) return;
    m_builtSize = size;
    m_builtDpr = dpr;
    const QSize barSize = barRect().size();
    m_barScaled = threeSlice(m_bar.forRatio(dpr), m_capLeft, m_capRight, barSize, dpr);
    m_fillScaled = QImage();
    if (!m_fill.isNull()) {
        const int fillH = std::min(size.height(), m_fill.size().height());
        m_fillScaled = threeSlice(m_fill.forRatio(dpr), m_capLeft, m_capRight,
                                  QSize(size.width(), fillH), dpr);
    }
}

void UISlider::draw(QPainter& p, qreal dpr) {
    build(dpr);
    const QRect r = rect();
    const QRect bar = barRect();
    if (!m_barScaled.isNull()) p.drawImage(bar.topLeft(), m_barScaled);
    if (m_kind == Kind::Position) {
        if (!m_fillScaled.isNull() && m_value > 0) {
            const int fillH = int(m_fillScaled.height() / dpr);
            const int fy = r.y() + (r.height() - fillH) / 2;
            const int w = std::min(m_value, r.width());
            // Only the part up to the value; the fill keeps its own end caps at full length.
            p.drawImage(QRect(r.x(), fy, w, fillH), m_fillScaled,
                        QRect(0, 0, int(w * dpr), m_fillScaled.height()));
        }
        return;
    }
    if (m_thumb.isNull()) return;
    const QSize ts = m_thumb.size();
    const int tw = std::min(ts.width(), r.width());
    const int th = std::min(ts.height(), r.height());
    int cx = r.x() + m_value - tw / 2;
    cx = std::clamp(cx, r.x(), r.x() + r.width() - tw);
    const QRect thumb(cx, r.y() + (r.height() - th) / 2, tw, th);
    const QImage img = m_thumb.scaled(thumb.size(), dpr);
    if (m_hover || m_dragging) {
        // A touch brighter while it is under the mouse.
        const qreal old = p.opacity();
        p.drawImage(thumb, img);
        p.setOpacity(old * 0.25);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.drawImage(thumb, img);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(old);
    } else {
        p.drawImage(thumb, img);
    }
}

int UISlider::valueAt(QPoint pt) const {
    return std::clamp(pt.x() - rect().x(), 0, std::max(0, length()));
}

void UISlider::report() {
    if (!m_sink) return;
    tagUISliderInfo info;
    info.name = name();
    info.length = length();
    info.value = m_value;
    m_sink->SetSliderContorEvent(info);
}

bool UISlider::mousePress(QPoint pt) {
    if (!isEnabled() || !rect().contains(pt)) return false;
    m_dragging = true;
    setStateIndex(2);
    m_value = valueAt(pt);
    report();
    return true;
}

bool UISlider::mouseMove(QPoint pt) {
    if (!m_dragging) {
        const bool inside = rect().contains(pt);
        const bool changed = inside != m_hover;
        m_hover = inside;
        setStateIndex(inside ? 1 : 0);
        return changed && m_kind == Kind::Volume;
    }
    const int v = valueAt(pt);
    if (v == m_value) return false;
    m_value = v;
    report();
    return true;
}

bool UISlider::mouseRelease(QPoint pt) {
    if (!m_dragging) return false;
    const int v = valueAt(pt);
    if (v != m_value) {
        m_value = v;
        report();
    }
    m_dragging = false;
    m_hover = rect().contains(pt);
    setStateIndex(m_hover ? 1 : 0);
    return true;
}

bool UISlider::mouseLeave() {
    if (!m_hover || m_dragging) return false;
    m_hover = false;
    setStateIndex(0);
    return m_kind == Kind::Volume;
}
