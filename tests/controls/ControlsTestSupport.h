#pragma once
// Pictures, an event recorder and rendering helpers shared by the control tests.

#include "IControl.h"
#include "IControlEventS.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
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
    bool SetButtonContorEvent(tagUIButtonInfo info) override;
    bool SetSliderContorEvent(tagUISliderInfo info) override;
    bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) override;

    QList<tagUIButtonInfo> buttons;
    QList<tagUISliderInfo> sliders;
    QList<tagFileListInfo> rows;
    std::function<void()> onButton;
};

void place(IControl& c, const QString& name, QRect r);
// One control drawn over a transparent picture.
QImage renderControl(IControl& control, QSize size);
// Keeps a rendering under the build folder for a look by eye.
void saveArtifact(const QImage& image, const QString& name);
