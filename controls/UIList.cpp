#include "UIList.h"

#include "DrawImages.h"
#include "IControlEventS.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kDefaultBarWidth = 9;
constexpr int kMinThumb = 16;
// Titles keep clear of the list's left edge and of the scroll bar on the right.
constexpr int kTextLeft = 10;
constexpr int kTextRight = 10;
constexpr int kWheelRows = 3;
// How far a press on the selection moves before it becomes a drag of the rows.
constexpr int kDragDistance = 5;

QColor withAlpha(QRgb rgb, int alpha) {
    QColor c = QColor::fromRgb(rgb | 0xFF000000u);
    c.setAlpha(alpha);
    return c;
}

}  // namespace

UIList::UIList(const QString& scrollBarImage, const QString& separatorImage,
               const QString& thumbImage)
    : m_bar(scrollBarImage), m_separator(separatorImage), m_thumb(thumbImage) {}

int UIList::barWidth() const {
    return m_barRect.width() > 0 ? m_barRect.width() : kDefaultBarWidth;
}

int UIList::maxScroll() const {
    return std::max(0, GetListCount() * rowHeight() - std::max(0, height()));
}

bool UIList::hasScrollBar() const { return maxScroll() > 0; }

int UIList::thumbHeight() const {
    const int h = height();
    const int content = GetListCount() * rowHeight();
    if (content <= h || h <= 0) return 0;
    return std::clamp(int(qint64(h) * h / content), std::min(kMinThumb, h), h);
}

QRect UIList::scrollBarRect() const {
    if (!hasScrollBar()) return QRect();
    const QRect r = rect();
    return QRect(r.right() + 1 - barWidth(), r.y(), barWidth(), r.height());
}

QRect UIList::thumbRect() const {
    const QRect bar = scrollBarRect();
    if (bar.isEmpty()) return QRect();
    const int th = thumbHeight();
    const int travel = bar.height() - th;
    const int max = maxScroll();
    const int ty = max > 0 ? int(qint64(m_scrollPx) * travel / max) : 0;
    return QRect(bar.x(), bar.y() + ty, bar.width(), th);
}

void UIList::setScrollPixels(int px) {
    m_scrollPx = std::clamp(px, 0, maxScroll());
    m_startIndex = m_scrollPx / rowHeight();
}

int UIList::visibleRowCount() const { return std::max(0, height()) / rowHeight(); }

int UIList::rowAt(QPoint pt) const {
    const QRect r = rect();
    if (!r.contains(pt)) return -1;
    if (hasScrollBar() && pt.x() > r.right() - barWidth()) return -1;
    const int row = (pt.y() - r.y() + m_scrollPx) / rowHeight();
    return row < GetListCount() ? row : -1;
}

void UIList::ensureVisible(int row, int flag) {
    if (row < 0 || row >= GetListCount()) return;
    const int top = row * rowHeight();
    const int bottom = top + rowHeight();
    if (top >= m_scrollPx && bottom <= m_scrollPx + height()) return;
    // Moving forward the row comes in at the bottom, moving back at the top, so the list scrolls
    // the least in the direction of travel.
    if (flag != 0 && bottom > m_scrollPx + height())
        setScrollPixels(bottom - height());
    else if (flag == 0 && top < m_scrollPx)
        setScrollPixels(top);
    else if (top < m_scrollPx)
        setScrollPixels(top);
    else
        setScrollPixels(bottom - height());
}

void UIList::SetFileIndex(QWidget* window, int row, int flag) {
    m_fileIndex = row >= 0 && row < GetListCount() ? row : -1;
    ensureVisible(m_fileIndex, flag);
    if (window) window->update(rect());
}

void UIList::DeleteList() {
    m_items.clear();
    m_fileIndex = -1;
    m_hoverRow = -1;
    m_selected.clear();
    m_anchor = m_pressRow = m_dropGap = -1;
    m_draggingRows = m_collapseOnRelease = false;
    m_hasSongs = false;
    m_draggingThumb = false;
    setScrollPixels(0);
    GetSliderBarHeight();
}

