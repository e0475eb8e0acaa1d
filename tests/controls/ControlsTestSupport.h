#pragma once
// Pictures, an event recorder and rendering helpers shared by the control tests.

#include "IControl.h"
#include "IControlEventS.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>

// A folder of plain pictures generated for one test.
class PictureDir {
public:
    PictureDir();
    // Writes a PNG filled with one colour and returns its path.
    QString solid(const QString& name, QSize size, QColor color);
    // Writes a picture and returns its path.
    QString write(const QString& name, const QImage& image);
    // Writes raw bytes (broken pictures) and returns the path.
    QString bytes(const QString& name, const QByteArray& data);
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Records what the controls report, in order. onButton runs inside the report, so a test can
// look at a control's state at the moment the window would.
class RecordingSink : public IControlEventS {
public:
    bool SetButtonContorEvent(tagUIButtonInfo info) override;
    bool SetSliderContorEvent(tagUISliderInfo info) override;
    bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) override;

    QList<tagUIButtonInfo> buttons;
    QList<tagUISliderInfo> sliders;
    QList<QPair<tagUIListInfo, tagFileListInfo>> rows;
    std::function<void(const tagUIButtonInfo&)> onButton;
};

// Draws one control over a transparent picture of the given size.
QImage renderControl(IControl& control, QSize size, qreal dpr = 1.0);
// Saves a rendering under the build folder for a look by eye.
void saveArtifact(const QImage& image, const QString& name);
