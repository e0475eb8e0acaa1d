#include "UICanvar.h"

#include "IControl.h"
#include "SkinImage.h"
#include "UISlider.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>

namespace {

constexpr int kInset = 5;                   // half of the 10 pixels a translucent window grows by
const QColor kEmptyFill(0x26, 0x28, 0x2C);  // shown when there is no usable background

}  // namespace

UICanvar::UICanvar(QWidget* window) : m_window(window) {
    if (m_window) m_size = m_window->size();
}

UICanvar::~UICanvar() = default;

void UICanvar::setWindowSize(int w, int h) { m_size = QSize(std::max(0, w), std::max(0, h)); }

void UICanvar::setBackground(const QImage& picture) {
    m_background = picture;
    m_keyedDirty = true;
}

void UICanvar::setMaskColor(qint32 color) {
    if (color == m_maskColor) return;
    m_maskColor = color;
    m_keyedDirty = true;
}

void UICanvar::setTranslucent(bool on) { m_translucent = on; }

void UICanvar::setOpacity(int alpha) { m_opacity = std::clamp(alpha, 1, 255); }

bool UICanvar::progressUpdatesAllowed() const {
    for (IControl* c : m_controls) {
        const auto* slider = dynamic_cast<const UISlider*>(c);
        if (slider && slider->kind() == UISlider::Kind::Position && slider->isDragging())
            return false;
    }
    return true;
}

void UICanvar::AddControlToCanvar(IControl* control) {
    if (control && !m_controls.contains(control)) m_controls.append(control);
}

IControl* UICanvar::findControl(const QString& name) const {
    for (IControl* c : m_controls) {
        if (c->name() == name) return c;
    }
    return nullptr;
}

QRect UICanvar::contentRect() const {
    const QRect all(QPoint(0, 0), m_size);
    if (!m_translucent) return all;
    const QRect inner = all.adjusted(kInset, kInset, -kInset, -kInset);
    return inner.isValid() ? inner : QRect();
}

qreal UICanvar::ratio() const { return m_window ? m_window->devicePixelRatioF() : 1.0; }

void UICanvar::rebuildKeyed() {
    m_keyedDirty = false;
    if (m_background.isNull()) {
        m_keyed = QImage();
        return;
    }
    // An opaque picture is already premultiplied as it stands, so the keyed pixels can be cleared
    // in place; one with alpha is keyed first and premultiplied afterwards.
    const bool opaque = !m_background.hasAlphaChannel();
    QImage img = m_background.convertToFormat(opaque ? QImage::Format_ARGB32_Premultiplied
                                                     : QImage::Format_ARGB32);
    if (m_maskColor != 0) {
        // The skin list stores the colour as 0xBBGGRR; 0 means the skin has no key colour.
        const quint32 c = quint32(m_maskColor);
        const QRgb key =
            qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)) & 0xFFFFFF;
        for (int y = 0; y < img.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                if ((line[x] & 0xFFFFFFu) == key) line[x] = 0;
            }
        }
    }
    // Keyed before stretching, so the smoothing softens the corners instead of smearing the key
    // colour into a coloured fringe.
    m_keyed = opaque ? img : img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void UICanvar::compose(qreal dpr) {
    if (m_keyedDirty) rebuildKeyed();
    m_composedSize = m_size;
    m_composedDpr = dpr;
    m_composedTranslucent = m_translucent;
    if (m_size.isEmpty()) {
        m_composed = QImage();
        return;
    }
    m_composed = QImage(SkinImage::deviceSize(m_size, dpr), QImage::Format_ARGB32_Premultiplied);
    m_composed.setDevicePixelRatio(dpr);
    m_composed.fill(Qt::transparent);
    const QRect content = contentRect();
    if (content.isEmpty()) return;
    QPainter p(&m_composed);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_translucent) {
        // A soft shadow: stacked faint rounded rectangles, darkest next to the content.
        p.setPen(Qt::NoPen);
        for (int i = kInset; i >= 1; --i) {
            p.setBrush(QColor(0, 0, 0, 14 + (kInset - i) * 6));
            p.drawRoundedRect(QRectF(content).adjusted(-i, -i, i, i), 4 + i, 4 + i);
        }
        // The picture's own rounded corners must not show the shadow through them.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(content), 4, 4);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (m_keyed.isNull()) {
        p.fillRect(content, kEmptyFill);
    } else {
        // QImage::scaled averages when shrinking; a stretched drawImage would only sample.
        QImage fitted = m_keyed.scaled(SkinImage::deviceSize(content.size(), dpr),
                                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        fitted.setDevicePixelRatio(dpr);
        p.drawImage(content.topLeft(), fitted);
    }
}

