#pragma once
// A picture that does nothing (the logo).

#include "IControl.h"
#include "SkinImage.h"

class UIStatic : public IControl {
public:
    explicit UIStatic(const QString& imagePath);
    bool isOperable() const override { return false; }
    void draw(QPainter& p, qreal dpr) override;

private:
    SkinImage m_image;
};
