#pragma once
// The frames a picture control's animation thread reports, received queued on the test's thread.

#include "update/CPictureEx.h"

#include <QElapsedTimer>
#include <QList>
#include <QTest>

struct FrameLog : QObject {
    explicit FrameLog(CPictureEx& picture) {
        clock.start();
        connect(&picture, &CPictureEx::frameShown, this, [this](int index, int hold) {
            indices.append(index);
            holds.append(hold);
            times.append(clock.elapsed());
        });
    }
    // Runs the event loop until `count` frames were reported or `ms` passed.
    bool waitForCount(int count, int ms) {
        return QTest::qWaitFor([&] { return indices.size() >= count; }, ms);
    }

    QElapsedTimer clock;
    QList<int> indices;
    QList<int> holds;
    QList<qint64> times;  // ms since the log began, as received
};
