#pragma once
// The play list: rows of titles over the window's background, the playing row marked, hover, a
// scroll bar and wheel scrolling. A double click reports the row (its index in words[6]).
// Rows are selected by click, Ctrl+click (toggles one) and Shift+click (the range from the last
// clicked row; with Ctrl added to the selection), Ctrl+A selects all. The Delete key, a drag of
// the selection to a gap between rows and a right click are reported for the window to act on;
// the list itself changes its rows only through the window. The list owns the play list array; the
// window reaches it through items().

#include "IControl.h"
#include "IControlEventS.h"
#include "SkinImage.h"
#include "store/StoreRecords.h"

#include <QColor>
#include <QList>
#include <QSet>
#include <QWidget>

struct UIListStyle {
    int rowHeight = 20;
    QRgb playingColor = 0x646464;  // fill behind the playing row
    QRgb textColor = 0xFFFFFF;
    QRgb hoverColor = 0xBFBFBF;
    int fontSize = 14;
    QRgb selectedColor = 0x3C8CF0;  // fill and frame of selected rows, and the drop line
};

class UIList : public IControl {
public:
    UIList(const QString& scrollBarImage, const QString& separatorImage, const QString& thumbImage);

    void setStyle(const UIListStyle& style) { m_style = style; }
    // Where the scroll bar sits, relative to the list (x, y, w, h).
    void setScrollBarRect(const QRect& r) { m_barRect = r; }

    QList<tagFileListInfo>& items() { return m_items; }
    const QList<tagFileListInfo>& items() const { return m_items; }
    int GetListCount() const { return int(m_items.size()); }
    // Marks the playing row (-1 none). flag: 1 moved forward, 0 backward; the list scrolls so
    // the row is visible. window may be null.
    void SetFileIndex(QWidget* window, int row, int flag = 1);
    int fileIndex() const { return m_fileIndex; }
    void DeleteList();
    // Set by adding songs; the previous and next buttons test it.
    bool hasSongs() const { return m_hasSongs || !m_items.isEmpty(); }
    void setHasSongs(bool on) { m_hasSongs = on; }

    // Recomputing after the items or the size changed (call in this order).
    void CreateFileBgHDC();       // drops marks past the end; pictures re-stretch on next paint
    void SetListValue();          // rows
    int GetSliderBarHeight();     // scroll thumb height
    void SetStepInt();            // pixels per wheel step
    void ResetFileStartIndex();   // first visible row stays valid
    void ResetSliderY(int flag);  // thumb position; flag 1 = scroll to the end (after adding)

    // The selected rows, ascending.
    QList<int> selectedRows() const;
    bool isSelected(int row) const { return m_selected.contains(row); }
    // After the window rearranged the rows: newIndexOf[i] is where row i went (-1: removed). The
    // playing mark and the selection go with their rows.
    void remapRows(const QList<int>& newIndexOf);
    // While selected rows are dragged over the list, the gap they would go to (as
    // tagUIListEditInfo::target), else -1.
    int dropGap() const { return m_draggingRows ? m_dropGap : -1; }

    int firstVisibleRow() const { return m_startIndex; }
    int visibleRowCount() const;

    void draw(QPainter& p, qreal dpr) override;
    bool mouseMove(QPoint pt) override;
    bool mouseLeave() override;
    bool mousePress(QPoint pt) override;
    bool mouseRelease(QPoint pt) override;
    bool mouseDoubleClick(QPoint pt) override;
    bool wheel(QPoint pt, int angleDelta) override;
    bool mousePressWith(QPoint pt, Qt::KeyboardModifiers modifiers) override;
    bool keyPress(int key, Qt::KeyboardModifiers modifiers) override;
    bool contextMenu(QPoint pt) override;

    // Scroll position in pixels from the top of the first row, 0 .. maxScroll().
    int scrollPixels() const { return m_scrollPx; }
    void setScrollPixels(int px);
    int maxScroll() const;
    // Whether the rows overflow the list, so the scroll bar shows.
    bool hasScrollBar() const;
    // In window coordinates; empty while no scroll bar shows.
    QRect scrollBarRect() const;
    QRect thumbRect() const;
    // Index of the row at a window point, -1 off the rows (or on the scroll bar).
    int rowAt(QPoint pt) const;

private:
    int rowHeight() const { return m_style.rowHeight > 0 ? m_style.rowHeight : 20; }
    int barWidth() const;
    int thumbHeight() const;
    void ensureVisible(int row, int flag);
    void dropStaleRows();
    void selectByClick(int row, Qt::KeyboardModifiers modifiers);
    int gapAt(QPoint pt) const;
    void dragRowsTo(QPoint pt);
    void drawDropLine(QPainter& p, int rowWidth) const;
    void report(tagUIListEditInfo::Kind kind, int target, QPoint pos = QPoint());

    SkinImage m_bar, m_separator, m_thumb;
    UIListStyle m_style;
    QRect m_barRect;
    QList<tagFileListInfo> m_items;
    int m_fileIndex = -1;
    int m_hoverRow = -1;
    int m_startIndex = 0;
    int m_thumbHeight = 0;
    int m_step = 1;
    bool m_hasSongs = false;
    bool m_draggingThumb = false;
    int m_dragOffset = 0;
    int m_scrollPx = 0;

    QSet<int> m_selected;
    int m_anchor = -1;  // the last clicked row, where a Shift+click range starts
    // A press on a row: where, and whether a click without a drag keeps only that row.
    int m_pressRow = -1;
    QPoint m_pressPoint;
    bool m_collapseOnRelease = false;
    bool m_draggingRows = false;
    int m_dropGap = -1;
};