void UIList::CreateFileBgHDC() {
    // The rows draw over the window's own background; what depends on the size is the stretched
    // separator and scroll pictures, which are rebuilt on their next paint at the new size.
    dropStaleRows();
}

void UIList::SetListValue() {
    dropStaleRows();
    setScrollPixels(m_scrollPx);
}

void UIList::dropStaleRows() {
    const int count = GetListCount();
    if (m_fileIndex >= count) m_fileIndex = -1;
    if (m_hoverRow >= count) m_hoverRow = -1;
    if (m_anchor >= count) m_anchor = -1;
    m_selected.removeIf([count](int row) { return row >= count; });
}

int UIList::GetSliderBarHeight() {
    m_thumbHeight = thumbHeight();
    return m_thumbHeight;
}

void UIList::SetStepInt() {
    // Three rows a notch, but never more than a page less one row, so the user keeps context.
    const int page = std::max(rowHeight(), height() - rowHeight());
    m_step = std::min(kWheelRows * rowHeight(), page);
}

void UIList::ResetFileStartIndex() { setScrollPixels(m_scrollPx); }

void UIList::ResetSliderY(int flag) {
    setScrollPixels(flag == 1 ? maxScroll() : m_scrollPx);
    GetSliderBarHeight();
}

void UIList::draw(QPainter& p, qreal dpr) {
    const QRect r = rect();
    if (r.isEmpty()) return;
    // The list may have been changed through items() without a recompute: stay within range.
    if (m_scrollPx > maxScroll()) setScrollPixels(m_scrollPx);
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    const int rowH = rowHeight();
    const bool bar = hasScrollBar();
    const int rowW = r.width() - (bar ? barWidth() : 0);
    const QFont font = DrawImages::SetTextFont(0, m_style.fontSize, 0);
    p.setFont(font);
    const QFontMetrics fm(font);
    const QColor text = withAlpha(m_style.textColor, 255);
    const int sepH = m_separator.isNull() ? 0 : std::max(1, m_separator.size().height());
    const QImage sep = sepH > 0 ? m_separator.scaled(QSize(rowW, sepH), dpr) : QImage();

    const int count = GetListCount();
    for (int i = m_scrollPx / rowH; i < count; ++i) {
        const QRect row(r.x(), r.y() + i * rowH - m_scrollPx, rowW, rowH);
        if (row.top() > r.bottom()) break;
        const bool selected = m_selected.contains(i);
        if (i == m_fileIndex) {
            p.fillRect(row, withAlpha(m_style.playingColor, 170));
        } else if (i == m_hoverRow && !m_draggingRows) {
            p.fillRect(row, withAlpha(m_style.hoverColor, 56));
        }
        if (selected) {
            // Tinted and framed in the selection colour, over the playing fill when both apply.
            p.fillRect(row, withAlpha(m_style.selectedColor, 96));
            p.setPen(withAlpha(m_style.selectedColor, 230));
            p.drawRect(row.adjusted(0, 0, -1, -1));
        }
        if (i == m_fileIndex) {
            // A thin accent on the left tells the playing row apart from the hover look.
            p.fillRect(QRect(row.x(), row.y(), 3, row.height()),
                       withAlpha(m_style.hoverColor, 200));
        }
        // Rows being dragged fade, so the drop line is what the eye follows.
        p.setPen(m_draggingRows && selected ? withAlpha(m_style.textColor, 110) : text);
        const QRect textRect = row.adjusted(kTextLeft, 0, -kTextRight, 0);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(m_items[i].title, Qt::ElideRight, textRect.width()));
        if (!sep.isNull()) p.drawImage(QRect(row.x(), row.bottom() + 1 - sepH, rowW, sepH), sep);
    }
    if (m_draggingRows && m_dropGap >= 0) drawDropLine(p, rowW);

    if (bar) {
        const QRect track = scrollBarRect();
        const QRect thumb = thumbRect();
        if (!m_bar.isNull()) {
            const qreal old = p.opacity();
            p.setOpacity(old * 0.35);
            p.drawImage(track, m_bar.scaled(track.size(), dpr));
            p.setOpacity(old);
        } else {
            p.fillRect(track, QColor(255, 255, 255, 28));
        }
        if (!m_thumb.isNull()) {
            p.drawImage(thumb, m_thumb.scaled(thumb.size(), dpr));
        } else {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, m_draggingThumb ? 170 : 120));
            p.drawRoundedRect(QRectF(thumb).adjusted(1, 1, -1, -1), 3, 3);
        }
    }
    p.restore();
}

