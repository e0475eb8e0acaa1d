#include "CPictureEx.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <chrono>
#include <system_error>

namespace {
bool fitsImageLimit(QSize size) {
    return size.width() > 0 && size.height() > 0 &&
           qint64(size.width()) * size.height() <= CPictureEx::kMaxImagePixels;
}

QImage decode(const QByteArray& data, const char* format) {
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, format);
    // A header may promise any size: refuse before the decoder allocates it.
    if (reader.size().isValid() && !fitsImageLimit(reader.size())) return {};
    return reader.read();
}
}  // namespace

CPictureEx::CPictureEx(QWidget* parent) : QWidget(parent) {}

CPictureEx::~CPictureEx() { clear(); }

bool CPictureEx::load(const QString& path) {
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) return false;
    const QByteArray data = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxFileBytes) return false;
    return loadData(data);
}

bool CPictureEx::loadData(const QByteArray& data) {
    clear();
    const bool loaded = data.startsWith("GIF") ? loadGif(data) : loadStill(data);
    if (!loaded) clear();
    return loaded;
}

bool CPictureEx::loadStill(const QByteArray& data) {
    m_single = decode(data, nullptr);
    if (m_single.isNull() || !fitsImageLimit(m_single.size())) return false;
    return prepare(m_single.size());
}

bool CPictureEx::loadGif(const QByteArray& data) {
    m_isGif = true;
    GifWalker walker(data);
    const QSize size(walker.imageWidth(), walker.imageHeight());
    if (!walker.hasHeader() || !fitsImageLimit(size)) return false;
    const int count = walker.countFrames();
    if (count == 0) return false;
    if (count == 1) {
        m_single = decode(data, "gif");
        return !m_single.isNull() && prepare(size);
    }
    QList<GifFrame> frames = decodeFrames(data);
    if (frames.isEmpty()) return false;
    if (frames.size() == 1) {
        // Only one frame of several could be decoded: show it as a still picture rather than an
        // empty box.
        m_single = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_single.fill(Qt::transparent);
        QPainter(&m_single).drawImage(frames.first().rect.topLeft(), frames.first().picture);
        return prepare(size);
    }
    if (!prepare(size)) return false;
    m_animation.setFrames(std::move(frames));
    return true;
}

QList<GifFrame> CPictureEx::decodeFrames(const QByteArray& data) const {
    GifWalker walker(data);
    const QRect imageRect(0, 0, walker.imageWidth(), walker.imageHeight());
    QList<GifFrame> frames;
    qint64 budget = kDecodeBudgetPixels;
    while (frames.size() < kMaxFrames) {
        const std::optional<GifFrameBlock> block = walker.extractFrame();
        if (!block) break;
        // A plain text extension carries no pixels a GIF decoder would draw: dropped.
        if (!block->isImage) continue;
        // Each decode allocates (about) the whole logical screen.
        budget -= imageRect.width() * qint64(imageRect.height());
        if (budget < 0) break;
        const QImage decoded = decode(block->gif, "gif");
        if (decoded.isNull()) continue;
        GifFrame frame;
        frame.rect =
            QRect(block->x, block->y, block->width, block->height) & imageRect & decoded.rect();
        if (!frame.rect.isEmpty()) frame.picture = decoded.copy(frame.rect);
        frame.delay = block->delay;
        frame.disposal = block->disposal;
        frames.append(std::move(frame));
    }
    return frames;
}

bool CPictureEx::prepare(QSize size) {
    std::lock_guard lock(m_canvasLock);
    // Disposal and the end of each pass paint the button face, the face of the page around the
    // control. The image starts in that colour too: a lighter first fill would show through a
    // transparent animation for its first pass only.
    const QColor face = palette().color(QPalette::Button);
    if (!m_animation.prepare(size, face, face)) return false;
    m_imageSize = size;
    m_ready = true;
    resize(size);
    updateGeometry();
    return true;
}

bool CPictureEx::play() {
    if (!m_ready || isPlaying()) return false;
    if (m_animation.frames().size() > 1) {
        try {
            m_thread = std::thread(&CPictureEx::run, this);
        } catch (const std::system_error&) {
            // No thread to be had: the picture stays as it is.
        }
        return false;
    }
    bool drawn;
    {
        std::lock_guard lock(m_canvasLock);
        drawn = m_animation.drawStill(m_single);
    }
    if (drawn) update();
    return drawn;
}

void CPictureEx::setWake(bool signalled) {
    {
        std::lock_guard lock(m_wakeLock);
        m_wakeSignalled = signalled;
    }
    if (signalled) m_wake.notify_all();
}

void CPictureEx::stop() {
    m_stop = true;
    // Reached from a slot wrongly connected directly to frameShown(): the thread cannot join
    // itself, it ends on the flag and the next stop() from the UI thread joins it.
    if (m_thread.get_id() == std::this_thread::get_id()) return;
    setWake(true);
    // The thread does no unbounded work between its checks of the stop flag, so joining cannot
    // hang, and it can never outlive the frames that clear() releases.
    if (m_thread.joinable()) m_thread.join();
    setWake(false);
    m_stop = false;
}

void CPictureEx::clear() {
    stop();
    std::lock_guard lock(m_canvasLock);
    m_animation.reset();
    m_single = QImage();
    m_imageSize = QSize();
    m_ready = false;
    m_isGif = false;
}

void CPictureEx::run() {
    {
        std::lock_guard lock(m_canvasLock);
        m_animation.resume();
    }
    while (!m_stop) {
        int index;
        int hold;
        {
            std::lock_guard lock(m_canvasLock);
            index = int(m_animation.currentFrame());
            hold = GifAnimation::holdMs(m_animation.frames()[index].delay);
            m_animation.show();
        }
        // Widgets belong to the UI thread: the repaint is queued there.
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
        emit frameShown(index, hold);
        if (m_stop) return;
        {
            std::unique_lock lock(m_wakeLock);
            m_wake.wait_for(lock, std::chrono::milliseconds(hold),
                            [this] { return m_wakeSignalled; });
        }
        if (m_stop) return;
        std::lock_guard lock(m_canvasLock);
        m_animation.dispose();
        m_animation.advance();
    }
}

quint32 CPictureEx::currentFrame() const {
    std::lock_guard lock(m_canvasLock);
    return m_animation.currentFrame();
}

QImage CPictureEx::offscreenImage() const {
    std::lock_guard lock(m_canvasLock);
    return m_animation.image().copy();
}

QSize CPictureEx::sizeHint() const { return m_ready ? m_imageSize : QWidget::sizeHint(); }

void CPictureEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard lock(m_canvasLock);
    painter.drawImage(QPoint(0, 0), m_animation.image());
}
