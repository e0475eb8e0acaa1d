#pragma once
// The off-screen image of an animated picture and the steps that play decoded frames into it:
// draw a frame (keeping what lies under a "restore previous" frame), dispose of it, move to the
// next one, clear the whole image after the last. No threads and no widgets here: CPictureEx runs
// these steps on its animation thread under its own lock, tests call them one by one.
// Thread: one at a time (the caller serialises).

#include "GifWalker.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

// A decoded frame, ready to draw.
struct GifFrame {
    QImage picture;  // the frame's pixels over `rect`, transparency kept; null when rect is empty
    QRect rect;      // where it goes, already clipped to the image
    quint32 delay = GifWalker::kNoDelay;  // hundredths of a second
    quint32 disposal = 0;
};

class GifAnimation {
public:
    static constexpr quint32 kDisposeToBackground = 2;
    static constexpr quint32 kDisposeToPrevious = 3;
    // Frames shorter than this many hundredths, and frames without a delay, stay this long.
    static constexpr quint32 kShortestDelay = 5;
    static constexpr int kDefaultHoldMs = 100;

    // Milliseconds a frame with this delay stays on screen.
    static int holdMs(quint32 delay);

    // A new off-screen image of `size` filled with `fill`; `background` is what disposal 2 and
    // the end of a pass paint. Frames and the frame index are reset. False when the image cannot
    // be allocated (then nothing is kept).
    bool prepare(QSize size, QColor fill, QColor background);
    void reset();  // back to nothing at all
    void setFrames(QList<GifFrame> frames);

    const QImage& image() const { return m_image; }
    const QList<GifFrame>& frames() const { return m_frames; }
    quint32 currentFrame() const { return m_current; }
    QColor background() const { return m_background; }

    // A still picture over the whole image at (0, 0). False when there is nothing to draw on.
    bool drawStill(const QImage& picture);

    // The animation steps, in the order they run:
    // resume() once when playing starts, then per frame show(), (wait), dispose(), advance().
    void resume() { dispose(); }  // undoes the frame a stopped animation left drawn
    void show();
    void dispose();
    void advance();

private:
    QImage m_image;
    QImage m_restore;  // what lay under the current frame when its disposal is 3
    QColor m_background = Qt::white;
    QList<GifFrame> m_frames;
    quint32 m_current = 0;
};
