#include "ControlsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>

QString PictureDir::solid(const QString& name, QSize size, QColor color) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(color);
    return write(name, img);
}

QString PictureDir::write(const QString& name, const QImage& image) {
    image.save(m_dir.filePath(name));
    return m_dir.filePath(name);
}

QString PictureDir::bytes(const QString& name, const QByteArray& data) {
    QFile f(m_dir.filePath(name));
    if (f.open(QIODevice::WriteOnly)) f.write(data);
    return f.fileName();
}

QImage CanvasTest::paint(qreal dpr, QRect update, QColor under) {
    QImage img(canvas.windowSize() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(under);
    QPainter p(&img);
    canvas.Paint(p, update);
    return img;
}

void CanvasTest::add(IControl& c, const QString& name, QRect r) {
    place(c, name, r);
    c.setEventSink(&sink);
    canvas.AddControlToCanvar(&c);
}

void place(IControl& c, const QString& name, QRect r) {
    c.setName(name);
    c.setPos(r.x(), r.y());
    c.setSize(r.width(), r.height());
    c.setRect(r);
}

QImage renderControl(IControl& control, QSize size, QColor under) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(under);
    QPainter p(&img);
    control.draw(p, 1.0);
    return img;
}

void saveArtifact(const QImage& image, const QString& name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/tests/artifacts/controls");
    QDir().mkpath(dir);
    image.save(dir + QLatin1Char('/') + name);
}
