#pragma once
// One picture of a control, loaded from a PNG path, with its "@2x" sibling used on screens with a
// device pixel ratio above 1 (loaded only then). A missing or broken file yields a null image that
// draws nothing.

#include <QImage>
#include <QString>

class SkinImage {
public:
    SkinImage() = default;
    explicit SkinImage(const QString& path);
    bool isNull() const { return m_base.isNull(); }
    QString path() const { return m_path; }
    QSize size() const { return m_base.size(); }
    // The best picture for the ratio (the @2x one when present and dpr > 1).
    const QImage& forRatio(qreal dpr) const;
    // The picture stretched to a logical size at device pixels (dpr), cached for the last size
    // asked, so painting the same control again costs no scaling.
    QImage scaled(QSize logical, qreal dpr) const;
    // Device pixel size for a logical size at a ratio.
    static QSize deviceSize(QSize logical, qreal dpr);

private:
    QString m_path;
    QImage m_base;
    // Loaded on the first request for a ratio above 1.
    mutable QImage m_double;
    mutable bool m_doubleTried = false;
    mutable QImage m_cache;
    mutable QSize m_cacheSize;
    mutable qreal m_cacheDpr = 0;
};
