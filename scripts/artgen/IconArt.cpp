#include "IconArt.h"

#include "ArtCanvas.h"
#include "IcoFile.h"

#include <QDir>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

#include <cstdio>

namespace {

void prepare(QPainter& p, int side, qreal design) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.scale(side / design, side / design);
}

QImage blank(int side) {
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

struct TypeStyle {
    QColor top, bottom;
};

TypeStyle styleFor(const QString& type) {
    if (type == "mp3") return {QColor(0x4f, 0x9d, 0xf5), QColor(0x23, 0x5f, 0xc9)};
    if (type == "wma") return {QColor(0xf5, 0xa4, 0x4a), QColor(0xd9, 0x6a, 0x1e)};
    if (type == "flac") return {QColor(0x4c, 0xcf, 0x8e), QColor(0x1d, 0x93, 0x5c)};
    if (type == "ape") return {QColor(0xa9, 0x7b, 0xf0), QColor(0x6c, 0x43, 0xc6)};
    return {QColor(0xf0, 0x6a, 0x7a), QColor(0xc2, 0x34, 0x4f)};  // ogg
}

}  // namespace

QImage IconArt::appIcon(int side) {
    QImage img = blank(side);
    QPainter p(&img);
    prepare(p, side, 64.0);
    // Small sizes get less margin and a heavier mark, so they stay legible in a tray.
    const bool small = side <= 16;
    const QRectF tile = small ? QRectF(0.5, 0.5, 63, 63) : QRectF(3, 3, 58, 58);
    const qreal radius = small ? 14 : 14;
    QLinearGradient bg(tile.topLeft(), tile.bottomRight());
    bg.setColorAt(0.0, QColor(0x3a, 0x6f, 0xe8));
    bg.setColorAt(0.55, QColor(0x4a, 0x3f, 0xc8));
    bg.setColorAt(1.0, QColor(0x2a, 0x1f, 0x7a));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(tile, radius, radius);
    if (!small) {
        // A glossy upper light and a fine rim.
        QLinearGradient gloss(0, tile.top(), 0, tile.center().y());
        gloss.setColorAt(0.0, QColor(255, 255, 255, 60));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(gloss);
        p.drawRoundedRect(tile, radius, radius);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 50), 1.0));
        p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
        // A vinyl groove ring behind the notes.
        p.setPen(QPen(QColor(255, 255, 255, 70), 2.0));
        p.drawEllipse(tile.center(), 20.5, 20.5);
    }
    const QRectF noteBox = small ? QRectF(13, 9, 38, 46) : QRectF(19, 16, 27, 33);
    QPainterPath note = ArtCanvas::notePath(noteBox);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(note.translated(0, 1.2));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(note);
    p.end();
    return img;
}

QImage IconArt::fileTypeIcon(const QString& type, int side) {
    QImage img = blank(side);
    QPainter p(&img);
    prepare(p, side, 48.0);
    const TypeStyle st = styleFor(type);
    // A page with a folded corner.
    const qreal l = 7.5, t = 2.5, r = 40.5, b = 45.5, fold = 11;
    QPainterPath page;
    page.moveTo(l + 2, t);
    page.lineTo(r - fold, t);
    page.lineTo(r, t + fold);
    page.lineTo(r, b - 2);
    page.quadTo(r, b, r - 2, b);
    page.lineTo(l + 2, b);
    page.quadTo(l, b, l, b - 2);
    page.lineTo(l, t + 2);
    page.quadTo(l, t, l + 2, t);
    page.closeSubpath();
    QLinearGradient paper(0, t, 0, b);
    paper.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfe));
    paper.setColorAt(1.0, QColor(0xe4, 0xe8, 0xef));
    p.setPen(QPen(QColor(0x8a, 0x93, 0xa3), side <= 16 ? 2.2 : 1.0));
    p.setBrush(paper);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r - fold, t);
    corner.lineTo(r - fold, t + fold - 2);
    corner.quadTo(r - fold, t + fold, r - fold + 2, t + fold);
    corner.lineTo(r, t + fold);
    corner.closeSubpath();
    p.setBrush(QColor(0xcf, 0xd5, 0xdf));
    p.drawPath(corner);
    // The coloured band with the type name; at 16 px a plain band and a bigger note read better.
    QLinearGradient band(0, 26, 0, 42);
    band.setColorAt(0.0, st.top);
    band.setColorAt(1.0, st.bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    if (side <= 16) {
        p.drawRoundedRect(QRectF(3, 27, 42, 16), 3, 3);
        p.setBrush(st.bottom);
        p.drawPath(ArtCanvas::notePath(QRectF(13, 3.5, 20, 22)));
    } else {
        p.drawRoundedRect(QRectF(3.5, 26.5, 41, 15), 2.5, 2.5);
        QFont f("DejaVu Sans");
        f.setWeight(QFont::Bold);
        f.setPixelSize(type.size() > 3 ? 10 : 11);
        QPainterPath text;
        const QString label = type.toUpper();
        text.addText(0, 0, f, label);
        const QRectF tb = text.boundingRect();
        text.translate(24 - tb.center().x(), 34 - tb.center().y());
        p.setBrush(QColor(255, 255, 255));
        p.drawPath(text);
        p.setBrush(st.bottom);
        p.drawPath(ArtCanvas::notePath(QRectF(17, 6.5, 13.5, 16.5)));
    }
    p.end();
    return img;
}

