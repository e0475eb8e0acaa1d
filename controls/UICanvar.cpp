#include "UICanvar.h"

#include "DrawImages.h"
#include "IControl.h"
#include "SkinImage.h"
#include "UISlider.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

// The source pixels under one target pixel along one axis with their shares: the covered area
// when shrinking, as QImage::scaled averages, and the two nearest pixels when growing.
void axisWeights(int t, double scale, int n, std::vector<std::pair<int, double>>& out) {
    out.clear();
    if (scale >= 1.0) {
        const double a = t * scale, b = std::min(double(n), a + scale);
        for (int i = int(a); i < b; ++i) {
            const double w = std::min(b, i + 1.0) - std::max(a, double(i));
            if (w > 0) out.emplace_back(i, w);
        }
        return;
    }
    const double c = (t + 0.5) * scale - 0.5;
    const int i = int(std::floor(c));
    const double f = c - i;
    out.emplace_back(std::clamp(i, 0, n - 1), 1.0 - f);
    out.emplace_back(std::clamp(i + 1, 0, n - 1), f);
}

// The skin list stores the colour as 0xBBGGRR.
QRgb opaqueKey(qint32 bgr) {
    const quint32 c = quint32(bgr);
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// key is opaque; a premultiplied picture's pixel matches by its colour before premultiplying.
inline bool isMaskPixel(QRgb px, QRgb key, bool premultiplied) {
    if (px == key) return true;
    const int a = qAlpha(px);
    return premultiplied && a != 0 && a != 255 && (qUnpremultiply(px) | 0xFF000000u) == key;
}

}  // namespace

void UICanvar::findKeyedPixels() {
    m_keyedDirty = false;
    m_keyRuns.clear();
    m_source = m_background.isNull() ? QImage()
               : m_background.hasAlphaChannel()
                   ? m_background.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                   : m_background.convertToFormat(QImage::Format_RGB32);
    if (m_source.isNull() || m_maskColor == 0) return;  // 0: the skin has no key colour
    const QRgb key = opaqueKey(m_maskColor);
    const bool alpha = m_source.hasAlphaChannel();
    // Only the positions are noted here; the keying itself happens after scaling, on the few
    // pixels near them (see fitBackground).
    const int w = m_source.width(), h = m_source.height();
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(m_source.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (!isMaskPixel(line[x], key, alpha)) continue;
            const int x0 = x;
            while (x < w && isMaskPixel(line[x], key, alpha)) ++x;
            m_keyRuns.push_back({y, x0, x});
        }
    }
}

