#pragma once
// What the picture control's tests share: a log of the frames the animation thread reports,
// received on the test's thread, and small file and picture helpers.

#include <QColor>
#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class CPictureEx;

class FrameLog : public QObject {
public:
    explicit FrameLog(CPictureEx& picture);
    // Runs the event loop until `count` frames were reported or `ms` passed.
    bool waitForCount(int count, int ms);
    QList<int> indices() const { return m_indices; }
    QList<int> holds() const { return m_holds; }

private:
    QList<int> m_indices;
    QList<int> m_holds;
};

bool writeFile(const QString& path, const QByteArray& bytes);
void pumpEvents(int ms);
// The image as rows of letters, one per pixel ('?' for a colour not in the map), rows joined by
// spaces.
QString rows(const QImage& image, const QMap<QChar, QColor>& colors);
