#pragma once
// A single line of text. When the text is wider than the label it is clipped, and the window can
// scroll it by moving the offset (the marquee of a long song title).

#include "IControl.h"

#include <QColor>

class UILable : public IControl {
public:
    UILable();
    bool isOperable() const override { return false; }

    void setText(const QString& text);
    QString text() const { return m_text; }
    void EmptyString();
    void setFontSize(int px);  // size value of the window's table (14)
    int fontSize() const { return m_fontSize; }
    void setColor(QRgb rgb);  // 0xRRGGBB
    void setScrollOffset(int px) { m_offset = px; }
    int scrollOffset() const { return m_offset; }

    // Width of the whole text in pixels.
    int GetStrWidht() const;
    int ShownWidth() const override { return width(); }

    void draw(QPainter& p, qreal dpr) override;

private:
    QString m_text;
    int m_fontSize = 14;
    QColor m_color = Qt::white;
    int m_offset = 0;
};
