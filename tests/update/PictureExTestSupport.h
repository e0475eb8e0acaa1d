#pragma once
// The frames a picture control's animation thread reports, received queued on the test's thread.

#include "update/CPictureEx.h"

#include <QList>
#include <QTest>

struct FrameLog : QObject {
    explicit FrameLog(CPictureEx& picture) {
        connect(&picture, &CPictureEx::frameShown, this, [this](int index, int hold) {
            indices.append(index);
            holds.append(hold);
        });
    }
    // Runs the event loop until `count` frames were reported or `ms` passed.
    bool waitForCount(int count, int ms) {
        return QTest::qWaitFor([&] { return indices.size() >= count; }, ms);
    }

    QList<int> indices;
    QList<int> holds;
};
