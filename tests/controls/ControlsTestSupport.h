#pragma once
// Pictures, an event recorder, a canvas to drive controls through, and rendering helpers.

#include "IControl.h"
#include "IControlEventS.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>

// A folder of pictures generated for one test.
class PictureDir {
public:
    QString solid(const QString& name, QSize size, QColor color) {  // one-colour PNG
        QImage img(size, QImage::Format_ARGB32);
        img.fill(color);
        return write(name, img);
    }
    QString write(const QString& name, const QImage& image) {
        image.save(m_dir.filePath(name));
        return m_dir.filePath(name);
    }
    QString bytes(const QString& name, const QByteArray& data) {  // broken pictures
        QFile f(m_dir.filePath(name));
        if (f.open(QIODevice::WriteOnly)) f.write(data);
        return f.fileName();
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Records the reports in order; onButton runs inside the report, as the window's handler would.
class RecordingSink : public IControlEventS {
public:
    bool SetButtonContorEvent(tagUIButtonInfo info) override {
        buttons.append(info);
        if (onButton) onButton();
        return true;
    }
    bool SetSliderContorEvent(tagUISliderInfo info) override { return sliders.append(info), true; }
    bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) override {
        item.title = info.name + QLatin1Char('|') + item.title;  // keeps the list's name checkable
        return rows.append(item), true;
    }
    bool SetListEditEvent(tagUIListEditInfo info) override { return edits.append(info), true; }

    QList<tagUIButtonInfo> buttons;
    QList<tagUIListEditInfo> edits;
    QList<tagUISliderInfo> sliders;
    QList<tagFileListInfo> rows;
    std::function<void()> onButton;
};

inline void place(IControl& c, const QString& name, QRect r) {
    c.setName(name);
    c.setPos(r.x(), r.y());
    c.setSize(r.width(), r.height());
    c.setRect(r);
}

// One control drawn over a picture of the given fill.
inline QImage renderControl(IControl& control, QSize size, QColor under = Qt::transparent) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(under);
    QPainter p(&img);
    control.draw(p, 1.0);
    return img;
}

// A window's canvas that the tests send mouse input to, and paint.
class CanvasTest : public ::testing::Test {
protected:
    // The whole canvas (or the update rectangle) at a ratio, over a fill.
    QImage paint(qreal dpr = 1.0, QRect update = QRect(-1, -1, -1, -1),
                 QColor under = Qt::transparent) {
        QImage img(canvas.windowSize() * dpr, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(under);
        QPainter p(&img);
        canvas.Paint(p, update);
        return img;
    }
    void add(IControl& c, const QString& name, QRect r) {  // placed, reporting to sink
        place(c, name, r);
        c.setEventSink(&sink);
        canvas.AddControlToCanvar(&c);
    }
    PictureDir pics;
    RecordingSink sink;
    QWidget window;
    UICanvar canvas{&window};
};
