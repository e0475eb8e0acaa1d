#include "ControlLayout.h"

#include "SkinControls.h"
#include "WindowGeometry.h"
#include "controls/ControlClass.h"
#include "controls/DrawImages.h"
#include "controls/UIButton.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "controls/UIStatic.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

// Every move recomputes the rectangle, so what is drawn and what is hit stay together.
void moveTo(IControl* c, const ControlClass& rects, int x, int y) {
    c->setPos(x, y);
    c->setRect(rects.GetRect(x, y, c->width(), c->height()));
}

void resizeTo(IControl* c, const ControlClass& rects, int w, int h) {
    c->setSize(w, h);
    c->setRect(rects.GetRect(c->x(), c->y(), w, h));
}

}  // namespace

ControlLayout::ControlLayout(SkinControls& controls, const ControlClass& rects)
    : m_c(controls), m_rects(rects) {}

void ControlLayout::LayoutControls(int w, int h, int inset, const QString& title,
                                   int listScrollFlag) {
    const int m = inset;

    // Caption buttons hug the right edge of the content.
    moveTo(m_c.closeButton, m_rects, w - m_c.closeButton->width() - m / 2, m_c.closeButton->y());
    moveTo(m_c.minButton, m_rects, m_c.closeButton->x() - m_c.minButton->width(),
           m_c.minButton->y());

    // Transport row around the centre.
    const int centre = (w - m) / 2;
    moveTo(m_c.playButton, m_rects, centre - m_c.playButton->width() / 2, m_c.playButton->y());
    moveTo(m_c.perButton, m_rects, m_c.playButton->x() - m_c.perButton->width() - 12,
           m_c.perButton->y());
    moveTo(m_c.nextButton, m_rects, m_c.playButton->x() + m_c.playButton->width() + 12,
           m_c.nextButton->y());

    // Volume at the right.
    moveTo(m_c.volumeSlider, m_rects, w - m_c.volumeSlider->length() - m - 14,
           m_c.volumeSlider->y());
    moveTo(m_c.volumeIco, m_rects, m_c.volumeSlider->x() - m_c.volumeIco->width() - 5,
           m_c.volumeIco->y());

    // The position slider takes the width left between the two time labels.
    m_c.positionSlider->setLength(w - m - 122);
    m_c.positionSlider->setRect(m_rects.GetRect(m_c.positionSlider->x(), m_c.positionSlider->y(),
                                                m_c.positionSlider->width(),
                                                m_c.positionSlider->height()));
    m_c.positionSlider->SetSingleControl(3, 3);
    moveTo(m_c.totalTimeLable, m_rects, m_c.positionSlider->x() + m_c.positionSlider->length() + 5,
           m_c.totalTimeLable->y());
    resizeTo(m_c.totalTimeLable, m_rects, m_c.totalTimeLable->width(), 15);

    // Bottom bar, spread in equal gaps.
    const int gap = WindowGeometry::BottomBarGap(w, m);
    const int barY = h - m / 2 - 27;
    moveTo(m_c.addButton, m_rects, m_c.addButton->x(), barY);
    moveTo(m_c.optionsButton, m_rects, w - m - 72, barY);
    moveTo(m_c.listxhButton, m_rects, gap + 48, barY);
    moveTo(m_c.setButton, m_rects, m_c.listxhButton->x() + gap, barY);

    LayoutNameLable(w, m, title);
    LayoutList(w, h, m, listScrollFlag);
}

void ControlLayout::LayoutNameLable(int w, int inset, const QString& title) {
    // Centred on what is shown: a title wider than the window keeps the label inside it, and
    // the marquee scrolls the rest into view.
    const int shown = std::max(0, std::min(MeasureTextWidth(title), w - 20 - inset));
    UILable* l = m_c.musicNameLable;
    l->setPos((w - inset) / 2 - shown / 2, l->y());
    resizeTo(l, m_rects, shown, 15);
}

void ControlLayout::LayoutList(int w, int h, int inset, int listScrollFlag) {
    UIList* list = m_c.musicList;
    list->setPos(inset / 2, list->y());
    resizeTo(list, m_rects, w - inset, h - inset - 254);
    list->CreateFileBgHDC();
    list->SetListValue();
    list->GetSliderBarHeight();
    list->SetStepInt();
    list->ResetFileStartIndex();
    list->ResetSliderY(listScrollFlag);
}

void ControlLayout::ShiftVertical(int dy) {
    IControl* shifted[] = {m_c.musicList,      m_c.closeButton,      m_c.minButton,
                           m_c.playButton,     m_c.perButton,        m_c.nextButton,
                           m_c.volumeSlider,   m_c.volumeIco,        m_c.positionSlider,
                           m_c.totalTimeLable, m_c.elapsedTimeLable, m_c.skinButton,
                           m_c.musicNameLable};
    for (IControl* c : shifted) moveTo(c, m_rects, c->x(), c->y() + dy);
    // The logo sits in the corner of the content, so it follows the inset both ways.
    moveTo(m_c.musicLogo, m_rects, m_c.musicLogo->x() + dy, m_c.musicLogo->y() + dy);
    resizeTo(m_c.elapsedTimeLable, m_rects, m_c.elapsedTimeLable->width(), 15);
}

int ControlLayout::MeasureTextWidth(const QString& text) {
    if (text.isEmpty()) return 0;
    const QFontMetrics metrics(DrawImages::SetTextFont(0, 14, 0));
    return metrics.horizontalAdvance(text);
}
