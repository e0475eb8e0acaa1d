#include "ArtCanvas.h"

#include <QDir>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <vector>

QColor ArtCanvas::glyphColor(qreal opacity) {
    QColor c(255, 255, 255);
    c.setAlphaF(float(0.96 * opacity));
    return c;
}

QColor ArtCanvas::accentColor(qreal opacity) {
    QColor c(120, 214, 255);
    c.setAlphaF(float(opacity));
    return c;
}

QPen ArtCanvas::glyphPen(qreal width, qreal opacity) {
    QPen pen(glyphColor(opacity), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

static QImage blankImage(QSize design, int scale) {
    QImage img(design * scale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

static void beginDesign(QPainter& p, int scale) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.scale(scale, scale);
}

QImage ArtCanvas::renderPlain(QSize design, int scale, const Painter& paint) {
    QImage img = blankImage(design, scale);
    QPainter p(&img);
    beginDesign(p, scale);
    paint(p);
    p.end();
    return img;
}

QImage ArtCanvas::render(QSize design, int scale, const Painter& plate, const Painter& glyph,
                         qreal shadowOpacity) {
    QImage glyphLayer = renderPlain(design, scale, glyph);

    // The shadow is the glyph's coverage in black, a little lower and softened.
    QImage shadow = blankImage(design, scale);
    {
        QPainter p(&shadow);
        p.drawImage(QPointF(0, 0.8 * scale), glyphLayer);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(shadow.rect(), QColor(0, 0, 0, int(255 * shadowOpacity)));
    }
    blur(shadow, scale);

    QImage out = blankImage(design, scale);
    QPainter p(&out);
    if (plate) {
        beginDesign(p, scale);
        plate(p);
        p.resetTransform();
    }
    p.drawImage(0, 0, shadow);
    p.drawImage(0, 0, glyphLayer);
    p.end();
    return out;
}

bool ArtCanvas::savePair(const QString& dir, const QString& name, QSize design,
                         const std::function<QImage(int scale)>& make) {
    QDir().mkpath(dir);
    for (int scale : {1, 2}) {
        QImage img = make(scale);
        if (img.size() != design * scale) {
            std::fprintf(stderr, "artgen: %s drawn at the wrong size\n", qPrintable(name));
            return false;
        }
        const QString file = dir + "/" + name + (scale == 1 ? QString(".png") : QString("@2x.png"));
        if (!img.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
            std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

// One horizontal or vertical running-sum pass over all four (premultiplied) channels.
static void boxPass(QImage& img, int radius, bool horizontal) {
    const int w = img.width(), h = img.height();
    const int lines = horizontal ? h : w;
    const int len = horizontal ? w : h;
    const int window = 2 * radius + 1;
    std::vector<QRgb> line(len);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> QRgb& {
            return horizontal ? reinterpret_cast<QRgb*>(img.scanLine(l))[i]
                              : reinterpret_cast<QRgb*>(img.scanLine(i))[l];
        };
        for (int i = 0; i < len; ++i) line[i] = at(i);
        int sa = 0, sr = 0, sg = 0, sb = 0;
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= len) return;  // outside counts as transparent
            const QRgb c = line[i];
            sa += sign * qAlpha(c);
            sr += sign * qRed(c);
            sg += sign * qGreen(c);
            sb += sign * qBlue(c);
        };
        for (int i = -radius; i <= radius; ++i) add(i, 1);
        for (int i = 0; i < len; ++i) {
            at(i) = qRgba(sr / window, sg / window, sb / window, sa / window);
            add(i - radius, -1);
            add(i + radius + 1, 1);
        }
    }
}

void ArtCanvas::blur(QImage& img, int radius) {
    if (radius <= 0) return;
    if (img.format() != QImage::Format_ARGB32_Premultiplied)
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int r = qMax(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(img, r, true);
        boxPass(img, r, false);
    }
}

void ArtCanvas::drawPlate(QPainter& p, QPointF centre, qreal radius) {
    p.save();
    // Slightly lighter at the top, like glass catching light from above.
    QLinearGradient fill(centre.x(), centre.y() - radius, centre.x(), centre.y() + radius);
    fill.setColorAt(0.0, QColor(255, 255, 255, 58));
    fill.setColorAt(1.0, QColor(255, 255, 255, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    QLinearGradient ring(centre.x(), centre.y() - radius, centre.x(), centre.y() + radius);
    ring.setColorAt(0.0, QColor(255, 255, 255, 120));
    ring.setColorAt(1.0, QColor(255, 255, 255, 45));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(ring), 1.0));
    p.drawEllipse(centre, radius - 0.5, radius - 0.5);
    p.restore();
}

QPolygonF ArtCanvas::ellipsePolygon(QPointF c, qreal rx, qreal ry, qreal rotation, int segments) {
    QPolygonF poly;
    const qreal rad = qDegreesToRadians(rotation);
    for (int i = 0; i < segments; ++i) {
        const qreal t = 2 * M_PI * i / segments;
        const qreal x = rx * qCos(t), y = ry * qSin(t);
        poly << QPointF(c.x() + x * qCos(rad) - y * qSin(rad),
                        c.y() + x * qSin(rad) + y * qCos(rad));
    }
    return poly;
}

QPainterPath ArtCanvas::notePath(const QRectF& box) {
    // Drawn in a 20 x 24 unit cell, then mapped into the box. Every part runs the same way
    // round, so the winding rule fills the overlaps without the polygon flattening of a union.
    QPainterPath note;
    note.setFillRule(Qt::WindingFill);
    auto add = [&note](const QPolygonF& poly) {
        note.addPolygon(poly);
        note.closeSubpath();
    };
    add(ellipsePolygon(QPointF(4.2, 19.6), 3.4, 2.5, -22));
    add(ellipsePolygon(QPointF(15.6, 17.4), 3.4, 2.5, -22));
    add(QPolygonF({{6.4, 5.4}, {8.1, 5.4}, {8.1, 19.4}, {6.4, 19.4}}));
    add(QPolygonF({{17.8, 3.2}, {19.5, 3.2}, {19.5, 17.2}, {17.8, 17.2}}));
    add(QPolygonF({{6.4, 4.4}, {19.5, 1.2}, {19.5, 5.0}, {6.4, 8.2}}));
    QTransform fit;
    fit.translate(box.x(), box.y());
    fit.scale(box.width() / 20.0, box.height() / 24.0);
    return fit.map(note);
}
