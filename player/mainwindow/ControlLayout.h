#pragma once
// Places the main window's controls for a window of W x H with the translucency inset m, and
// moves the top controls down or up when translucency comes or goes. Only positions, sizes and
// the controls' own recomputations; the caller repaints.
// Thread: UI thread only.

#include <QString>

class ControlClass;
class SkinControls;

class ControlLayout {
public:
    ControlLayout(SkinControls& controls, const ControlClass& rects);

    // The whole layout pass. title: the current song's title (the name label is as wide as it).
    // listScrollFlag: 1 after files were added (the list scrolls to its end), else 0.
    void LayoutControls(int w, int h, int inset, const QString& title, int listScrollFlag = 0);
    // Single steps of the pass, for callers that change only the name label or the list.
    void LayoutNameLable(int w, int inset, const QString& title);
    void LayoutList(int w, int h, int inset, int listScrollFlag);

    // Moves every control not placed from the bottom edge by dy (+5 translucent, -5 opaque).
    void ShiftVertical(int dy);

    // Width in pixels of text in the window's text face at 14 pixels; 0 for empty text.
    static int MeasureTextWidth(const QString& text);

private:
    SkinControls& m_c;
    const ControlClass& m_rects;
};
