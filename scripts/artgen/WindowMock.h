#pragma once
// A mock of the main window for looking at the art together: a skin's background with the
// rounded corners keyed out and every control picture at its place for a W x H window, plus a
// few sample titles in the list. Approximates the control library's drawing; it is a review aid.

#include <QImage>
#include <QString>

class WindowMock {
public:
    // resDir / skinDir as delivered; scale 1 or 2 (2 uses the @2x pictures).
    static QImage render(const QString& resDir, const QString& skinPicture, int w, int h,
                         int scale);
};