bool IconArt::writeAll(const QString& resDir) {
    QDir().mkpath(resDir);
    bool ok = true;
    for (int side : {16, 32, 64, 256}) {
        const QString name = side == 256 ? QString("orvo.png") : QString("orvo_%1.png").arg(side);
        ok = appIcon(side).convertToFormat(QImage::Format_ARGB32).save(resDir + "/" + name) && ok;
    }
    ok = IcoFile::write(resDir + "/orvo.ico",
                        {appIcon(16), appIcon(32), appIcon(48), appIcon(64), appIcon(256)}) &&
         ok;
    for (const char* type : {"mp3", "wma", "flac", "ape", "ogg"}) {
        const QString t = QString::fromLatin1(type);
        ok = IcoFile::write(resDir + "/" + t + ".ico",
                            {fileTypeIcon(t, 16), fileTypeIcon(t, 32), fileTypeIcon(t, 48)}) &&
             ok;
    }
    if (!ok) std::fprintf(stderr, "artgen: writing icons failed\n");
    return ok;
}

bool IconArt::writeThemeIcons(const QString& dir) {
    QDir().mkpath(dir);
    bool ok = true;
    for (int side : kThemeSides) {
        const QString file = QString("%1/%2x%2.png").arg(dir).arg(side);
        ok = appIcon(side).convertToFormat(QImage::Format_ARGB32).save(file) && ok;
    }
    if (!ok) std::fprintf(stderr, "artgen: writing the theme icons failed\n");
    return ok;
}

int IconArt::writeSpinnerFrames(const QString& dir) {
    QDir().mkpath(dir);
    const int side = kSpinnerSide;
    const int spokes = kSpinnerFrames;
    const QColor ink(0x2f, 0x7f, 0xd8);
    const QColor page = QColor::fromRgb(kPageColor);
    for (int frame = 0; frame < kSpinnerFrames; ++frame) {
        QImage img = blank(side);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(side / 2.0, side / 2.0);
        for (int i = 0; i < spokes; ++i) {
            // The head spoke is the darkest; the trail fades towards the page colour.
            const int age = (frame - i + spokes) % spokes;
            const qreal k = 1.0 - qreal(age) / spokes;
            QColor c;
            c.setRgbF(page.redF() + (ink.redF() - page.redF()) * (0.18 + 0.82 * k),
                      page.greenF() + (ink.greenF() - page.greenF()) * (0.18 + 0.82 * k),
                      page.blueF() + (ink.blueF() - page.blueF()) * (0.18 + 0.82 * k));
            p.save();
            p.rotate(i * 360.0 / spokes);
            p.setPen(QPen(c, 3.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -8.0), QPointF(0, -13.5));
            p.restore();
        }
        p.end();
        // Binary transparency: blend the edge pixels onto the page colour, drop the faint ones.
        QImage out(side, side, QImage::Format_ARGB32);
        const QImage src = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const QRgb s = src.pixel(x, y);
                const int a = qAlpha(s);
                if (a < 90) {
                    out.setPixel(x, y, qRgba(0, 0, 0, 0));
                    continue;
                }
                auto mix = [a](int fg, int bg) { return (fg * a + bg * (255 - a)) / 255; };
                out.setPixel(x, y,
                             qRgba(mix(qRed(s), page.red()), mix(qGreen(s), page.green()),
                                   mix(qBlue(s), page.blue()), 255));
            }
        }
        const QString file = QString("%1/spin_%2.png").arg(dir).arg(frame, 2, 10, QChar('0'));
        if (!out.save(file)) return 0;
    }
    return kSpinnerFrames;
}
