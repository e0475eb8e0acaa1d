#pragma once
// Base of every skinned control: name, tooltip, geometry, state and the mouse hooks that the
// canvas routes to it. Controls paint themselves with QPainter in window coordinates.
// Thread: UI thread only.

#include <qnamespace.h>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;
class IControlEventS;

class IControl {
public:
    virtual ~IControl();

    void setName(const QString& name) { m_name = name; }
    QString name() const { return m_name; }
    void setToolTip(const QString& tip) { m_toolTip = tip; }
    QString toolTip() const { return m_toolTip; }

    // Position and size in window pixels; rect() is what GetRect computed from them.
    void setPos(int x, int y);
    void setSize(int w, int h);
    int x() const { return m_x; }
    int y() const { return m_y; }
    int width() const { return m_w; }
    int height() const { return m_h; }
    void setRect(const QRect& r) { m_rect = r; }
    QRect rect() const { return m_rect; }
    // Width actually shown (labels may be narrower than their text).
    virtual int ShownWidth() const { return m_w; }

    // 0 normal, 1 hover, 2 pressed.
    void setStateIndex(int s) { m_state = s; }
    int stateIndex() const { return m_state; }
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }
    // The number after a button's size in the window's control table (look count); kept.
    void setDrawValue(int v) { m_drawValue = v; }
    int drawValue() const { return m_drawValue; }

    virtual void setEventSink(IControlEventS* sink) { m_sink = sink; }
    IControlEventS* eventSink() const { return m_sink; }

    // Whether a press here is the control's own (not a window drag).
    virtual bool isOperable() const { return true; }

    virtual void draw(QPainter& p, qreal devicePixelRatio) = 0;

    // Mouse hooks, window coordinates. Each returns true when the control must be repainted.
    virtual bool mouseMove(QPoint) { return false; }
    virtual bool mouseLeave() { return false; }
    virtual bool mousePress(QPoint) { return false; }
    virtual bool mouseRelease(QPoint) { return false; }
    virtual bool mouseDoubleClick(QPoint) { return false; }
    virtual bool wheel(QPoint, int /*angleDelta*/) { return false; }
    // A press with the keyboard modifiers held at the time; most controls need only the point.
    virtual bool mousePressWith(QPoint pt, Qt::KeyboardModifiers) { return mousePress(pt); }
    // A key pressed on the window: true when the control took it.
    virtual bool keyPress(int /*key*/, Qt::KeyboardModifiers) { return false; }
    // A right click: true when the control must be repainted.
    virtual bool contextMenu(QPoint) { return false; }

protected:
    IControl() = default;
    IControlEventS* m_sink = nullptr;

private:
    QString m_name;
    QString m_toolTip;
    int m_x = 0, m_y = 0, m_w = 0, m_h = 0;
    QRect m_rect;
    int m_state = 0;
    bool m_enabled = true;
    int m_drawValue = 2;
};
