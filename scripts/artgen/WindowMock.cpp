#include "WindowMock.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace {

QImage picture(const QString& resDir, const QString& name, int scale) {
    if (scale > 1) {
        QImage big(resDir + "/" + name + "@2x.png");
        if (!big.isNull()) return big;
    }
    return QImage(resDir + "/" + name + ".png");
}

// Stretches a bar picture to width w keeping cap pixels at both ends, as the sliders do.
void drawCapped(QPainter& p, const QImage& img, QRectF target, int cap, int scale) {
    const int c = cap * scale;
    const int iw = img.width(), ih = img.height();
    const qreal tc = cap;
    p.drawImage(QRectF(target.left(), target.top(), tc, target.height()), img, QRectF(0, 0, c, ih));
    p.drawImage(QRectF(target.left() + tc, target.top(), target.width() - 2 * tc, target.height()),
                img, QRectF(c, 0, iw - 2 * c, ih));
    p.drawImage(QRectF(target.right() - tc, target.top(), tc, target.height()), img,
                QRectF(iw - c, 0, c, ih));
}

QFont textFont() {
    QFont f;
    f.setFamilies({"SimSun", "Noto Sans CJK SC"});
    f.setPixelSize(14);
    return f;
}

}  // namespace

QImage WindowMock::render(const QString& resDir, const QString& skinPicture, int w, int h,
                          int scale) {
    QImage out(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);

    // Background, stretched, with the magenta corners made transparent (nearest-neighbour so
    // the key colour survives scaling exactly).
    QImage bg = QImage(skinPicture).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < bg.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bg.scanLine(y));
        for (int x = 0; x < bg.width(); ++x)
            if ((row[x] & 0xFFFFFF) == 0xFF00FF) row[x] = 0;
    }
    bg = bg.scaled(out.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QPainter p(&out);
    p.drawImage(0, 0, bg);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.scale(scale, scale);

    const int M = w / 2, S = (w - 120) / 3;
    const int playX = M - 19;
    auto put = [&](const char* name, int x, int y, int pw, int ph) {
        p.drawImage(QRectF(x, y, pw, ph), picture(resDir, name, scale));
    };
    put("logo", 15, 10, 97, 30);
    put("stop", playX, 180, 38, 38);
    put("per", playX - 35 - 12, 181, 35, 36);
    put("next", playX + 38 + 12, 181, 35, 36);
    put("close", w - 33, 0, 33, 25);
    put("min", w - 33 - 31, 0, 31, 25);
    put("skin", 27, 199, 21, 14);
    put("add", 48, h - 27, 23, 23);
    put("options", w - 72, h - 27, 23, 23);
    put("listxh", S + 48, h - 27, 23, 23);
    put("set", S + 48 + S, h - 27, 23, 23);

    // Position slider: bar at full length, fill to about a third.
    const int posLen = w - 122;
    drawCapped(p, picture(resDir, "slider_bar", scale), QRectF(64, 163, posLen, 16), 3, scale);
    const int filled = posLen * 37 / 100;
    drawCapped(p, picture(resDir, "progress_fill", scale), QRectF(64, 166, filled, 10), 3, scale);

    const int volX = w - 55;
    put("vol_slider_bar", volX, 202, 41, 8);
    put("vol_progress_thumb", volX + 28 - 4, 202, 8, 8);
    put("volumeico1", volX - 15 - 5, 199, 15, 14);

    const QFont font = textFont();
    p.setFont(font);
    p.setPen(Qt::white);
    const QFontMetrics fm(font);
    p.drawText(QRectF(24, 164, 34, 15), Qt::AlignLeft | Qt::AlignVCenter, "01:32");
    p.drawText(QRectF(64 + posLen + 5, 164, 34, 15), Qt::AlignLeft | Qt::AlignVCenter, "04:05");
    const QString title = QString::fromUtf8("清晨的风 - 欧沃乐队");
    const int tw = fm.horizontalAdvance(title);
    p.drawText(QRectF(w / 2 - tw / 2, 45, tw, 15), Qt::AlignLeft | Qt::AlignVCenter, title);

    // The list: rows of 20 px with separators, the playing row marked, the scroll bar.
    const int listY = 223, listH = h - 254;
    const QStringList rows = {"晨光序曲",
                              "清晨的风 - 欧沃乐队",
                              "City Lights - Nightfall",
                              "山间小路",
                              "Blue Hour",
                              "雨后的街道",
                              "Summer Drive (Live)",
                              "远方来信",
                              "Moonlit Bay",
                              "慢慢走",
                              "Northern Sky",
                              "星河",
                              "Afterglow",
                              "回声",
                              "Lanterns",
                              "海边的房子",
                              "Old Radio"};
    const QImage line = picture(resDir, "line", scale);
    p.save();
    p.setClipRect(QRect(0, listY, w, listH));
    for (int i = 0; i < rows.size(); ++i) {
        const int y = listY + i * 20;
        if (y > listY + listH) break;
        if (i == 1) p.fillRect(QRectF(0, y, w - 9, 20), QColor(0x64, 0x64, 0x64, 130));
        if (i == 4) p.fillRect(QRectF(0, y, w - 9, 20), QColor(0xbf, 0xbf, 0xbf, 45));
        p.setPen(Qt::white);
        p.drawText(QRectF(10, y, w - 30, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   QString("%1. %2").arg(i + 1).arg(rows[i]));
        p.drawImage(QRectF(0, y + 19, w - 9, 1), line);
    }
    const QImage bar = picture(resDir, "listbar", scale);
    p.setOpacity(0.35);  // the list fades the track and draws the thumb as it is
    p.drawImage(QRectF(w - 9, listY, 9, listH), bar);
    p.setOpacity(1.0);
    p.drawImage(QRectF(w - 9, listY, 9, listH * 0.6), bar);
    p.restore();
    p.end();
    return out;
}
