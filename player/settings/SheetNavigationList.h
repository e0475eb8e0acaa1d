#pragma once
// The settings sheet's side list: one flat row per page, drawn by hand. A row is blue with white
// text only while it is selected and the list has the keyboard focus; every row ends in a two-
// pixel line that fades from blue to white, and the first row starts three pixels lower.
// The widget's own font (24 pt) sets the row height, the rows are written in the item font.
// Thread: UI thread only.

#include <QFont>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QRgb>
#include <QStringList>
#include <QWidget>

class SheetNavigationList : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kSelectionColour = qRgb(0, 132, 255);
    static constexpr QRgb kSeparatorColour = qRgb(0, 132, 255);
    static constexpr int kRowInset = 3;       // left and right of every row
    static constexpr int kFirstRowGap = 3;    // above row 0
    static constexpr int kIconSize = 16;      // the image list's icons
    static constexpr int kTextAfterIcon = 8;  // between the icon area and the text

    explicit SheetNavigationList(QWidget* parent = nullptr);

    void setItemFont(const QFont& font);
    void appendRow(const QString& text);
    int count() const { return int(m_rows.size()); }
    QString rowText(int row) const { return m_rows.value(row); }
    // Icons by row; rows without one show none.
    void setImages(const QList<QPixmap>& images);

    int selectedRow() const { return m_selected; }
    void setSelectedRow(int row);

    // Height of every row: the line height of the widget's font.
    int rowHeight() const;
    // The row's whole band (hit testing), and the rectangle its fill covers.
    QRect rowBounds(int row) const;
    QRect rowRect(int row) const;
    // The row under a point, or -1.
    int rowAt(QPoint pos) const;
    // Drawn blue: selected and focused.
    bool isHighlighted(int row) const;

signals:
    // A click on a row, or the arrow keys moving to one.
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void drawRow(QPainter& p, int row, const QImage& separator);

    QStringList m_rows;
    QList<QPixmap> m_images;
    QFont m_itemFont;
    int m_selected = -1;
};
