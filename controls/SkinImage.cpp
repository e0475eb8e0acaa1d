#include "SkinImage.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace {

QImage loadPicture(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return QImage();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage img = reader.read();
    if (img.isNull()) return img;
    // Premultiplied is what the raster painter blends fastest.
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

SkinImage::SkinImage(const QString& path) : m_path(path) {
    // Table paths may still carry the other platform's separator.
    m_path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // The @2x sibling waits until a ratio above 1 asks for it: most screens never do.
    m_base = loadPicture(m_path);
}

const QImage& SkinImage::forRatio(qreal dpr) const {
    if (dpr <= 1.0 || m_base.isNull()) return m_base;
    if (!m_doubleTried) {
        m_doubleTried = true;
        const int dot = m_path.lastIndexOf(QLatin1Char('.'));
        if (dot > m_path.lastIndexOf(QLatin1Char('/'))) {
            m_double = loadPicture(m_path.left(dot) + QStringLiteral("@2x") + m_path.mid(dot));
            if (!m_double.isNull()) m_double.setDevicePixelRatio(2.0);
        }
    }
    return m_double.isNull() ? m_base : m_double;
}

QSize SkinImage::deviceSize(QSize logical, qreal dpr) {
    return QSize(int(std::lround(logical.width() * dpr)), int(std::lround(logical.height() * dpr)));
}

QImage SkinImage::scaled(QSize logical, qreal dpr) const {
    if (m_base.isNull() || logical.isEmpty()) return QImage();
    if (dpr <= 0) dpr = 1.0;
    if (!m_cache.isNull() && m_cacheSize == logical && m_cacheDpr == dpr) return m_cache;
    const QImage& src = forRatio(dpr);
    const QSize target = deviceSize(logical, dpr);
    QImage out = src.size() == target
                     ? src
                     : src.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    out.setDevicePixelRatio(dpr);
    m_cache = out;
    m_cacheSize = logical;
    m_cacheDpr = dpr;
    return out;
}