QImage UICanvar::fitBackground(QSize device) const {
    const QSize srcSize = m_source.size();
    QImage out = device == srcSize
                     ? m_source.copy()
                     : m_source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // RGB32 pixels carry an opaque alpha, so they already read as premultiplied.
    out.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    if (m_keyRuns.empty() || out.isNull()) return out;

    // Keyed after scaling: a scaled key pixel would smear magenta into its neighbours, so every
    // target pixel near one is computed again from the source with the key pixels counted as
    // transparent. Scaling the whole picture without its key costs a full-size pass per size.
    const double sx = double(srcSize.width()) / device.width();
    const double sy = double(srcSize.height()) / device.height();
    const int tw = device.width(), th = device.height();
    // One mark per target pixel (bounded by the target, however many runs a picture has), and one
    // per row so the rows without a mark are skipped.
    std::vector<quint8> marked(size_t(tw) * th, 0), rowMarked(th, 0);
    for (const KeyRun& r : m_keyRuns) {
        const int tx0 = std::max(0, int(std::floor((r.x0 - 1) / sx)) - 1);
        const int tx1 = std::min(tw - 1, int(std::floor((r.x1 + 1) / sx)) + 1);
        const int ty0 = std::max(0, int(std::floor((r.y - 1) / sy)) - 1);
        const int ty1 = std::min(th - 1, int(std::floor((r.y + 2) / sy)) + 1);
        for (int ty = ty0; ty <= ty1; ++ty) {
            rowMarked[ty] = 1;
            std::fill_n(marked.begin() + size_t(ty) * tw + tx0, tx1 - tx0 + 1, quint8(1));
        }
    }

    const QRgb key = opaqueKey(m_maskColor);
    const bool alpha = m_source.hasAlphaChannel();
    std::vector<std::pair<int, double>> wx, wy;
    for (int ty = 0; ty < th; ++ty) {
        if (!rowMarked[ty]) continue;
        axisWeights(ty, sy, srcSize.height(), wy);
        QRgb* target = reinterpret_cast<QRgb*>(out.scanLine(ty));
        for (int tx = 0; tx < tw; ++tx) {
            if (!marked[size_t(ty) * tw + tx]) continue;
            axisWeights(tx, sx, srcSize.width(), wx);
            double sum[4] = {0, 0, 0, 0}, total = 0;
            for (const auto& [iy, fy] : wy) {
                const QRgb* line = reinterpret_cast<const QRgb*>(m_source.constScanLine(iy));
                for (const auto& [ix, fx] : wx) {
                    const double w = fx * fy;
                    total += w;
                    const QRgb px = line[ix];
                    if (isMaskPixel(px, key, alpha)) continue;
                    sum[0] += w * qAlpha(px);
                    sum[1] += w * qRed(px);
                    sum[2] += w * qGreen(px);
                    sum[3] += w * qBlue(px);
                }
            }
            auto level = [total](double v) {
                return total > 0 ? std::clamp(int(std::lround(v / total)), 0, 255) : 0;
            };
            const int a = level(sum[0]);
            target[tx] = qRgba(std::min(a, level(sum[1])), std::min(a, level(sum[2])),
                               std::min(a, level(sum[3])), a);
        }
    }
    return out;
}

void UICanvar::paintShadow(QImage& img, const QRect& content, qreal dpr) const {
    // A soft shadow of stacked faint layers, darkest next to the content. Layer i's edge lies i
    // pixels out from the content's outline, whose corners have the picture's corner radius, so
    // the keyed corner pixels show the same shadow as the straight edges. Worked out per pixel,
    // beneath what is there, in the margin and the corner squares only.
    const double r = DrawImages::kCornerRadius;
    const double left = content.left(), top = content.top();
    const double right = content.right() + 1.0, bottom = content.bottom() + 1.0;
    const int bandTop = int(std::ceil((top + r) * dpr));
    const int bandBottom = int(std::floor((bottom - r) * dpr));
    const int sideLeft = int(std::ceil((left + r) * dpr));
    const int sideRight = int(std::floor((right - r) * dpr));
    for (int y = 0; y < img.height(); ++y) {
        const bool band = y < bandTop || y >= bandBottom;
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const double py = (y + 0.5) / dpr;
        const double qy = std::max({top + r - py, py - (bottom - r), 0.0});
        for (int x = 0; x < img.width(); ++x) {
            if (!band && x == sideLeft) x = std::max(x, sideRight);  // opaque content between
            if (x >= img.width()) break;
            const int da = qAlpha(line[x]);
            if (da == 255) continue;
            const double px = (x + 0.5) / dpr;
            const double qx = std::max({left + r - px, px - (right - r), 0.0});
            const double d = std::hypot(qx, qy) - r;  // distance outside the rounded outline
            double clear = 1.0;
            for (int i = 1; i <= kInset; ++i) {
                const double cover = std::clamp((i - d) * dpr + 0.5, 0.0, 1.0);
                clear *= 1.0 - cover * (14 + (kInset - i) * 6) / 255.0;
            }
            const int sa = int(std::lround((1.0 - clear) * 255));
            if (sa == 0) continue;
            // Black under a premultiplied pixel: only its opacity grows.
            line[x] = (line[x] & 0xFFFFFFu) | (quint32(da + sa * (255 - da) / 255) << 24);
        }
    }
}

