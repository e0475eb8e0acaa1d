#include "ControlArt.h"

#include "ArtCanvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QtMath>

#include <cmath>

namespace {

using P = QPainter;

QPainterPath polygonPath(std::initializer_list<QPointF> pts) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(pts)));
    path.closeSubpath();
    return path;
}

// Filled shape with softly rounded corners: fill plus a round-joined outline of the same colour.
void fillRounded(P& p, const QPainterPath& path, qreal rounding, qreal opacity = 1.0) {
    p.setPen(ArtCanvas::glyphPen(rounding, opacity));
    p.setBrush(ArtCanvas::glyphColor(opacity));
    p.drawPath(path);
}

QImage transport(int scale, QSize size, QPointF centre, qreal plateRadius,
                 const ArtCanvas::Painter& glyph) {
    return ArtCanvas::render(
        size, scale, [&](P& p) { ArtCanvas::drawPlate(p, centre, plateRadius); }, glyph);
}

QImage playImage(int s) {
    return transport(s, {38, 38}, {19, 19}, 17.5, [](P& p) {
        // Optically centred: a triangle's centroid sits right of its box centre.
        fillRounded(p, polygonPath({{15.0, 12.5}, {15.0, 25.5}, {26.0, 19.0}}), 1.6);
    });
}

QImage stopImage(int s) {
    return transport(s, {38, 38}, {19, 19}, 17.5, [](P& p) {
        QPainterPath sq;
        sq.addRoundedRect(QRectF(13.75, 13.75, 10.5, 10.5), 1.8, 1.8);
        fillRounded(p, sq, 0.8);
    });
}

QImage skipImage(int s, bool forward) {
    return transport(s, {35, 36}, {17.5, 18}, 15.0, [forward](P& p) {
        if (forward) {
            p.translate(35, 0);
            p.scale(-1, 1);
        }
        // Bar then a left-pointing triangle; the pair is centred on the plate.
        QPainterPath bar;
        bar.addRoundedRect(QRectF(11.6, 13.2, 2.2, 9.6), 1.1, 1.1);
        p.setPen(Qt::NoPen);
        p.setBrush(ArtCanvas::glyphColor());
        p.drawPath(bar);
        fillRounded(p, polygonPath({{23.6, 13.4}, {23.6, 22.6}, {15.4, 18.0}}), 1.4);
    });
}

QImage closeImage(int s) {
    return ArtCanvas::render({33, 25}, s, nullptr, [](P& p) {
        p.setPen(ArtCanvas::glyphPen(1.5));
        p.drawLine(QPointF(12.5, 8.5), QPointF(20.5, 16.5));
        p.drawLine(QPointF(20.5, 8.5), QPointF(12.5, 16.5));
    });
}

QImage minImage(int s) {
    return ArtCanvas::render({31, 25}, s, nullptr, [](P& p) {
        p.setPen(ArtCanvas::glyphPen(1.5));
        p.drawLine(QPointF(11.0, 13.0), QPointF(20.0, 13.0));
    });
}

QImage skinImage(int s) {
    // A small shirt: "change clothes" for the window.
    return ArtCanvas::render({21, 14}, s, nullptr, [](P& p) {
        QPainterPath shirt;
        shirt.moveTo(8.2, 1.8);
        shirt.quadTo(10.5, 4.4, 12.8, 1.8);
        shirt.lineTo(17.6, 3.9);
        shirt.lineTo(16.2, 7.2);
        shirt.lineTo(14.6, 6.6);
        shirt.lineTo(14.6, 12.4);
        shirt.lineTo(6.4, 12.4);
        shirt.lineTo(6.4, 6.6);
        shirt.lineTo(4.8, 7.2);
        shirt.lineTo(3.4, 3.9);
        shirt.closeSubpath();
        fillRounded(p, shirt, 1.0);
    });
}

QImage addImage(int s) {
    return ArtCanvas::render({23, 23}, s, nullptr, [](P& p) {
        p.setPen(ArtCanvas::glyphPen(1.8));
        p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 17.5));
        p.drawLine(QPointF(5.5, 11.5), QPointF(17.5, 11.5));
    });
}

