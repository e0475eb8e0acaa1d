#include "FrameDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void FrameDrag::press(HitCode code, const QMouseEvent* e) {
    QWindow* handle = m_window->windowHandle();
    const bool systemDone =
        handle &&
        (code == HitCode::Caption ? handle->startSystemMove()
                                  : handle->startSystemResize(WindowGeometry::EdgesFor(code)));
    if (systemDone) return;
    m_following = true;
    m_code = code;
    m_startGlobal = e->globalPosition().toPoint();
    m_startGeometry = m_window->geometry();
}

bool FrameDrag::follow(const QMouseEvent* e) {
    if (!m_following) return false;
    const QPoint delta = e->globalPosition().toPoint() - m_startGlobal;
    if (m_code == HitCode::Caption) {
        m_window->move(m_startGeometry.topLeft() + delta);
    } else {
        m_window->setGeometry(WindowGeometry::ResizedGeometry(
            m_startGeometry, WindowGeometry::EdgesFor(m_code), delta, m_window->minimumSize()));
    }
    return true;
}

bool FrameDrag::release() {
    const bool was = m_following;
    m_following = false;
    return was;
}

void FrameDrag::hover(HitCode code) {
    const Qt::CursorShape shape = WindowGeometry::CursorFor(code);
    if (shape == m_cursor) return;
    m_cursor = shape;
    if (shape == Qt::ArrowCursor) {
        m_window->unsetCursor();
    } else {
        m_window->setCursor(shape);
    }
}
