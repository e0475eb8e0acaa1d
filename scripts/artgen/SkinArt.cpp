#include "SkinArt.h"

#include "DrawImages.h"

#include "ArtCanvas.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

#include <cstdio>
#include <vector>

namespace {

constexpr int kW = SkinArt::kDesignWidth;
constexpr int kH = SkinArt::kDesignHeight;

// Regions of the default window layout (design pixels): the list starts at 223 and the
// transport row ends at 220; the first 60 pixels hold the logo and the song title.
constexpr qreal kListTop = 223;

QImage canvas() {
    QImage img(kW * SkinArt::kScale, kH * SkinArt::kScale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    return img;
}

void begin(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(SkinArt::kScale, SkinArt::kScale);
}

void verticalGradient(QPainter& p, std::initializer_list<std::pair<qreal, QColor>> stops) {
    QLinearGradient g(0, 0, 0, kH);
    for (const auto& [at, c] : stops) g.setColorAt(at, c);
    p.fillRect(QRectF(0, 0, kW, kH), g);
}

QColor withAlpha(QColor c, qreal a) {
    c.setAlphaF(float(qBound(0.0, a, 1.0)));
    return c;
}

// A soft disc: fully lit centre falling off to nothing at its rim, with a faint rim of light.
void bokeh(QPainter& p, QPointF c, qreal r, QColor col, qreal alpha) {
    QRadialGradient g(c, r);
    g.setColorAt(0.0, withAlpha(col, alpha * 0.85));
    g.setColorAt(0.72, withAlpha(col, alpha));
    g.setColorAt(0.9, withAlpha(col, alpha * 1.15));
    g.setColorAt(1.0, withAlpha(col, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

void glow(QPainter& p, QPointF c, qreal rx, qreal ry, QColor col, qreal alpha) {
    p.save();
    p.translate(c);
    p.scale(1.0, ry / rx);
    QRadialGradient g(QPointF(0, 0), rx);
    g.setColorAt(0.0, withAlpha(col, alpha));
    g.setColorAt(0.5, withAlpha(col, alpha * 0.45));
    g.setColorAt(1.0, withAlpha(col, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), rx, rx);
    p.restore();
}

// Darkens the list area gently so rows of white text read on every part of it.
void calmList(QPainter& p, qreal strength) {
    QLinearGradient g(0, kListTop - 18, 0, kH);
    g.setColorAt(0.0, QColor(0, 0, 0, 0));
    g.setColorAt(0.12, QColor(0, 0, 0, int(255 * strength)));
    g.setColorAt(1.0, QColor(0, 0, 0, int(255 * strength * 1.25)));
    p.fillRect(QRectF(0, kListTop - 18, kW, kH - kListTop + 18), g);
}

// A whisper of noise breaks the banding of dark gradients in 8-bit colour.
void dither(QImage& img, quint32 seed, int amplitude) {
    QRandomGenerator rng(seed);
    for (int y = 0; y < img.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rng.bounded(2 * amplitude + 1)) - amplitude;
            const QRgb c = row[x];
            row[x] = qRgb(qBound(6, qRed(c) + n, 255), qBound(6, qGreen(c) + n, 255),
                          qBound(6, qBlue(c) + n, 255));
        }
    }
}

QImage night() {
    QImage img = canvas();
    QPainter p(&img);
    begin(p);
    verticalGradient(p, {{0.0, QColor(0x0c, 0x14, 0x30)},
                         {0.22, QColor(0x17, 0x27, 0x58)},
                         {0.40, QColor(0x1a, 0x22, 0x52)},
                         {0.62, QColor(0x10, 0x16, 0x38)},
                         {1.0, QColor(0x08, 0x0c, 0x1e)}});
    glow(p, QPointF(230, 120), 210, 150, QColor(0x6a, 0x5c, 0xff), 0.20);
    glow(p, QPointF(60, 190), 170, 110, QColor(0x2f, 0x9b, 0xff), 0.16);
    const QColor palette[] = {QColor(0x6f, 0x9c, 0xff), QColor(0x9a, 0x7c, 0xff),
                              QColor(0x5c, 0xd6, 0xff), QColor(0xd0, 0x8c, 0xff)};
    QRandomGenerator rng(1103);
    for (int i = 0; i < 34; ++i) {
        const qreal x = rng.bounded(kW + 40) - 20;
        const qreal y = 40 + rng.bounded(200.0);
        const qreal r = 6 + rng.bounded(30.0) * (y < 100 ? 0.6 : 1.0);
        const qreal calmTop = y < 75 ? 0.55 : 1.0;  // the song title sits up here
        bokeh(p, QPointF(x, y), r, palette[i % 4], (0.06 + rng.bounded(0.12)) * calmTop);
    }
    for (int i = 0; i < 10; ++i) {
        const qreal x = rng.bounded(double(kW));
        const qreal y = kListTop + 20 + rng.bounded(double(kH - kListTop - 40));
        bokeh(p, QPointF(x, y), 8 + rng.bounded(22.0), palette[i % 4], 0.025 + rng.bounded(0.03));
    }
    p.end();
    ArtCanvas::blur(img, 3);
    p.begin(&img);
    begin(p);
    calmList(p, 0.12);
    p.end();
    return img;
}

// A jagged ridge line across the picture, filled down to the bottom.
QPainterPath ridge(quint32 seed, qreal baseY, qreal amplitude, int points) {
    QRandomGenerator rng(seed);
    QPainterPath path;
    path.moveTo(-10, kH);
    qreal prev = baseY;
    for (int i = 0; i <= points; ++i) {
        const qreal x = -10 + (kW + 20) * qreal(i) / points;
        const qreal target = baseY + (rng.bounded(2.0) - 1.0) * amplitude;
        prev = prev * 0.4 + target * 0.6;
        path.lineTo(x, prev);
    }
    path.lineTo(kW + 10, kH);
    path.closeSubpath();
    return path;
}

QImage sunset() {
    QImage img = canvas();
    QPainter p(&img);
    begin(p);
    // The horizon lies just above the position slider; the controls sit on the dark hills.
    verticalGradient(p, {{0.0, QColor(0x1a, 0x0e, 0x2c)},
                         {0.10, QColor(0x36, 0x16, 0x3c)},
                         {0.19, QColor(0x6e, 0x2a, 0x48)},
                         {0.25, QColor(0xa8, 0x4e, 0x44)},
                         {0.28, QColor(0xc2, 0x68, 0x40)},
                         {0.36, QColor(0x5a, 0x24, 0x3a)},
                         {1.0, QColor(0x14, 0x0a, 0x14)}});
    const QPointF sunAt(224, 146);
    glow(p, sunAt, 200, 70, QColor(0xff, 0x9a, 0x55), 0.30);
    glow(p, sunAt, 56, 56, QColor(0xff, 0xb8, 0x70), 0.30);
    QRadialGradient sun(sunAt, 17);
    sun.setColorAt(0.0, QColor(0xff, 0xdc, 0xa0, 215));
    sun.setColorAt(0.85, QColor(0xff, 0xb4, 0x6c, 190));
    sun.setColorAt(1.0, QColor(0xff, 0xb4, 0x6c, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(sunAt, 17, 17);
    // Thin cloud streaks in the upper sky.
    QRandomGenerator rng(77);
    for (int i = 0; i < 9; ++i) {
        const qreal y = 72 + rng.bounded(64.0);
        const qreal x = rng.bounded(double(kW));
        glow(p, QPointF(x, y), 90 + rng.bounded(80.0), 2.5 + rng.bounded(3.5),
             i % 2 ? QColor(0xff, 0x8a, 0x9a) : QColor(0xc0, 0x6a, 0xc8), 0.16 + rng.bounded(0.1));
    }
    // Layered hills, each nearer one darker, so the list sits on calm dark ground.
    const struct {
        quint32 seed;
        qreal y, amplitude;
        int points;
        QColor colour;
    } hills[] = {{11, 152, 6, 16, QColor(0x66, 0x28, 0x40)},
                 {23, 170, 9, 10, QColor(0x48, 0x1c, 0x33)},
                 {31, 196, 8, 7, QColor(0x2e, 0x12, 0x24)},
                 {41, 222, 5, 5, QColor(0x1e, 0x0c, 0x18)}};
    for (const auto& h : hills) {
        p.setBrush(h.colour);
        p.drawPath(ridge(h.seed, h.y, h.amplitude, h.points));
    }
    p.end();
    ArtCanvas::blur(img, 2);
    p.begin(&img);
    begin(p);
    calmList(p, 0.08);
    p.end();
    return img;
}

// One curtain of light: vertical rays rising from a wavy base line. Ray strength comes from
// smoothed noise, so the rays fall irregularly like real aurora folds.
void curtain(QImage& layer, quint32 seed, qreal baseY, qreal wave, qreal height, QColor low,
             QColor high, qreal alpha) {
    QRandomGenerator rng(seed);
    const int width = layer.width();
    std::vector<qreal> noise(width), rays(width);
    for (qreal& n : noise) n = rng.bounded(1.0);
    const int window = SkinArt::kScale * 2;
    for (int x = 0; x < width; ++x) {
        qreal sum = 0;
        for (int k = -window; k <= window; ++k) sum += noise[qBound(0, x + k, width - 1)];
        rays[x] = qPow(sum / (2 * window + 1), 1.6) * 2.2;
    }
    QPainter p(&layer);
    const qreal s = SkinArt::kScale;
    const qreal phase = rng.bounded(6.28);
    const qreal freq = 1.6 + rng.bounded(1.2);
    for (int px = 0; px < width; ++px) {
        const qreal x = px / s;
        const qreal u = x / kW;
        const qreal y = baseY + wave * qSin(u * freq * 3.14159 + phase) +
                        0.35 * wave * qSin(u * 7.3 + phase * 2);
        const qreal broad = 0.55 + 0.45 * qSin(x * 0.031 + phase * 1.7);
        const qreal fade = qSin(qBound(0.0, u * 1.1 - 0.05, 1.0) * 3.14159);
        const qreal a = alpha * rays[px] * broad * (0.35 + 0.65 * fade);
        const qreal h = height * (0.6 + 0.4 * broad);
        QLinearGradient g(0, y * s, 0, (y - h) * s);
        g.setColorAt(0.0, withAlpha(low, 0.0));
        g.setColorAt(0.05, withAlpha(low, a));
        g.setColorAt(0.4, withAlpha(low, a * 0.55));
        g.setColorAt(0.75, withAlpha(high, a * 0.25));
        g.setColorAt(1.0, withAlpha(high, 0.0));
        p.fillRect(QRectF(px, (y - h) * s, 1, (h + 2) * s), g);
    }
}

QImage aurora() {
    QImage img = canvas();
    QPainter p(&img);
    begin(p);
    verticalGradient(p, {{0.0, QColor(0x04, 0x10, 0x18)},
                         {0.25, QColor(0x07, 0x22, 0x2c)},
                         {0.42, QColor(0x08, 0x26, 0x2c)},
                         {0.6, QColor(0x05, 0x17, 0x1d)},
                         {1.0, QColor(0x03, 0x0b, 0x10)}});
    QRandomGenerator rng(4242);
    for (int i = 0; i < 140; ++i) {
        const qreal x = rng.bounded(double(kW));
        const qreal y = rng.bounded(double(kH));
        const qreal dim = y > kListTop ? 0.35 : 1.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, int((40 + rng.bounded(150)) * dim)));
        p.drawEllipse(QPointF(x, y), 0.45 + rng.bounded(0.5), 0.45 + rng.bounded(0.5));
    }
    p.end();

    QImage light(img.size(), QImage::Format_ARGB32_Premultiplied);
    light.fill(Qt::transparent);
    curtain(light, 5, 165, 22, 120, QColor(0x40, 0xf0, 0xb0), QColor(0x70, 0x60, 0xff), 0.62);
    curtain(light, 9, 120, 18, 90, QColor(0x38, 0xd8, 0xd0), QColor(0x9a, 0x6a, 0xff), 0.42);
    curtain(light, 13, 200, 12, 70, QColor(0x5a, 0xf0, 0x9a), QColor(0x40, 0xb0, 0xff), 0.26);
    ArtCanvas::blur(light, 5);
    p.begin(&img);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.drawImage(0, 0, light);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    begin(p);
    glow(p, QPointF(160, 175), 200, 60, QColor(0x30, 0xe0, 0xb0), 0.08);
    calmList(p, 0.10);
    p.end();
    return img;
}

QImage graphite() {
    QImage img = canvas();
    QPainter p(&img);
    begin(p);
    verticalGradient(p, {{0.0, QColor(0x1c, 0x1e, 0x23)},
                         {0.3, QColor(0x2a, 0x2d, 0x33)},
                         {0.42, QColor(0x25, 0x28, 0x2e)},
                         {1.0, QColor(0x17, 0x18, 0x1c)}});
    // Fine grooves, as on a record, centred far off to the upper right.
    const QPointF centre(kW + 60, -40);
    for (qreal r = 40; r < 900; r += 2.2) {
        const int a = int(6 + 5 * qSin(r * 0.07) * qSin(r * 0.013));
        p.setPen(QPen(QColor(255, 255, 255, qMax(0, a)), 0.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r, r);
    }
    // A broad diagonal sheen.
    QLinearGradient sheen(0, 40, kW, 260);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.45, QColor(255, 255, 255, 26));
    sheen.setColorAt(0.55, QColor(255, 255, 255, 18));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, kW, kListTop), sheen);
    glow(p, QPointF(160, 190), 190, 80, QColor(0x7a, 0x9c, 0xc8), 0.10);
    calmList(p, 0.08);
    p.end();
    // A grain a little stronger than the dither, felt rather than seen.
    dither(img, 99, 3);
    return img;
}

bool writeBmp(const QImage& img, const QString& path) {
    if (!img.convertToFormat(QImage::Format_RGB32).save(path, "BMP")) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

QImage SkinArt::design(int n) {
    QImage img;
    switch (n) {
        case 1:
            img = night();
            break;
        case 2:
            img = sunset();
            break;
        case 3:
            img = aurora();
            break;
        default:
            img = graphite();
            break;
    }
    img = img.convertToFormat(QImage::Format_RGB32);
    dither(img, 500 + quint32(n), 1);
    return img;
}

QByteArray SkinArt::skinLine(int n) {
    return QString("<SKIN id=\"%1\" fname=\"%1.bmp\" maskcolor=\"%2\" />\r\n")
        .arg(n)
        .arg(kMaskColorValue)
        .toLatin1();
}

bool SkinArt::writeAll(const QString& repoRoot) {
    bool ok = true;
    QByteArray list = kListDeclaration;
    for (int n = 1; n <= kSkinCount; ++n) {
        const QString dir = QString("%1/skin/%2").arg(repoRoot).arg(n);
        QDir().mkpath(dir);
        QImage picture = design(n);
        // The thumbnail shows the square around the picture's lively upper part, which tells
        // the skins apart better than the whole, mostly calm picture squeezed. Pure black would
        // vanish under the settings list's black colour key; design() never produces it.
        const QRect square(0, 30 * kScale, kDesignWidth * kScale, kDesignWidth * kScale);
        const QImage thumb = picture.copy(square).scaled(
            kThumbSide, kThumbSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The same hard-edged corners the player paints on imported backgrounds.
        DrawImages::PaintCorners(picture, kMaskColorValue, kCornerRadius * kScale);
        ok = writeBmp(picture, QString("%1/%2.bmp").arg(dir).arg(n)) && ok;
        ok = writeBmp(thumb, QString("%1/%2_s.bmp").arg(dir).arg(n)) && ok;
        list += skinLine(n);
    }
    QFile f(repoRoot + "/skinlist.xml");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(list) != list.size()) {
        std::fprintf(stderr, "artgen: cannot write skinlist.xml\n");
        ok = false;
    }
    return ok;
}