QImage optionsImage(int s) {
    return ArtCanvas::render({23, 23}, s, nullptr, [](P& p) {
        // One outline with eight rounded teeth, and the hole by the odd-even rule; built as a
        // fine polygon because path unions would flatten the curves.
        const QPointF c(11.5, 11.5);
        const qreal inner = 5.7, outer = 7.9;
        const int teeth = 8, samples = 720;
        QPolygonF outline;
        for (int i = 0; i < samples; ++i) {
            const qreal t = 2 * M_PI * i / samples;
            // Position within one tooth period: a flat top, steep smooth flanks, a flat root.
            const qreal u = std::fmod(t * teeth / (2 * M_PI) + 0.25, 1.0);
            const qreal d = std::abs(u - 0.5) * 2;  // 0 at the tooth's middle, 1 between teeth
            const qreal k = d < 0.36   ? 1.0
                            : d > 0.62 ? 0.0
                                       : 0.5 + 0.5 * qCos((d - 0.36) / 0.26 * M_PI);
            const qreal r = inner + (outer - inner) * k;
            outline << QPointF(c.x() + r * qSin(t), c.y() - r * qCos(t));
        }
        QPainterPath gear;
        gear.setFillRule(Qt::OddEvenFill);
        gear.addPolygon(outline);
        gear.closeSubpath();
        gear.addEllipse(c, 2.4, 2.4);
        p.setPen(Qt::NoPen);
        p.setBrush(ArtCanvas::glyphColor());
        p.drawPath(gear);
    });
}

// Two arrows chasing each other round a rounded rectangle.
void drawLoop(P& p, qreal opacity, bool accent = false) {
    QPen pen = ArtCanvas::glyphPen(1.6, opacity);
    if (accent) pen.setColor(ArtCanvas::accentColor(opacity));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath top;
    top.moveTo(5.5, 13.0);
    top.lineTo(5.5, 10.5);
    top.quadTo(5.5, 7.5, 8.5, 7.5);
    top.lineTo(15.0, 7.5);
    p.drawPath(top);
    QPainterPath bottom;
    bottom.moveTo(17.5, 10.0);
    bottom.lineTo(17.5, 12.5);
    bottom.quadTo(17.5, 15.5, 14.5, 15.5);
    bottom.lineTo(8.0, 15.5);
    p.drawPath(bottom);
    pen.setWidthF(0.9);
    p.setPen(pen);
    p.setBrush(pen.color());
    p.drawPath(polygonPath({{14.6, 4.9}, {18.2, 7.5}, {14.6, 10.1}}));
    p.drawPath(polygonPath({{8.4, 12.9}, {4.8, 15.5}, {8.4, 18.1}}));
}

QImage loopOffImage(int s) {
    return ArtCanvas::render(
        {23, 23}, s, nullptr, [](P& p) { drawLoop(p, 0.42); }, 0.25);
}

QImage loopOnImage(int s) {
    // On: the accent colour, so the state reads at a glance and not by brightness alone.
    return ArtCanvas::render({23, 23}, s, nullptr, [](P& p) { drawLoop(p, 1.0, true); });
}

QImage clearImage(int s) {
    // A waste bin: clears the play list.
    return ArtCanvas::render({23, 23}, s, nullptr, [](P& p) {
        p.setPen(ArtCanvas::glyphPen(1.5));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(5.8, 7.2), QPointF(17.2, 7.2));
        QPainterPath handle;
        handle.moveTo(9.4, 7.0);
        handle.lineTo(9.4, 5.6);
        handle.quadTo(9.4, 4.6, 10.4, 4.6);
        handle.lineTo(12.6, 4.6);
        handle.quadTo(13.6, 4.6, 13.6, 5.6);
        handle.lineTo(13.6, 7.0);
        p.drawPath(handle);
        QPainterPath body;
        body.moveTo(7.3, 9.2);
        body.lineTo(8.1, 17.4);
        body.quadTo(8.2, 18.4, 9.2, 18.4);
        body.lineTo(13.8, 18.4);
        body.quadTo(14.8, 18.4, 14.9, 17.4);
        body.lineTo(15.7, 9.2);
        p.drawPath(body);
        p.setPen(ArtCanvas::glyphPen(1.1, 0.8));
        p.drawLine(QPointF(10.2, 10.6), QPointF(10.4, 16.2));
        p.drawLine(QPointF(12.8, 10.6), QPointF(12.6, 16.2));
    });
}

