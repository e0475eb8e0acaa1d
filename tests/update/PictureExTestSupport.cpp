#include "PictureExTestSupport.h"

#include "update/CPictureEx.h"

#include <QFile>
#include <QTest>

FrameLog::FrameLog(CPictureEx& picture) {
    // This object lives on the test's thread, so the reports arrive queued.
    connect(&picture, &CPictureEx::frameShown, this, [this](int index, int hold) {
        m_indices.append(index);
        m_holds.append(hold);
    });
}

bool FrameLog::waitForCount(int count, int ms) {
    return QTest::qWaitFor([&] { return m_indices.size() >= count; }, ms);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void pumpEvents(int ms) { QTest::qWait(ms); }

QString rows(const QImage& image, const QMap<QChar, QColor>& colors) {
    QStringList lines;
    for (int y = 0; y < image.height(); ++y) {
        QString line;
        for (int x = 0; x < image.width(); ++x)
            line += colors.key(image.pixelColor(x, y).toRgb(), QChar('?'));
        lines.append(line);
    }
    return lines.join(' ');
}