void UICanvar::OnInit() {
    // Only what changed is rebuilt: a fade-in calls this for every step with just a new opacity.
    const qreal dpr = ratio();
    if (m_keyedDirty || m_composedSize != m_size || m_composedDpr != dpr ||
        m_composedTranslucent != m_translucent || m_composed.isNull())
        compose(dpr);
    if (m_window) m_window->update();
}

void UICanvar::paintLayers(QPainter& p, const QRect& area, qreal dpr) {
    p.save();
    p.setClipRect(area, Qt::IntersectClip);
    if (!m_composed.isNull()) {
        const QRectF src(area.x() * dpr, area.y() * dpr, area.width() * dpr, area.height() * dpr);
        p.drawImage(QRectF(area), m_composed, src);
    }
    p.restore();
    for (IControl* c : m_controls) {
        const QRect clip = c->rect() & area;
        if (clip.isEmpty()) continue;
        p.save();
        p.setClipRect(clip, Qt::IntersectClip);
        c->draw(p, dpr);
        p.restore();
    }
}

void UICanvar::Paint(QPainter& p, const QRect& update) {
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : ratio();
    if (m_keyedDirty || m_composedSize != m_size || m_composedDpr != dpr ||
        m_composedTranslucent != m_translucent)
        compose(dpr);
    const QRect all(QPoint(0, 0), m_size);
    QRect area = (update.isEmpty() || m_fullRepaint) ? all : (update & all);
    m_fullRepaint = false;
    if (area.isEmpty()) return;
    if (!m_translucent || m_opacity >= 255) {
        paintLayers(p, area, dpr);
        return;
    }
    // Opacity applies to the composed window as a whole, so a control does not let the
    // background show through twice.
    QImage layer(SkinImage::deviceSize(area.size(), dpr), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.translate(-area.topLeft());
        paintLayers(lp, area, dpr);
    }
    p.save();
    p.setOpacity(p.opacity() * m_opacity / 255.0);
    p.drawImage(area.topLeft(), layer);
    p.restore();
}

void UICanvar::UpdateCanvar(IControl* control) {
    if (control && m_window) m_window->update(control->rect());
}

void UICanvar::repaint(IControl* control) { UpdateCanvar(control); }

IControl* UICanvar::controlAt(QPoint pt) const {
    for (auto it = m_controls.crbegin(); it != m_controls.crend(); ++it) {
        IControl* c = *it;
        if (c->isOperable() && c->rect().contains(pt)) return c;
    }
    return nullptr;
}

void UICanvar::MouseMove(QPoint pt) {
    if (m_captured) {
        if (m_captured->mouseMove(pt)) repaint(m_captured);
        return;
    }
    IControl* c = controlAt(pt);
    if (c != m_hover) {
        if (m_hover && m_hover->mouseLeave()) repaint(m_hover);
        m_hover = c;
    }
    if (c && c->mouseMove(pt)) repaint(c);
}

void UICanvar::MouseHover(QPoint pt) {
    if (!m_window) return;
    IControl* tipOwner = nullptr;
    for (auto it = m_controls.crbegin(); it != m_controls.crend(); ++it) {
        if ((*it)->rect().contains(pt) && !(*it)->toolTip().isEmpty()) {
            tipOwner = *it;
            break;
        }
    }
    if (!tipOwner || m_captured) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(m_window->mapToGlobal(pt), tipOwner->toolTip(), m_window, tipOwner->rect());
}

void UICanvar::MouseLeave() {
    if (m_captured) return;  // the pressed control keeps the mouse until release
    if (m_hover && m_hover->mouseLeave()) repaint(m_hover);
    m_hover = nullptr;
}

void UICanvar::LButtonDown(QPoint pt) {
    QToolTip::hideText();
    IControl* c = controlAt(pt);
    if (!c || !c->isEnabled()) return;
    m_captured = c;
    if (c->mousePress(pt)) repaint(c);
}

void UICanvar::LButtonUp(QPoint pt) {
    IControl* c = m_captured;
    m_captured = nullptr;  // before the report: its handler may run a nested event loop
    if (c && c->mouseRelease(pt)) repaint(c);
    MouseMove(pt);
}

void UICanvar::LBUTTONDBCLICK(QWidget*, QPoint pt) {
    QToolTip::hideText();
    IControl* c = controlAt(pt);
    if (!c || !c->isEnabled()) return;
    m_captured = c;
    if (c->mouseDoubleClick(pt)) repaint(c);
}

void UICanvar::MouseWheel(QPoint pt, int angleDelta) {
    IControl* c = controlAt(pt);
    if (c && c->isEnabled() && c->wheel(pt, angleDelta)) repaint(c);
}

bool UICanvar::IsOperationControl(QPoint pt) const {
    const IControl* c = controlAt(pt);
    return c && c->isEnabled() && c->isOperable();
}