QPainterPath speakerPath() {
    QPainterPath sp;
    sp.moveTo(1.6, 5.1);
    sp.lineTo(4.0, 5.1);
    sp.lineTo(7.4, 2.2);
    sp.lineTo(7.4, 11.8);
    sp.lineTo(4.0, 8.9);
    sp.lineTo(1.6, 8.9);
    sp.closeSubpath();
    return sp;
}

QImage volumeOnImage(int s) {
    return ArtCanvas::render({15, 14}, s, nullptr, [](P& p) {
        fillRounded(p, speakerPath(), 0.8);
        p.setPen(ArtCanvas::glyphPen(1.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6.8, 4.5, 5.0, 5.0), -55 * 16, 110 * 16);
        p.setPen(ArtCanvas::glyphPen(1.2, 0.85));
        p.drawArc(QRectF(5.4, 1.9, 8.4, 10.2), -55 * 16, 110 * 16);
    });
}

QImage volumeMutedImage(int s) {
    return ArtCanvas::render({15, 14}, s, nullptr, [](P& p) {
        fillRounded(p, speakerPath(), 0.8);
        p.setPen(ArtCanvas::glyphPen(1.2));
        p.drawLine(QPointF(9.6, 4.9), QPointF(13.8, 9.1));
        p.drawLine(QPointF(13.8, 4.9), QPointF(9.6, 9.1));
    });
}

