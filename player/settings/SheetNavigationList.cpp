#include "SheetNavigationList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The separator: pixel 0 white, pixel k the base colour moved (k - 1) / width of the way to
// white, channel by channel, truncated.
QImage separatorLine(int width, QRgb base) {
    QImage line(std::max(width, 1), 2, QImage::Format_RGB32);
    const auto channel = [width](int c, int k) { return c + (k - 1) * (255 - c) / width; };
    for (int k = 0; k < line.width(); ++k) {
        const QRgb px = k == 0 ? qRgb(255, 255, 255)
                               : qRgb(channel(qRed(base), k), channel(qGreen(base), k),
                                      channel(qBlue(base), k));
        line.setPixel(k, 0, px);
        line.setPixel(k, 1, px);
    }
    return line;
}

}  // namespace

SheetNavigationList::SheetNavigationList(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SheetNavigationList::setItemFont(const QFont& font) {
    m_itemFont = font;
    update();
}

void SheetNavigationList::appendRow(const QString& text) {
    m_rows.append(text);
    update();
}

void SheetNavigationList::setImages(const QList<QPixmap>& images) {
    m_images = images;
    update();
}

void SheetNavigationList::setSelectedRow(int row) {
    if (row < -1 || row >= count() || row == m_selected) return;
    m_selected = row;
    update();
}

int SheetNavigationList::rowHeight() const { return std::max(1, fontMetrics().height()); }

QRect SheetNavigationList::rowBounds(int row) const {
    return QRect(0, row * rowHeight(), width(), rowHeight());
}

QRect SheetNavigationList::rowRect(int row) const {
    QRect r = rowBounds(row).adjusted(kRowInset, 0, -kRowInset, 0);
    if (row == 0) r.setTop(r.top() + kFirstRowGap);
    return r;
}

int SheetNavigationList::rowAt(QPoint pos) const {
    if (pos.x() < 0 || pos.x() >= width() || pos.y() < 0) return -1;
    const int row = pos.y() / rowHeight();
    return row < count() ? row : -1;
}

bool SheetNavigationList::isHighlighted(int row) const { return row == m_selected && hasFocus(); }

void SheetNavigationList::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setFont(m_itemFont);
    const QImage separator = separatorLine(width() - 2 * kRowInset, kSeparatorColour);
    for (int row = 0; row < count(); ++row) drawRow(p, row, separator);
}

void SheetNavigationList::drawRow(QPainter& p, int row, const QImage& separator) {
    const QRect r = rowRect(row);
    const int top = rowBounds(row).top();
    const int h = rowHeight();
    const bool highlighted = isHighlighted(row);
    p.fillRect(r, highlighted ? QColor(kSelectionColour) : QColor(Qt::white));

    // The text box is as high as the item font's size and centred in the whole band.
    const QRect iconArea(r.left(), top, kIconSize, h);
    const int em =
        m_itemFont.pixelSize() > 0 ? m_itemFont.pixelSize() : QFontMetrics(m_itemFont).height();
    const QRect text(r.left() + iconArea.width() + kTextAfterIcon, top + (h - em) / 2,
                     std::max(0, r.right() - r.left() - iconArea.width() - kTextAfterIcon), em);
    p.setPen(highlighted ? QColor(Qt::white) : palette().color(QPalette::Text));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_rows[row]);

    if (row < m_images.size() && !m_images[row].isNull()) {
        p.drawPixmap(QRect(iconArea.left(), top + (h - kIconSize) / 2, kIconSize, kIconSize),
                     m_images[row]);
    }
    p.drawImage(QPoint(r.left(), r.bottom() - 1), separator);
}

void SheetNavigationList::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    setFocus(Qt::MouseFocusReason);
    const int row = rowAt(e->position().toPoint());
    if (row < 0) return;
    setSelectedRow(row);
    emit rowClicked(row);
}

void SheetNavigationList::keyPressEvent(QKeyEvent* e) {
    int row = m_selected;
    switch (e->key()) {
        case Qt::Key_Up:
            row = std::max(0, m_selected - 1);
            break;
        case Qt::Key_Down:
            row = std::min(count() - 1, m_selected + 1);
            break;
        case Qt::Key_Home:
            row = 0;
            break;
        case Qt::Key_End:
            row = count() - 1;
            break;
        default:
            return QWidget::keyPressEvent(e);
    }
    if (row < 0 || row == m_selected) return;
    setSelectedRow(row);
    emit rowClicked(row);
}

void SheetNavigationList::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void SheetNavigationList::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}