void UICanvar::compose(qreal dpr) {
    if (m_keyedDirty) findKeyedPixels();
    m_composedSize = m_size;
    m_composedDpr = dpr;
    m_composedTranslucent = m_translucent;
    const QRect content = contentRect();
    if (m_size.isEmpty() || content.isEmpty()) {
        m_composed = QImage();
        return;
    }
    QImage fitted;
    if (!m_source.isNull()) {
        fitted = fitBackground(SkinImage::deviceSize(content.size(), dpr));
        fitted.setDevicePixelRatio(dpr);
        if (!m_translucent) {
            m_composed = fitted;  // the content is the whole window
            return;
        }
    }
    m_composed = QImage(SkinImage::deviceSize(m_size, dpr), QImage::Format_ARGB32_Premultiplied);
    m_composed.setDevicePixelRatio(dpr);
    m_composed.fill(Qt::transparent);
    if (fitted.isNull()) {
        QPainter p(&m_composed);
        p.fillRect(content, kEmptyFill);
    } else {
        // A plain copy of rows: the painter would take its slow path for a scaled device.
        const int x0 = int(std::lround(content.left() * dpr));
        const int y0 = int(std::lround(content.top() * dpr));
        const int w = std::min(fitted.width(), m_composed.width() - x0);
        for (int y = 0; y < fitted.height() && y0 + y < m_composed.height(); ++y)
            std::memcpy(reinterpret_cast<QRgb*>(m_composed.scanLine(y0 + y)) + x0,
                        fitted.constScanLine(y), size_t(w) * sizeof(QRgb));
    }
    if (m_translucent) paintShadow(m_composed, content, dpr);
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

IControl* UICanvar::controlAt(QPoint pt) const {
    for (auto it = m_controls.crbegin(); it != m_controls.crend(); ++it) {
        IControl* c = *it;
        if (c->isOperable() && c->rect().contains(pt)) return c;
    }
    return nullptr;
}

void UICanvar::MouseMove(QPoint pt) {
    if (m_captured) {
        if (m_captured->mouseMove(pt)) UpdateCanvar(m_captured);
        return;
    }
    IControl* c = controlAt(pt);
    if (c != m_hover) {
        if (m_hover && m_hover->mouseLeave()) UpdateCanvar(m_hover);
        m_hover = c;
    }
    if (c && c->mouseMove(pt)) UpdateCanvar(c);
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
    if (m_hover && m_hover->mouseLeave()) UpdateCanvar(m_hover);
    m_hover = nullptr;
}

void UICanvar::LButtonDown(QPoint pt, Qt::KeyboardModifiers modifiers) {
    QToolTip::hideText();
    IControl* c = controlAt(pt);
    if (!c || !c->isEnabled()) return;
    m_captured = c;
    if (c->mousePressWith(pt, modifiers)) UpdateCanvar(c);
}

void UICanvar::LButtonUp(QPoint pt) {
    IControl* c = m_captured;
    m_captured = nullptr;  // before the report: its handler may run a nested event loop
    if (c && c->mouseRelease(pt)) UpdateCanvar(c);
    MouseMove(pt);
}

void UICanvar::LBUTTONDBCLICK(QWidget*, QPoint pt) {
    QToolTip::hideText();
    IControl* c = controlAt(pt);
    if (!c || !c->isEnabled()) return;
    m_captured = c;
    if (c->mouseDoubleClick(pt)) UpdateCanvar(c);
}

void UICanvar::MouseWheel(QPoint pt, int angleDelta) {
    IControl* c = controlAt(pt);
    if (c && c->isEnabled() && c->wheel(pt, angleDelta)) UpdateCanvar(c);
}

void UICanvar::ContextMenu(QPoint pt) {
    QToolTip::hideText();
    IControl* c = controlAt(pt);
    if (c && c->isEnabled() && c->contextMenu(pt)) UpdateCanvar(c);
}

bool UICanvar::KeyPress(int key, Qt::KeyboardModifiers modifiers) {
    for (auto it = m_controls.crbegin(); it != m_controls.crend(); ++it) {
        if ((*it)->isEnabled() && (*it)->keyPress(key, modifiers)) {
            UpdateCanvar(*it);
            return true;
        }
    }
    return false;
}

bool UICanvar::IsOperationControl(QPoint pt) const {
    const IControl* c = controlAt(pt);
    return c && c->isEnabled() && c->isOperable();
}
