#pragma once
// Moving and resizing the frameless main window by its caption and edges. The window manager
// does it when it can (startSystemMove/Resize, which also works under Wayland); without its help
// the window follows the mouse itself. Also keeps the resize cursor over the edges.
// Threads: UI thread only.

#include "WindowGeometry.h"

#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

class FrameDrag {
public:
    explicit FrameDrag(QWidget* window) : m_window(window) {}

    // A left press on the frame (code is not Client): starts a move or resize.
    void press(HitCode code, const QMouseEvent* e);
    // True while this object follows the mouse: the move belongs to the drag.
    bool follow(const QMouseEvent* e);
    // True when the release ended a drag of ours.
    bool release();
    // The cursor for what lies under the pointer.
    void hover(HitCode code);

private:
    QWidget* m_window;
    HitCode m_code = HitCode::Client;
    bool m_following = false;
    QPoint m_startGlobal;
    QRect m_startGeometry;
    Qt::CursorShape m_cursor = Qt::ArrowCursor;
};
