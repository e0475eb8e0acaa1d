#pragma once
// Shared drawing helpers of the art generator. Pictures are drawn in design pixels and rendered at
// an integer scale (1 for "name.png", 2 for "name@2x.png"), so both come from the same vector
// paths.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSize>
#include <QString>

#include <functional>

class ArtCanvas {
public:
    using Painter = std::function<void(QPainter&)>;

    // The white of every glyph, and the light accent used sparingly (active toggles, the logo).
    static QColor glyphColor(qreal opacity = 1.0);
    static QColor accentColor(qreal opacity = 1.0);

    // A transparent picture of design size `design` at `scale`: the plate (may be empty) first,
    // then the glyph with a soft drop shadow derived from the glyph's own coverage.
    static QImage render(QSize design, int scale, const Painter& plate, const Painter& glyph,
                         qreal shadowOpacity = 0.45);
    // The same without any shadow.
    static QImage renderPlain(QSize design, int scale, const Painter& paint);

    // Writes "<dir>/<name>.png" at scale 1 and "<dir>/<name>@2x.png" at scale 2.
    static bool savePair(const QString& dir, const QString& name, QSize design,
                         const std::function<QImage(int scale)>& make);

    // Box blur (three passes approximate a Gaussian) of a premultiplied ARGB32 picture.
    static void blur(QImage& img, int radius);

    // Round-cornered translucent plate behind transport buttons.
    static void drawPlate(QPainter& p, QPointF centre, qreal radius);
    // A smooth closed polygon (many segments, clockwise on screen) for shapes that are combined
    // by the winding rule.
    static QPolygonF ellipsePolygon(QPointF centre, qreal rx, qreal ry, qreal rotationDeg = 0,
                                    int segments = 96);
    // Two beamed eighth notes, the player's mark, fitted into box.
    static QPainterPath notePath(const QRectF& box);
    // A stroke pen in the glyph white with round ends and joins.
    static QPen glyphPen(qreal width, qreal opacity = 1.0);
};
