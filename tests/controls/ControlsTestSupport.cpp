#include "ControlsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>

PictureDir::PictureDir() = default;

QString PictureDir::solid(const QString& name, QSize size, QColor color) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(color);
    return write(name, img);
}

QString PictureDir::write(const QString& name, const QImage& image) {
    const QString path = m_dir.filePath(name);
    image.save(path);
    return path;
}

QString PictureDir::bytes(const QString& name, const QByteArray& data) {
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(data);
    return path;
}

bool RecordingSink::SetButtonContorEvent(tagUIButtonInfo info) {
    buttons.append(info);
    if (onButton) onButton(info);
    return true;
}

bool RecordingSink::SetSliderContorEvent(tagUISliderInfo info) {
    sliders.append(info);
    return true;
}

bool RecordingSink::SetListContorEvent(tagUIListInfo info, tagFileListInfo item) {
    rows.append({info, item});
    return true;
}

QImage renderControl(IControl& control, QSize size, qreal dpr) {
    QImage img(QSize(int(size.width() * dpr), int(size.height() * dpr)),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    control.draw(p, dpr);
    return img;
}

void saveArtifact(const QImage& image, const QString& name) {
    const QString dir = QStringLiteral(ORVO_BUILD_DIR "/test-artifacts/controls");
    QDir().mkpath(dir);
    image.save(dir + QLatin1Char('/') + name);
}
