#pragma once
// A horizontal slider whose value is in pixels (0 .. length). Kind Position draws the bar with a
// fill up to the value; kind Volume draws the bar with a thumb. Dragging reports the new value.

#include "IControl.h"
#include "SkinImage.h"

#include <QImage>

class UISlider : public IControl {
public:
    enum class Kind { Position = 0, Volume = 1 };

    // Empty paths mean "none" (the position slider has no thumb, the volume slider no fill).
    UISlider(const QString& bar, const QString& fill, const QString& thumb);

    void setKind(Kind k) { m_kind = k; }
    Kind kind() const { return m_kind; }
    int value() const { return m_value; }
    void setValue(int v);  // clamped to 0 .. length
    int length() const { return width(); }
    void setLength(int len);  // the width; the value is clamped to it
    bool isDragging() const { return m_dragging; }

    // Rebuilds the stretched pictures for the current length. capLeft / capRight are the pixels
    // at each end of the bar that are not stretched.
    void SetSingleControl(int capLeft = 0, int capRight = 0);

    void draw(QPainter& p, qreal dpr) override;
    bool mouseMove(QPoint pt) override;
    bool mousePress(QPoint pt) override;
    bool mouseRelease(QPoint pt) override;
    bool mouseLeave() override;
    bool mouseDoubleClick(QPoint pt) override { return mousePress(pt); }

private:
    int valueAt(QPoint pt) const;
    void report();
    void build(qreal dpr);
    QRect barRect() const;

    Kind m_kind = Kind::Position;
    SkinImage m_bar, m_fill, m_thumb;
    QImage m_barScaled, m_fillScaled;
    int m_capLeft = 0, m_capRight = 0;
    int m_value = 0;
    bool m_dragging = false;
    bool m_hover = false;
    QSize m_builtSize;
    qreal m_builtDpr = 0;
};