QImage logoImage(int s) {
    return ArtCanvas::render({97, 30}, s, nullptr, [](P& p) {
        // Mark: the notes inside a thin ring.
        p.setPen(QPen(ArtCanvas::glyphColor(0.9), 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(14.0, 15.0), 12.2, 12.2);
        QLinearGradient g(0, 6, 0, 24);
        g.setColorAt(0.0, QColor(255, 255, 255));
        g.setColorAt(1.0, ArtCanvas::accentColor());
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(ArtCanvas::notePath(QRectF(7.6, 7.2, 12.8, 15.4)));
        // Wordmark.
        QFont f("Noto Sans CJK SC");
        f.setPixelSize(20);
        f.setWeight(QFont::Bold);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        QPainterPath text;
        text.addText(QPointF(31.5, 22.0), f, "Orvo");
        p.setBrush(ArtCanvas::glyphColor());
        p.drawPath(text);
    });
}

// A thin rounded track, vertically centred in a strip of height h. Caps stay within 3 px so the
// control library can stretch the middle.
QImage trackImage(int s, QSize size, QRectF track, QColor top, QColor bottom) {
    return ArtCanvas::renderPlain(size, s, [&](P& p) {
        QLinearGradient g(0, track.top(), 0, track.bottom());
        g.setColorAt(0.0, top);
        g.setColorAt(1.0, bottom);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    });
}

QImage positionBarImage(int s) {
    // The fill image is placed 3 px down in this 16 px bar, so both tracks share rows 6..10.
    return trackImage(s, {181, 16}, QRectF(1, 6, 179, 4), QColor(0, 0, 0, 70),
                      QColor(255, 255, 255, 60));
}

QImage positionFillImage(int s) {
    return ArtCanvas::renderPlain({181, 10}, s, [](P& p) {
        // Soft glow under the bright line, within the 3 px caps at both ends.
        QLinearGradient glow(0, 0, 0, 10);
        glow.setColorAt(0.0, QColor(120, 214, 255, 0));
        glow.setColorAt(0.5, QColor(120, 214, 255, 70));
        glow.setColorAt(1.0, QColor(120, 214, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawRoundedRect(QRectF(0.5, 1, 180, 8), 3, 3);
        QLinearGradient line(0, 3, 0, 7);
        line.setColorAt(0.0, QColor(255, 255, 255));
        line.setColorAt(1.0, QColor(200, 238, 255));
        p.setBrush(line);
        p.drawRoundedRect(QRectF(1, 3, 179, 4), 2, 2);
    });
}

QImage volumeBarImage(int s) {
    return trackImage(s, {41, 8}, QRectF(1, 3, 39, 2), QColor(255, 255, 255, 150),
                      QColor(255, 255, 255, 110));
}

QImage volumeThumbImage(int s) {
    return ArtCanvas::renderPlain({8, 8}, s, [](P& p) {
        QRadialGradient shade(QPointF(3.6, 3.2), 4.2);
        shade.setColorAt(0.0, QColor(255, 255, 255));
        shade.setColorAt(1.0, QColor(214, 236, 250));
        p.setPen(QPen(QColor(0, 0, 0, 60), 0.6));
        p.setBrush(shade);
        p.drawEllipse(QPointF(4, 4), 3.45, 3.45);
    });
}

QImage listBarImage(int s) {
    // Serves as both track and thumb: the list draws the track faded, the thumb as it is.
    return ArtCanvas::renderPlain({9, 75}, s, [](P& p) {
        QLinearGradient g(2.5, 0, 6.5, 0);
        g.setColorAt(0.0, QColor(255, 255, 255, 150));
        g.setColorAt(1.0, QColor(255, 255, 255, 110));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2.5, 0.5, 4, 74), 2, 2);
    });
}

QImage lineImage(int s) {
    // Fades out at both ends, so a stretched separator never ends in a hard edge.
    return ArtCanvas::renderPlain({300, 1}, s, [](P& p) {
        QLinearGradient g(0, 0, 300, 0);
        g.setColorAt(0.0, QColor(255, 255, 255, 0));
        g.setColorAt(0.12, QColor(255, 255, 255, 34));
        g.setColorAt(0.88, QColor(255, 255, 255, 34));
        g.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillRect(QRectF(0, 0, 300, 1), g);
    });
}

struct Item {
    const char* name;
    QSize size;
    QImage (*make)(int);
};

const Item kItems[] = {
    {"logo", {97, 30}, logoImage},
    {"play", {38, 38}, playImage},
    {"stop", {38, 38}, stopImage},
    {"per", {35, 36}, [](int s) { return skipImage(s, false); }},
    {"next", {35, 36}, [](int s) { return skipImage(s, true); }},
    {"close", {33, 25}, closeImage},
    {"min", {31, 25}, minImage},
    {"skin", {21, 14}, skinImage},
    {"add", {23, 23}, addImage},
    {"options", {23, 23}, optionsImage},
    {"listxh1", {23, 23}, loopOffImage},
    {"listxh", {23, 23}, loopOnImage},
    {"set", {23, 23}, clearImage},
    {"slider_bar", {181, 16}, positionBarImage},
    {"progress_fill", {181, 10}, positionFillImage},
    {"vol_slider_bar", {41, 8}, volumeBarImage},
    {"vol_progress_thumb", {8, 8}, volumeThumbImage},
    {"volumeico1", {15, 14}, volumeOnImage},
    {"volumeico2", {15, 14}, volumeMutedImage},
    {"listbar", {9, 75}, listBarImage},
    {"line", {300, 1}, lineImage},
};
}  // namespace

QList<ControlArt::Picture> ControlArt::pictures() {
    QList<Picture> out;
    for (const Item& it : kItems) out.append({QString::fromLatin1(it.name), it.size});
    return out;
}

bool ControlArt::writeAll(const QString& resDir) {
    bool ok = true;
    for (const Item& it : kItems) ok = ArtCanvas::savePair(resDir, it.name, it.size, it.make) && ok;
    return ok;
}