bool UIList::mouseMove(QPoint pt) {
    if (m_draggingThumb) {
        const QRect bar = scrollBarRect();
        const int travel = bar.height() - thumbHeight();
        const int was = m_scrollPx;
        if (travel > 0) {
            const int ty = std::clamp(pt.y() - bar.y() - m_dragOffset, 0, travel);
            setScrollPixels(int(qint64(ty) * maxScroll() / travel));
        }
        return m_scrollPx != was;
    }
    if (m_pressRow >= 0 && m_selected.contains(m_pressRow)) {
        if (!m_draggingRows && (pt - m_pressPoint).manhattanLength() < kDragDistance) return false;
        dragRowsTo(pt);
        return true;
    }
    const int row = rowAt(pt);
    if (row == m_hoverRow) return false;
    m_hoverRow = row;
    return true;
}

bool UIList::mouseLeave() {
    if (m_hoverRow < 0) return false;
    m_hoverRow = -1;
    return true;
}

bool UIList::mousePress(QPoint pt) {
    const QRect bar = scrollBarRect();
    if (bar.isEmpty() || !bar.contains(pt)) return false;
    const QRect thumb = thumbRect();
    if (thumb.contains(pt)) {
        m_draggingThumb = true;
        m_dragOffset = pt.y() - thumb.y();
        return true;
    }
    // A click on the track pages towards it.
    const int page = std::max(rowHeight(), height() - rowHeight());
    setScrollPixels(m_scrollPx + (pt.y() < thumb.y() ? -page : page));
    return true;
}

bool UIList::mouseRelease(QPoint pt) {
    if (m_draggingThumb) {
        m_draggingThumb = false;
        return true;
    }
    const bool dropped = m_draggingRows, collapse = m_collapseOnRelease;
    const int pressed = m_pressRow, gap = m_dropGap;
    m_draggingRows = m_collapseOnRelease = false;
    m_pressRow = m_dropGap = -1;
    if (dropped) {
        if (gap >= 0) report(tagUIListEditInfo::Kind::Move, gap, pt);
        return true;
    }
    if (!collapse) return false;
    m_selected = {pressed};
    return true;
}

bool UIList::mouseDoubleClick(QPoint pt) {
    const int row = rowAt(pt);
    if (row < 0) return mousePress(pt);
    m_fileIndex = row;
    tagFileListInfo item = m_items[row];
    item.words[6] = row;
    if (m_sink) {
        tagUIListInfo info;
        info.name = name();
        m_sink->SetListContorEvent(info, item);
    }
    return true;
}

bool UIList::wheel(QPoint pt, int angleDelta) {
    if (!hasScrollBar() || angleDelta == 0) return false;
    const int step = m_step > 1 ? m_step : kWheelRows * rowHeight();
    const int was = m_scrollPx;
    setScrollPixels(m_scrollPx - int(qint64(angleDelta) * step / 120));
    // The rows moved under the mouse.
    if (m_hoverRow >= 0) m_hoverRow = rowAt(pt);
    return m_scrollPx != was;
}

