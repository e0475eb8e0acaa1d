#pragma once
// Pictures, an event recorder, a canvas to drive controls through, and rendering helpers.

#include "IControl.h"
#include "IControlEventS.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>

// A folder of pictures generated for one test.
class PictureDir {
public:
    QString solid(const QString& name, QSize size, QColor color);  // one-colour PNG
    QString write(const QString& name, const QImage& image);
    QString bytes(const QString& name, const QByteArray& data);  // broken pictures
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

// A window's canvas that the tests send mouse input to, and paint.
class CanvasTest : public ::testing::Test {
protected:
    // The whole canvas (or the update rectangle) at a ratio, over a fill.
    QImage paint(qreal dpr = 1.0, QRect update = QRect(-1, -1, -1, -1),
                 QColor under = Qt::transparent);
    void add(IControl& c, const QString& name, QRect r);  // placed, reporting to sink
    PictureDir pics;
    RecordingSink sink;
    QWidget window;
    UICanvar canvas{&window};
};

void place(IControl& c, const QString& name, QRect r);
// One control drawn over a picture of the given fill.
QImage renderControl(IControl& control, QSize size, QColor under = Qt::transparent);
// Keeps a rendering under the build folder for a look by eye.
void saveArtifact(const QImage& image, const QString& name);
