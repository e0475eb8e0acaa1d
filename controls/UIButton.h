#pragma once
// A push button drawn from one or two pictures, with hover and pressed looks. A two-image button
// reports its click first and then swaps its picture (play/stop, loop on/off, sound on/off).

#include "IControl.h"
#include "SkinImage.h"

#include <QImage>

class UIButton : public IControl {
public:
    explicit UIButton(const QString& firstImage, const QString& secondImage = QString());

    // 1 while the first picture shows, 2 while the second does.
    int GetButtonImg() const { return m_img; }
    void setButtonImg(int which);  // 1 or 2; ignored for 2 on a one-image button
    bool hasSecondImage() const { return !m_second.isNull(); }

    void draw(QPainter& p, qreal dpr) override;
    bool mouseMove(QPoint pt) override;
    bool mouseLeave() override;
    bool mousePress(QPoint pt) override;
    bool mouseRelease(QPoint pt) override;
    // A fast second click arrives as a double click; it presses the button like any other.
    bool mouseDoubleClick(QPoint pt) override { return mousePress(pt); }

private:
    const SkinImage& current() const { return m_img == 2 ? m_second : m_first; }
    // Builds the hover and pressed looks for the picture shown, at the size and ratio asked.
    void prepareLooks(qreal dpr);

    SkinImage m_first;
    SkinImage m_second;
    int m_img = 1;
    bool m_pressed = false;
    QImage m_normalLook, m_hoverLook, m_pressedLook;
    QSize m_lookSize;
    qreal m_lookDpr = 0;
    int m_lookImg = 0;
};