QList<int> UIList::selectedRows() const {
    QList<int> rows(m_selected.cbegin(), m_selected.cend());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void UIList::remapRows(const QList<int>& newIndexOf) {
    const int count = GetListCount();
    const auto to = [&](int row) {
        const int moved = row >= 0 ? newIndexOf.value(row, -1) : -1;
        return moved < count ? moved : -1;
    };
    m_fileIndex = to(m_fileIndex);
    m_anchor = to(m_anchor);
    QSet<int> selected;
    for (int row : std::as_const(m_selected)) {
        if (const int moved = to(row); moved >= 0) selected.insert(moved);
    }
    m_selected = selected;
    // Other rows lie under the mouse now; the next move finds the hovered one.
    m_hoverRow = m_pressRow = m_dropGap = -1;
    m_draggingRows = m_collapseOnRelease = false;
    setScrollPixels(m_scrollPx);
}

bool UIList::mousePressWith(QPoint pt, Qt::KeyboardModifiers modifiers) {
    if (mousePress(pt)) return true;  // the scroll bar
    const int row = rowAt(pt);
    m_pressRow = row;
    m_pressPoint = pt;
    m_collapseOnRelease = false;
    if (row >= 0) {
        selectByClick(row, modifiers);
        return true;
    }
    // Below the last row a plain click lets go of the selection.
    if (modifiers & (Qt::ControlModifier | Qt::ShiftModifier) || m_selected.isEmpty()) return false;
    m_selected.clear();
    return true;
}

void UIList::selectByClick(int row, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ShiftModifier) {
        const int from = m_anchor >= 0 && m_anchor < GetListCount() ? m_anchor : row;
        if (!(modifiers & Qt::ControlModifier)) m_selected.clear();
        for (int i = std::min(from, row); i <= std::max(from, row); ++i) m_selected.insert(i);
        m_anchor = from;
        return;
    }
    m_anchor = row;
    if (modifiers & Qt::ControlModifier) {
        if (!m_selected.remove(row)) m_selected.insert(row);
    } else if (m_selected.contains(row)) {
        // The press may start a drag of the whole selection; without one, only this row stays.
        m_collapseOnRelease = true;
    } else {
        m_selected = {row};
    }
}

int UIList::gapAt(QPoint pt) const {
    const int y = pt.y() - rect().y() + m_scrollPx;
    return std::clamp((y + rowHeight() / 2) / rowHeight(), 0, GetListCount());
}

void UIList::dragRowsTo(QPoint pt) {
    m_draggingRows = true;
    m_collapseOnRelease = false;
    m_hoverRow = -1;
    // Near an edge (or past it) the list scrolls, half a row per move.
    const QRect r = rect();
    const int edge = rowHeight() / 2;
    if (pt.y() < r.y() + edge) {
        setScrollPixels(m_scrollPx - edge);
    } else if (pt.y() > r.bottom() - edge) {
        setScrollPixels(m_scrollPx + edge);
    }
    // Let go outside the list, the rows stay where they are.
    m_dropGap = r.contains(pt) ? gapAt(pt) : -1;
}

void UIList::drawDropLine(QPainter& p, int rowWidth) const {
    const QRect r = rect();
    const int y = r.y() + m_dropGap * rowHeight() - m_scrollPx;
    const QColor color = withAlpha(m_style.selectedColor, 255);
    // A bar across the row with a notch at each end, like a cursor between the rows.
    p.fillRect(QRect(r.x() + 4, y - 1, rowWidth - 8, 3), color);
    p.fillRect(QRect(r.x() + 1, y - 4, 3, 9), color);
    p.fillRect(QRect(r.x() + rowWidth - 4, y - 4, 3, 9), color);
}

bool UIList::keyPress(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Delete) {
        if (m_selected.isEmpty()) return false;
        report(tagUIListEditInfo::Kind::Remove, -1);
        return true;
    }
    if (key == Qt::Key_A && (modifiers & Qt::ControlModifier)) {
        for (int i = 0; i < GetListCount(); ++i) m_selected.insert(i);
        return true;
    }
    return false;
}

bool UIList::contextMenu(QPoint pt) {
    if (scrollBarRect().contains(pt)) return false;
    const int row = rowAt(pt);
    // A right click off the selection makes that row the selection, as file managers do.
    if (row >= 0 && !m_selected.contains(row)) {
        m_selected = {row};
        m_anchor = row;
    }
    report(tagUIListEditInfo::Kind::Menu, row, pt);
    return true;
}

void UIList::report(tagUIListEditInfo::Kind kind, int target, QPoint pos) {
    if (!m_sink) return;
    tagUIListEditInfo info;
    info.name = name();
    info.kind = kind;
    info.rows = selectedRows();
    info.target = target;
    info.pos = pos;
    m_sink->SetListEditEvent(info);
}
