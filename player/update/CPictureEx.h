#pragma once
// A picture control that shows a still image or plays an animated GIF (the version check's busy
// animation). The whole file is read into memory; a GIF is split into frames by GifWalker, each
// frame is decoded once by Qt's GIF reader from its own one-frame GIF, and a thread of the control
// plays the frames into an off-screen image that painting copies to the screen.
//
// Threads: the UI thread calls everything public and paints. The animation thread only draws into
// the off-screen image and posts repaints; it never touches the widget itself. m_canvasLock
// guards the off-screen image and the frame index (the frames are read-only while the thread
// runs: every load and clear stops and joins it first). m_wakeLock guards the wake event only;
// the two locks are never held together. frameShown() is emitted on the animation thread: connect
// it with a receiver in the UI thread so it arrives queued.

#include "GifAnimation.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CPictureEx : public QWidget {
    Q_OBJECT
public:
    // Bounds on hostile files: a larger file, or an image of more pixels, is refused; frames past
    // the frame limit or the decoding budget (pixels the decoder allocates, summed over frames)
    // are dropped as if the file ended there.
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    static constexpr qint64 kMaxImagePixels = 4096 * 4096;
    static constexpr qint64 kDecodeBudgetPixels = qint64(64) * 1024 * 1024;
    static constexpr int kMaxFrames = 10000;

    explicit CPictureEx(QWidget* parent = nullptr);
    ~CPictureEx() override;

    // Loads a picture; the control takes the picture's size. False (and nothing loaded) when the
    // file cannot be read or holds no picture that can be shown.
    bool load(const QString& path);
    bool loadData(const QByteArray& data);
    // Starts an animation (returns false) or draws the still picture (returns true). False before
    // a successful load, and while an animation already plays.
    bool play();
    // Ends the animation; the current frame stays on screen and the next play() goes on from it.
    void stop();
    // Stops and drops everything loaded.
    void clear();

    bool isReady() const { return m_ready; }
    bool isGif() const { return m_isGif; }
    bool isPlaying() const { return m_thread.joinable(); }
    QSize imageSize() const { return m_imageSize; }
    // Frames of a loaded animation (empty for a still picture), and the frame drawn next.
    const QList<GifFrame>& frames() const { return m_animation.frames(); }
    quint32 currentFrame() const;
    QColor backgroundColor() const { return m_animation.background(); }
    // A copy of what painting shows.
    QImage offscreenImage() const;

    QSize sizeHint() const override;

signals:
    // A frame was drawn and stays for holdMs (emitted on the animation thread).
    void frameShown(int index, int holdMs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool loadStill(const QByteArray& data);
    bool loadGif(const QByteArray& data);
    QList<GifFrame> decodeFrames(const QByteArray& data) const;
    bool prepare(QSize size);
    void run();
    void setWake(bool signalled);

    mutable std::mutex m_canvasLock;
    GifAnimation m_animation;
    QImage m_single;  // the still picture, when there is no animation
    QSize m_imageSize;
    bool m_ready = false;
    bool m_isGif = false;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_wakeSignalled = false;
};
