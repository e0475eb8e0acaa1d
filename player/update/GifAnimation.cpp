#include "GifAnimation.h"

#include <QPainter>

int GifAnimation::holdMs(quint32 delay) {
    // A frame without a graphic control extension carries all bits set: taken literally it would
    // stay for seven weeks, so it gets the same default as a too-short delay.
    if (delay == GifWalker::kNoDelay || delay < kShortestDelay) return kDefaultHoldMs;
    return int(delay) * 10;  // at most 65,535 hundredths from the file
}

bool GifAnimation::prepare(QSize size, QColor fill, QColor background) {
    reset();
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.fill(fill);
    m_image = std::move(image);
    m_background = background;
    return true;
}

void GifAnimation::reset() {
    m_image = QImage();
    m_restore = QImage();
    m_frames.clear();
    m_current = 0;
    m_background = Qt::white;
}

void GifAnimation::setFrames(QList<GifFrame> frames) {
    m_frames = std::move(frames);
    m_current = 0;
    m_restore = QImage();
}

bool GifAnimation::drawStill(const QImage& picture) {
    if (m_image.isNull() || picture.isNull()) return false;
    QPainter painter(&m_image);
    painter.drawImage(QPoint(0, 0), picture);
    return true;
}

void GifAnimation::show() {
    if (m_current >= quint32(m_frames.size()) || m_image.isNull()) return;
    const GifFrame& frame = m_frames[m_current];
    if (frame.picture.isNull()) return;  // lies wholly outside the image: only its delay counts
    if (frame.disposal == kDisposeToPrevious) m_restore = m_image.copy(frame.rect);
    QPainter painter(&m_image);
    painter.drawImage(frame.rect.topLeft(), frame.picture);
}

void GifAnimation::dispose() {
    if (m_current >= quint32(m_frames.size()) || m_image.isNull()) return;
    const GifFrame& frame = m_frames[m_current];
    if (frame.disposal == kDisposeToBackground) {
        QPainter(&m_image).fillRect(frame.rect, m_background);
    } else if (frame.disposal == kDisposeToPrevious && !m_restore.isNull()) {
        QPainter(&m_image).drawImage(frame.rect.topLeft(), m_restore);
        m_restore = QImage();
    }
}

void GifAnimation::advance() {
    if (m_frames.isEmpty()) return;
    if (++m_current < quint32(m_frames.size())) return;
    m_current = 0;
    if (!m_image.isNull()) m_image.fill(m_background);
}
